// The range every preset word holds after reading (inclusive, signed where the field is
// signed), written out here apart from the preset reader: the fuzz targets check read
// records against it and draw settings from it, as do the randomised invariants.
#pragma once

#include <cstdint>

#include "engine/HVConfig.h"

struct WordRange {
    int64_t lo, hi;
};

inline constexpr int kReservedWord = 10;  // never read from a preset, never interpreted
inline constexpr WordRange kWordRanges[kHVConfigWords] = {
    {0, 4}, {-6, 6}, {0, 1}, {0, 100}, {0, 100}, {10, 100},  // mode .. movie surround delay
    {0, 1}, {0, 1}, {0, 1}, {0, 1},                            // shelf, headphone flavour, decode x2
    {0, 0},                                                    // reserved
    {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100},        // delays
    {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12},  // trims
    {0, 1}, {0, 1}, {20, 200}, {0, 1}, {0, 1}};                // redirect, invert, cutoff, SSE2, GPU

// Test names of the values of word 0.
inline constexpr const char* kModeNames[] = {"Bypass", "Passive", "Steered", "Headphone", "Encoder"};

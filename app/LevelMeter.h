// Per-channel levels of interleaved audio, for the demo's level table.
#pragma once

#include <cstdint>
#include <vector>

// RMS of each channel in dBFS (20·log10(rms), full scale 1.0); silence gives -inf.
std::vector<double> ChannelRmsDb(const float* samples, uint64_t frames, unsigned channels);

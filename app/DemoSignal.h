// The built-in demo material: no input file needed.
//
// Stereo programme, five segments of kDemoSegmentSeconds each, each faded in and out over
// 10 ms so the segment edges do not click:
//   centre        440 Hz tone, identical in L and R            (a matrix decoder steers it to C)
//   left          the tone in L only
//   right         the tone in R only
//   in-phase      band-limited noise, identical in L and R     (correlated: front)
//   out-of-phase  the same noise with R = -L                   (anti-correlated: surround)
// 5.1 programme: one segment per channel in the order L, R, C, LFE, SL, SR, the active channel
// carrying a 440 Hz tone (60 Hz on the LFE), the others silent.
// Levels: tones peak at kDemoToneAmplitude, the noise has about the same RMS.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr uint32_t kDemoSampleRate = 44100;
inline constexpr double kDemoSegmentSeconds = 2.0;
inline constexpr float kDemoToneAmplitude = 0.25f;  // -12 dBFS peak

struct DemoProgramme {
    const char* name;       // file stem, e.g. "stereo"
    unsigned channels;
    uint32_t channelMask;
    std::vector<float> samples;  // interleaved
    std::vector<const char*> segments;  // segment names in order

    uint64_t Frames() const { return samples.size() / channels; }
};

DemoProgramme MakeStereoDemo();
DemoProgramme MakeSurroundDemo();
// Frames in one segment at kDemoSampleRate.
uint64_t DemoSegmentFrames();

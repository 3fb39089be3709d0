// A set of binaural responses: five loudspeakers (FL, FR, FC, SL, SR) times two ears, float
// taps at one sample rate. A plain value: copy it, scale it, resample it once for a stream.
//
// Resampling (libsoxr, its high-quality setting, linear phase) keeps what a listener hears
// of a steady signal: the taps are scaled by fromRate / toRate, since a response sampled
// more densely sums more taps per unit of time (the impulse energy scales with the rate, the
// level of a sine through it does not). Every response is delayed by the same
// resamplePadFrames(fromRate) / fromRate seconds (at most 1 ms), room for the resampler's
// pre-ringing, so interaural time differences in seconds are kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class Speaker : uint8_t { FL, FR, FC, SL, SR };
enum class Ear : uint8_t { Left, Right };

struct HrirSet {
    static constexpr int kSpeakers = 5;

    double rate = 0.0;  // Hz
    // taps[speaker][ear]; lengths may differ, an empty response is silence.
    std::array<std::array<std::vector<float>, 2>, kSpeakers> taps;

    std::vector<float>& at(Speaker s, Ear e) { return taps[size_t(s)][size_t(e)]; }
    const std::vector<float>& at(Speaker s, Ear e) const { return taps[size_t(s)][size_t(e)]; }

    // Longest response in frames.
    size_t length() const;
    // True when no response has a non-zero tap.
    bool silent() const;
    // Multiplies every tap by `gain`.
    void scale(float gain);
    // Exchanges the left and right ear of every speaker.
    void swapEars();

    // The set at `toRate`: a copy when the rates are equal, otherwise every response
    // resampled (see above), its length (pad + taps + pad) * toRate / fromRate rounded up.
    // Throws std::invalid_argument for a non-positive or non-finite rate and
    // std::runtime_error when the resampler fails.
    HrirSet resampled(double toRate) const;
    // Frames of silence put before (and after) each response when resampling from `fromRate`:
    // floor(fromRate / 1000), i.e. at most 1 ms.
    static uint32_t resamplePadFrames(double fromRate);

    // Onset of the right ear minus onset of the left ear for speaker `s`, in frames; the
    // onset is the first tap reaching a tenth (-20 dB) of the speaker's larger ear peak.
    // Positive: the left ear hears it first. 0 when the speaker is silent.
    int64_t interauralLead(Speaker s) const;
    // True when every left speaker (FL, SL) that sounds reaches the left ear first and
    // every right one (FR, SR) the right ear: the ears are not swapped.
    bool interauralSignOk() const;

    // The ten responses in the layout PartitionedConvolver::prepare() takes for the inputs
    // FL, FR, FC, SL, SR: [speaker * 2 + ear]. They point into this set.
    std::array<std::span<const float>, 2 * kSpeakers> convolverResponses() const;
};

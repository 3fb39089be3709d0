// The last step before samples are stored: the output gain, then for integer outputs rounding
// to the word length with optional TPDF dither, with a count of the samples that did not fit.
//
// Integer samples come out as 32-bit words with the value in the top `bits` bits (what
// libsndfile's int writer takes for every PCM width). Dither is the sum of two independent
// uniform values of +-0.5 LSB each: triangular over +-1 LSB, zero mean, so the rounding
// error is independent of the signal. The generator is seeded the same for every run:
// rendering the same input twice gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SampleQuantizer {
  public:
    SampleQuantizer(double gainDb, int bits, bool dither);

    // In place, float outputs: applies the gain and tracks the peak.
    void ApplyGain(float* samples, size_t count);
    // Float outputs at unity gain: tracks the peak only.
    void TrackPeak(const float* samples, size_t count);
    // Integer outputs: `in` (full scale +-1.0) to left-aligned 32-bit words.
    void ToInt(const float* in, int32_t* out, size_t count);

    // Largest |sample| after the gain, before any clipping (1.0 = full scale).
    double Peak() const { return peak_; }
    uint64_t Clipped() const { return clipped_; }

  private:
    double NextDither();

    double gain_;
    int bits_;
    bool dither_;
    double peak_ = 0.0;
    uint64_t clipped_ = 0;
    uint32_t state_ = 0x9E3779B9u;
};

// The warning for `clipped` samples at `peak` (linear), e.g.
// "1234 samples clipped (peak +5.2 dBFS); try --gain -6"; the gain offered brings the peak
// to 0 dBFS or below, in whole dB.
std::string ClipReport(uint64_t clipped, double peak);
// "peak +3.1 dBFS" text for a float output above full scale.
std::string PeakDbfs(double peak);

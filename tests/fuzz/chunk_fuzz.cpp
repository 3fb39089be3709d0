// Fuzz target: the chunk pipeline. The input chooses a preset (any 28 words, repaired as the
// host's preset reader repairs them), then a run of chunks with any layout (supported or
// not), any of a set of sample rates from 8 kHz to 384 kHz, chunk sizes from 0 frames up,
// and samples that include NaN, infinities, subnormals and huge values; between chunks it
// may flush, request a recalculation, end playback, or replace the instance with one of
// another preset without a reset (as the player does when the dialog publishes a preset).
//
// Checked on every chunk: the result is a whole number of frames of a channel count the
// host understands, with the matching mask, at the input's rate; unsupported layouts come
// back bit-identical. The sanitizers check the rest.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/HVLib.h"
#include "host/halvane_engine.h"
#include "host/driver/DspDriver.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/WordRanges.h"

namespace {

constexpr uint32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 44100, 48000,
                               48000, 88200, 96000, 176400, 192000, 384000, 1000, 12345};
constexpr uint32_t kLayouts[] = {1, 2, 2, 5, 6, 6, 3, 4, 7, 8, 2};
constexpr uint32_t kFrames[] = {0, 1, 2, 3, 4, 5, 7, 15, 16, 17, 64, 255, 1023, 1024,
                                4095, 4096, 8191, 8192, 8193, 16385};
constexpr uint32_t kMasks[7] = {0, 4, 3, 0, 0, 55, 63};  // by channel count; 0 = not a result layout

const float kSpecial[] = {
    std::nanf(""), -std::nanf(""), INFINITY, -INFINITY, 1e-45f, -1e-45f, 1.17549421e-38f,
    3.4028235e38f, -3.4028235e38f, 1e30f, -0.0f, 0.0f, 1.0f, -1.0f, 0.5f, 65536.0f};

// Every word in its range, now and then a raw 32-bit value for the repair rules.
HVLIB_CONFIG DrawConfig(FuzzBytes& in) {
    HVLIB_CONFIG c;
    for (int w = 0; w < kHVConfigWords; ++w) {
        const uint8_t sel = in.Byte();
        const WordRange r = kWordRanges[w];
        HVSetConfigWord(c, w, sel >= 0xF0 ? in.U32() : uint32_t(r.lo + sel % (r.hi - r.lo + 1)));
    }
    return c;
}

// Silence, noise within full scale, raw bit patterns, noise with a special value planted
// every `gap` samples, or one special value throughout.
void FillSamples(FuzzBytes& in, std::vector<float>& buf) {
    const uint8_t style = in.Byte() % 5;
    uint32_t seed = in.U32() | 1;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const float special = style >= 3 ? in.Pick(kSpecial) : 0.0f;
    const uint32_t gap = style == 3 ? 1 + in.Byte() : 1;
    for (size_t i = 0; i < buf.size(); ++i) {
        const uint32_t bits = style == 0 ? 0 : next();
        if (style == 2) std::memcpy(&buf[i], &bits, 4);
        else if (style == 1 || (style == 3 && i % gap)) buf[i] = float(int32_t(bits)) * 0x1p-31f;
        else buf[i] = special;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    g_bSignalReset.store(1);  // every input starts from silence
    auto dsp = std::make_unique<DspDriver>(DrawConfig(in));
    std::vector<float> samples;
    DspChunk out;
    const int chunks = 1 + in.Byte() % 12;
    for (int i = 0; i < chunks && in.Left(); ++i) {
        switch (in.Byte() % 16) {
            case 0: dsp->Flush(); break;
            case 1: g_bSignalRecalc.store(1); break;
            case 2: dsp->EndOfPlayback(); break;
            case 3: dsp = std::make_unique<DspDriver>(DrawConfig(in)); break;
            default: break;
        }
        const uint32_t channels = in.Pick(kLayouts);
        const uint32_t rate = in.Pick(kRates);
        uint32_t frames = in.Pick(kFrames);
        if (in.Byte() & 1) frames += in.Byte();
        samples.resize(size_t(frames) * channels);
        FillSamples(in, samples);
        dsp->Process(samples.data(), frames, channels, rate, out);

        if (out.dropped) {  // only a chunk without frames leaves the host's list
            FuzzCheck(frames == 0, "chunk with frames dropped", frames, channels);
            continue;
        }
        FuzzCheck(out.rate == rate, "rate changed", out.rate, rate);
        FuzzCheck(out.channels && out.samples.size() % out.channels == 0, "ragged chunk", out.channels);
        if (channels == 1 || channels == 2 || channels == 5 || channels == 6) {
            FuzzCheck(out.channels <= 6 && kMasks[out.channels] && out.mask == kMasks[out.channels],
                      "bad layout or mask", out.channels, out.mask);
        } else {
            FuzzCheck(out.channels == channels && out.samples.size() == samples.size() &&
                          (samples.empty() || !std::memcmp(out.samples.data(), samples.data(),
                                                           samples.size() * sizeof(float))),
                      "unsupported layout was touched", channels, out.channels);
        }
    }
    return 0;
}

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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/HVLib.h"
#include "tests/fuzz/DspDriver.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

constexpr uint32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 44100, 48000,
                               48000, 88200, 96000, 176400, 192000, 384000, 1000, 12345};
constexpr uint32_t kLayouts[] = {1, 2, 2, 5, 6, 6, 3, 4, 7, 8, 2};
constexpr uint32_t kFrames[] = {0, 1, 2, 3, 4, 5, 7, 15, 16, 17, 64, 255, 1023, 1024,
                                4095, 4096, 8191, 8192, 8193, 16385};

const float kSpecial[] = {
    std::nanf(""), -std::nanf(""), INFINITY, -INFINITY, 1e-45f, -1e-45f, 1.17549421e-38f,
    3.4028235e38f, -3.4028235e38f, 1e30f, -0.0f, 0.0f, 1.0f, -1.0f, 0.5f, 65536.0f};

void Fail(const char* what, uint32_t a, uint32_t b) {
    std::fprintf(stderr, "chunk_fuzz: %s (%u, %u)\n", what, a, b);
    std::abort();
}

// A preset drawn from the input: mostly in-range words with raw 32-bit values now and then,
// so the repair rules and every mode are exercised.
HVLIB_CONFIG DrawConfig(FuzzBytes& in) {
    HVLIB_CONFIG c;
    uint32_t words[kHVConfigWords];
    for (int w = 0; w < kHVConfigWords; ++w) {
        uint8_t sel = in.Byte();
        if (sel >= 0xF0) words[w] = in.U32();
        else if (w == 0) words[w] = sel % 5;
        else if (HVConfigWordIsSigned(w)) words[w] = uint32_t(int32_t(sel % 31) - 15);
        else words[w] = (sel & 0x80) ? uint32_t(sel & 0x7F) * 2 : uint32_t(sel & 1);
        HVSetConfigWord(c, w, words[w]);
    }
    return c;
}

void FillSamples(FuzzBytes& in, std::vector<float>& buf) {
    const uint8_t style = in.Byte();
    uint32_t seed = in.U32() | 1;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    switch (style % 5) {
        case 0:  // silence
            std::fill(buf.begin(), buf.end(), 0.0f);
            break;
        case 1:  // noise within full scale
            for (float& v : buf) v = float(int32_t(next())) * (1.0f / 2147483648.0f);
            break;
        case 2:  // raw bit patterns
            for (float& v : buf) {
                uint32_t bits = next();
                std::memcpy(&v, &bits, 4);
            }
            break;
        case 3: {  // noise with one special value planted every `gap` samples
            const float special = in.Pick(kSpecial);
            const uint32_t gap = 1 + in.Byte();
            for (size_t i = 0; i < buf.size(); ++i)
                buf[i] = i % gap == 0 ? special : float(int32_t(next())) * (1.0f / 2147483648.0f);
            break;
        }
        default:  // one special value throughout
            std::fill(buf.begin(), buf.end(), in.Pick(kSpecial));
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
        const uint8_t event = in.Byte();
        switch (event % 16) {
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
            if (frames) Fail("chunk with frames dropped", frames, channels);
            continue;
        }
        if (out.rate != rate) Fail("rate changed", out.rate, rate);
        if (out.channels == 0 || out.samples.size() % out.channels) Fail("ragged chunk", out.channels, 0);
        const bool supported = channels == 1 || channels == 2 || channels == 5 || channels == 6;
        if (!supported) {
            if (out.channels != channels || out.samples.size() != samples.size() ||
                (!samples.empty() &&
                 std::memcmp(out.samples.data(), samples.data(), samples.size() * sizeof(float))))
                Fail("unsupported layout was touched", channels, out.channels);
            continue;
        }
        static const uint32_t kMask[7] = {0, 4, 3, 0, 0, 55, 63};
        if (out.channels > 6 || !kMask[out.channels] || out.mask != kMask[out.channels])
            Fail("bad layout or mask", out.channels, out.mask);
    }
    return 0;
}

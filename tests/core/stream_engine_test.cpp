// The public streaming engine: independence of engines, the latency it reports, its
// agreement with the chunk handler, layouts, and allocation after Prepare.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "TestUtil.h"
#include "engine/HalvaneEngine.h"

namespace {

using halvane::Engine;

struct Stream {
    const char* name;
    HVLIB_CONFIG cfg;
    uint32_t rate, inCh, outCh;
};

HVLIB_CONFIG With(uint32_t mode, bool sse2) {
    HVLIB_CONFIG c;
    c.dwMode = mode, c.bSSE2 = sse2, c.bCUDA = 0;
    return c;
}

// Streams of every mode with settings that reach every stage.
std::vector<Stream> Streams() {
    HVLIB_CONFIG steered = With(2, true);
    steered.bLFERedir = 1, steered.dwDelayC = 3, steered.dwSurroundDelayMusic = 12, steered.nTrimSL = -4;
    steered.bMusicSurroundShelf = 1;
    HVLIB_CONFIG movie = With(2, false);
    movie.dwSurroundMode = 0, movie.nMasterGain = -3;
    HVLIB_CONFIG passive = With(1, false);
    passive.nTrimL = 5, passive.dwDelaySR = 7;
    HVLIB_CONFIG headphone = With(3, false);
    headphone.dwHeadphonesMode = 1, headphone.nMasterGain = 2;
    HVLIB_CONFIG decoded = With(3, true);  // stereo pre-decode with the Music surround delay
    decoded.dwSurroundDelayMusic = 20;
    HVLIB_CONFIG encoder = With(4, false);
    return {{"steered", steered, 44100, 2, 6},    {"steered movie", movie, 48000, 2, 5},
            {"passive", passive, 44100, 2, 6},    {"headphone 5.1", headphone, 44100, 6, 2},
            {"headphone stereo", decoded, 48000, 2, 2}, {"encoder", encoder, 44100, 6, 2},
            {"bypass mono", With(0, true), 44100, 1, 1}};
}

constexpr uint32_t kFrames = 30000;  // more than three headphone blocks
const std::vector<uint32_t> kUneven = {1, 7, 333, 64, 1000, 2, 4096, 5000, 8192, 3};

std::vector<float> Input(const Stream& s, uint32_t seed) { return Noise(size_t(kFrames) * s.inCh, 0.5f, seed); }

// One engine fed call by call; planar or interleaved calls alternate with the call index.
struct Feeder {
    const Stream& s;
    const std::vector<float>& in;
    Engine engine{s.rate, s.cfg};
    std::vector<float> out = std::vector<float>(size_t(kFrames) * s.outCh);
    uint32_t at = 0, call = 0;

    bool Step(uint32_t n) {
        n = std::min(n, kFrames - at);
        if (call++ % 2 == 0) {
            engine.ProcessInterleaved(&in[size_t(at) * s.inCh], s.inCh, &out[size_t(at) * s.outCh], s.outCh, n);
        } else {
            std::vector<std::vector<float>> pin(s.inCh, std::vector<float>(n)), pout(s.outCh, std::vector<float>(n));
            std::vector<const float*> ip;
            std::vector<float*> op;
            for (uint32_t k = 0; k < s.inCh; ++k) {
                for (uint32_t i = 0; i < n; ++i) pin[k][i] = in[size_t(at + i) * s.inCh + k];
                ip.push_back(pin[k].data());
            }
            for (auto& o : pout) op.push_back(o.data());
            engine.Process(ip.data(), s.inCh, op.data(), s.outCh, n);
            for (uint32_t k = 0; k < s.outCh; ++k)
                for (uint32_t i = 0; i < n; ++i) out[size_t(at + i) * s.outCh + k] = pout[k][i];
        }
        at += n;
        return at < kFrames;
    }
};

std::vector<float> Alone(const Stream& s, const std::vector<float>& in) {
    Feeder f{s, in};
    f.engine.ProcessInterleaved(in.data(), s.inCh, f.out.data(), s.outCh, kFrames);
    return f.out;
}

bool Bitwise(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

}  // namespace

// Two engines of different modes, settings and inputs, interleaved call by call in uneven
// pieces, each give exactly what the same engine gives alone in one call.
TEST(StreamEngine, InterleavedEnginesEachEqualTheirRunAlone) {
    const std::vector<Stream> all = Streams();
    for (size_t i = 0; i < all.size(); ++i) {
        const Stream &a = all[i], &b = all[(i + 3) % all.size()];
        SCOPED_TRACE(std::string(a.name) + " beside " + b.name);
        const std::vector<float> inA = Input(a, 11 + uint32_t(i)), inB = Input(b, 97 + uint32_t(i));
        Feeder fa{a, inA}, fb{b, inB};
        for (size_t c = 0; fa.at < kFrames || fb.at < kFrames; ++c) {
            if (fa.at < kFrames) fa.Step(kUneven[c % kUneven.size()]);
            if (fb.at < kFrames) fb.Step(kUneven[(c + 4) % kUneven.size()]);
        }
        EXPECT_TRUE(Bitwise(fa.out, Alone(a, inA)));
        EXPECT_TRUE(Bitwise(fb.out, Alone(b, inB)));
    }
}

// The stream is the chunk handler's output delayed by exactly Latency() frames: silence
// first, then the same samples (speakers the result lacks are silent, as is the LFE of a
// five-channel result placed in six outputs).
TEST(StreamEngine, OutputIsTheChunkHandlerDelayedByTheReportedLatency) {
    for (const Stream& s : Streams()) {
        SCOPED_TRACE(s.name);
        const std::vector<float> in = Input(s, 5);
        Engine chunked(s.rate, s.cfg);
        std::vector<float> ref;
        uint32_t refChannels = 0;
        for (uint32_t at = 0; at < kFrames; at += 4096) {
            const uint32_t n = std::min(4096u, kFrames - at);
            const auto o = chunked.RunChunk(s.cfg, s.rate, &in[size_t(at) * s.inCh], s.inCh, n, {at == 0, at == 0});
            ref.insert(ref.end(), o.data, o.data + size_t(o.frames) * o.channels);
            refChannels = o.channels;
        }
        Engine streamed(s.rate, s.cfg);
        const uint32_t latency = streamed.Latency(s.inCh);
        EXPECT_EQ(latency, s.cfg.dwMode == 3 ? HP_BLOCK - 1 : 0u);
        const std::vector<float> out = Alone(s, in);
        for (uint32_t t = 0; t < kFrames; ++t)
            for (uint32_t k = 0; k < s.outCh; ++k) {
                float want = 0.0f;
                const uint32_t src = t - latency;
                const bool lfeMissing = s.outCh == 6 && refChannels == 5 && k == 3;
                if (t >= latency && size_t(src) * refChannels < ref.size() && !lfeMissing)
                    want = ref[size_t(src) * refChannels + (refChannels == 5 && s.outCh == 6 && k > 3 ? k - 1 : k)];
                ASSERT_EQ(out[size_t(t) * s.outCh + k], want) << "frame " << t << " channel " << k;
            }
    }
}

// A layout the engine cannot process passes channel by channel, silence beyond.
TEST(StreamEngine, UnsupportedLayoutPassesThrough) {
    Engine e(44100, With(2, true));
    const std::vector<float> in = Noise(3 * 100, 1.0f, 9);
    std::vector<float> out(4 * 100, 7.0f);
    e.ProcessInterleaved(in.data(), 3, out.data(), 4, 100);
    for (uint32_t i = 0; i < 100; ++i) {
        for (uint32_t k = 0; k < 3; ++k) ASSERT_EQ(out[i * 4 + k], in[i * 3 + k]);
        ASSERT_EQ(out[i * 4 + 3], 0.0f);
    }
}

// After Prepare nothing allocates: calls of any length, settings changed between every mode
// (with room delays up to 200 ms in all), flushes.
TEST(StreamEngine, PreparedEngineNeverAllocates) {
    for (uint32_t inCh : {2u, 6u}) {
        SCOPED_TRACE(inCh);
        HVLIB_CONFIG cfg = With(2, true);
        Engine e(48000, cfg);
        e.Prepare(1024, inCh);
        const std::vector<float> in = Noise(size_t(9000) * inCh, 0.5f, 3);
        std::vector<float> out(size_t(9000) * 6);
        const uint64_t before = HVAllocationCount();
        const uint32_t sizes[] = {1, 9000, 64, 4097, 8192, 3};
        for (int round = 0; round < 12; ++round) {
            cfg.dwMode = uint32_t(round % 5);
            cfg.bSSE2 = round % 2, cfg.bLFERedir = round % 3 == 0, cfg.dwDelaySL = 100, cfg.dwSurroundDelayMovie = 100;
            e.SetSettings(cfg);
            if (round == 7) e.Flush();
            for (uint32_t n : sizes) e.ProcessInterleaved(in.data(), inCh, out.data(), 6, n);
        }
        EXPECT_EQ(HVAllocationCount(), before);
    }
}

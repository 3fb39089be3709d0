// Partitioned convolver: against a direct convolution in double, chunk-size independence,
// the stated delay, and the partitioning rule's invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "headphone/PartitionedConvolver.h"

namespace {

constexpr double kComparisonTolerance = 1e-5;  // of the reference's peak

// A seeded decaying noise response with a leading delay.
std::vector<float> DecayingResponse(size_t length, uint32_t seed, size_t delay = 0) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> h(length, 0.0f);
    for (size_t i = delay; i < length; ++i) h[i] = d(rng) * std::exp(-3.0f * float(i) / float(length));
    return h;
}

std::vector<float> Noise(size_t n, uint32_t seed) {
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

struct Rig {
    std::vector<std::vector<float>> responses;  // [input * 2 + ear]
    std::vector<std::span<const float>> spans;
    void Prepare(PartitionedConvolver& pc, uint32_t block) {
        spans.assign(responses.begin(), responses.end());
        pc.prepare(block, uint32_t(responses.size() / 2), spans);
    }
};

Rig MakeRig(uint32_t inputs, size_t length, uint32_t seed) {
    Rig rig;
    for (uint32_t p = 0; p < inputs * 2; ++p)
        rig.responses.push_back(DecayingResponse(length - (p % 3) * (length / 7), seed + p, p * 3));
    return rig;
}

// Runs planar inputs through the convolver in chunks of the given sizes (cycled); returns
// the two ears.
std::array<std::vector<float>, 2> Convolve(PartitionedConvolver& pc, const std::vector<std::vector<float>>& x,
                                           const std::vector<uint32_t>& chunks) {
    const size_t n = x[0].size();
    std::array<std::vector<float>, 2> y{std::vector<float>(n), std::vector<float>(n)};
    std::vector<const float*> in(x.size());
    size_t pos = 0;
    for (size_t c = 0; pos < n; ++c) {
        const uint32_t k = uint32_t(std::min<size_t>(chunks[c % chunks.size()], n - pos));
        for (size_t i = 0; i < x.size(); ++i) in[i] = x[i].data() + pos;
        pc.process(in.data(), 1, y[0].data() + pos, y[1].data() + pos, 1, k);
        pos += k;
    }
    return y;
}

struct Case {
    uint32_t block;
    uint32_t inputs;
    size_t length;
    size_t burst;  // frames of noise; the rest of the input is silence
};

class PartitionedConvolverDirect : public ::testing::TestWithParam<Case> {};

// Output equals sum over inputs of x_c * h_{c,ear}, delayed by latencyFrames(), worked out
// directly in double, up to the end of the longest tail.
TEST_P(PartitionedConvolverDirect, EqualsDirectConvolution) {
    const Case k = GetParam();
    Rig rig = MakeRig(k.inputs, k.length, 11 * k.block + k.inputs);
    if (k.inputs > 1) rig.responses[1].clear();  // one silent pair, the other input still reaches that ear
    PartitionedConvolver pc;
    rig.Prepare(pc, k.block);
    ASSERT_EQ(pc.latencyFrames(), k.block - 1);

    const size_t total = k.burst + k.length + k.block + 100;
    std::vector<std::vector<float>> x;
    for (uint32_t c = 0; c < k.inputs; ++c) {
        x.push_back(Noise(k.burst, 7 + c));
        x.back().resize(total, 0.0f);
    }
    const auto y = Convolve(pc, x, {1000, 1, 4097});

    for (int ear = 0; ear < 2; ++ear) {
        std::vector<double> ref(total, 0.0);
        for (uint32_t c = 0; c < k.inputs; ++c) {
            const std::vector<float>& h = rig.responses[c * 2 + ear];
            for (size_t i = 0; i < k.burst; ++i)
                for (size_t j = 0; j < h.size() && i + j + pc.latencyFrames() < total; ++j)
                    ref[i + j + pc.latencyFrames()] += double(x[c][i]) * double(h[j]);
        }
        double peak = 0.0, err = 0.0;
        for (size_t i = 0; i < total; ++i) {
            peak = std::max(peak, std::abs(ref[i]));
            err = std::max(err, std::abs(ref[i] - double(y[ear][i])));
        }
        EXPECT_GT(peak, 1.0);
        EXPECT_LE(err, kComparisonTolerance * peak) << "ear " << ear;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PartitionedConvolverDirect,
                         ::testing::Values(Case{64, 1, 900, 700}, Case{64, 5, 8192, 300},
                                           Case{256, 5, 8192, 1500}, Case{1024, 2, 3000, 5000},
                                           Case{8192, 1, 20000, 9000}, Case{8192, 3, 1000, 10000},
                                           Case{128, 1, 20000, 500}),
                         [](const auto& info) {
                             return "B" + std::to_string(info.param.block) + "_in" +
                                    std::to_string(info.param.inputs) + "_taps" +
                                    std::to_string(info.param.length);
                         });

// The same signal whole, frame by frame, in uneven chunks and interleaved in place gives
// the same output bit for bit: the stages run at the same block boundaries whatever the
// chunking.
TEST(PartitionedConvolver, ChunkSizeIndependent) {
    for (uint32_t block : {64u, 512u}) {
        Rig rig = MakeRig(3, 5000, 99);
        const size_t n = 12000;
        std::vector<std::vector<float>> x{Noise(n, 1), Noise(n, 2), Noise(n, 3)};
        PartitionedConvolver pc;
        rig.Prepare(pc, block);
        const auto whole = Convolve(pc, x, {uint32_t(n)});
        pc.reset();
        const auto single = Convolve(pc, x, {1});
        pc.reset();
        const auto uneven = Convolve(pc, x, {1, 7, 63, 64, 65, 1000, 3, 4096});
        EXPECT_EQ(whole[0], single[0]);
        EXPECT_EQ(whole[1], single[1]);
        EXPECT_EQ(whole[0], uneven[0]);
        EXPECT_EQ(whole[1], uneven[1]);

        // Interleaved frames of 8 floats, inputs in slots 0, 2, 5, the ears written over
        // slots 0 and 1 of the same frames.
        pc.reset();
        std::vector<float> frames(n * 8, 0.0f);
        for (size_t i = 0; i < n; ++i) {
            frames[i * 8 + 0] = x[0][i];
            frames[i * 8 + 2] = x[1][i];
            frames[i * 8 + 5] = x[2][i];
        }
        for (size_t pos = 0, c = 0; pos < n; ++c) {
            const uint32_t k = uint32_t(std::min<size_t>(c % 2 ? 333 : 1500, n - pos));
            float* f = frames.data() + pos * 8;
            const float* in[3] = {f + 0, f + 2, f + 5};
            pc.process(in, 8, f + 0, f + 1, 8, k);
            pos += k;
        }
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(frames[i * 8 + 0], whole[0][i]) << "block " << block << " frame " << i;
            ASSERT_EQ(frames[i * 8 + 1], whole[1][i]) << "block " << block << " frame " << i;
        }
    }
}

// An impulse comes out exactly latencyFrames() = B - 1 frames later as the response itself,
// silence before it; reset() clears what earlier input left behind.
TEST(PartitionedConvolver, ImpulseAtStatedDelay) {
    for (uint32_t block : {64u, 256u, 8192u}) {
        Rig rig = MakeRig(2, 3000, 5);
        PartitionedConvolver pc;
        rig.Prepare(pc, block);
        const size_t n = 3000 + block;
        std::vector<std::vector<float>> x{Noise(n, 4), Noise(n, 8)};
        Convolve(pc, x, {777});
        pc.reset();
        x[0].assign(n, 0.0f);
        x[1].assign(n, 0.0f);
        x[1][0] = 1.0f;
        const auto y = Convolve(pc, x, {100});
        for (int ear = 0; ear < 2; ++ear) {
            const std::vector<float>& h = rig.responses[2 + ear];
            for (size_t i = 0; i < block - 1; ++i)
                ASSERT_EQ(y[ear][i], 0.0f) << "B " << block << " frame " << i;
            float peak = 0.0f;
            for (float v : h) peak = std::max(peak, std::abs(v));
            for (size_t i = 0; i < h.size(); ++i)
                ASSERT_NEAR(y[ear][block - 1 + i], h[i], 1e-6f * peak) << "B " << block << " tap " << i;
        }
    }
}

// Stages grow by powers of two from B up to 8192, follow each other without gaps, cover the
// response, and each starts late enough for its output to be ready in time (o >= P - B).
TEST(PartitionedConvolver, PartitioningInvariants) {
    for (uint32_t block = 64; block <= 8192; block *= 2)
        for (size_t length : {size_t(1), size_t(100), size_t(8192), size_t(20000), size_t(71000)}) {
            const auto parts = PartitionedConvolver::choosePartitions(block, 5, length);
            ASSERT_FALSE(parts.empty());
            EXPECT_EQ(parts[0].size, block);
            uint64_t off = 0;
            uint32_t prev = 0;
            for (const auto& p : parts) {
                EXPECT_GT(p.size, prev);
                EXPECT_LE(p.size, PartitionedConvolver::kMaxPartition);
                EXPECT_GE(p.count, 1u);
                EXPECT_EQ(p.offset, off);
                EXPECT_GE(p.offset + block, p.size);
                off += uint64_t(p.size) * p.count;
                prev = p.size;
            }
            EXPECT_GE(off, length);
            EXPECT_LT(off - parts.back().size, length);  // no stage wasted past the end
        }
    const auto single = PartitionedConvolver::choosePartitions(8192, 5, 8192);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].count, 1u);

    PartitionedConvolver pc;
    std::vector<float> h(10, 1.0f);
    std::vector<std::span<const float>> two{h, h};
    EXPECT_THROW(pc.prepare(100, 1, two), std::invalid_argument);
    EXPECT_THROW(pc.prepare(32, 1, two), std::invalid_argument);
    EXPECT_THROW(pc.prepare(16384, 1, two), std::invalid_argument);
    EXPECT_THROW(pc.prepare(64, 2, two), std::invalid_argument);
}

}  // namespace

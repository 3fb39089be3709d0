// Sample conversion: integer and float inputs, silence, integer and float outputs, in both
// kernel sets. Expected values are worked out by hand from the format definitions.
#include <bit>
#include <limits>

#include "TestUtil.h"

namespace {

constexpr float kSentinel = 12345.0f;  // planted in slots 6 and 7: converters must not write them
constexpr float kFull = -0.707f;       // negative full scale of every integer format
constexpr float kQ = 0.3535f;          // 16384 steps of 16-bit full scale: exact

// Runs `convert` over n frames primed with sentinels (the converter's resize keeps the
// storage) and checks slots 0-5 of frame `i` and the untouched spares.
void Expect(CHVFn& k, uint32_t n, const std::function<void(CHVFn&, HVFrames&)>& convert, uint32_t i,
            std::initializer_list<float> six) {
    HVFrames f;
    f.Resize(n);
    for (uint32_t j = 0; j < n; ++j)
        for (float& v : f[j].f) v = kSentinel;
    convert(k, f);
    ASSERT_EQ(f.m_dwCount, n);
    int s = 0;
    for (float v : six) EXPECT_EQ(f[i].f[s++], v) << "frame " << i << " slot " << s - 1;
    EXPECT_TRUE(f[i].f[6] == kSentinel && f[i].f[7] == kSentinel);
}

}  // namespace

TEST(Convert, InputsOfEveryFormatLandInTheirSlots) {
    EXPECT_EQ(std::bit_cast<uint32_t>(FDIV8), 0x3BB4FDF4u);
    EXPECT_EQ(std::bit_cast<uint32_t>(FDIV16), 0x37B4FDF4u);
    EXPECT_EQ(std::bit_cast<uint32_t>(FDIV32), 0x2FB4FDF4u);
    const uint8_t u8[3] = {128, 255, 0};
    const int16_t s16[2] = {-32768, 16384};
    const uint8_t s24[6] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};  // -8388608, 8388607
    const int32_t s32[1] = {std::numeric_limits<int32_t>::min()};
    const int16_t five[5] = {16384, -16384, 16384, 0, -32768};
    const int16_t six[6] = {16384, 0, -16384, 16384, -32768, 16384};
    const float fst[6] = {1, 2, 3, 4, 5, 6}, fmono[2] = {0.25f, -0.5f}, ffive[5] = {1, 2, 3, 4, 5};
    const float fsix[12] = {1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5, -6};
    const float top24 = float(8388607.0 * 256.0 * double(FDIV32));
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(SetName(s));
        CHVFn& k = Set(s);
        Expect(k, 3, [&](CHVFn& c, HVFrames& f) { c.ConvertU8Mono(u8, 3, f); }, 0, {0, 0, 0, 0, 0, 0});
        Expect(k, 3, [&](CHVFn& c, HVFrames& f) { c.ConvertU8Mono(u8, 3, f); }, 1,
               {0, 0, 127 * FDIV8, 0, 0, 0});
        Expect(k, 3, [&](CHVFn& c, HVFrames& f) { c.ConvertU8Mono(u8, 3, f); }, 2, {0, 0, kFull, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertU8Stereo(u8 + 1, 1, f); }, 0,
               {127 * FDIV8, kFull, 0, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertS16Stereo(s16, 1, f); }, 0,
               {kFull, kQ, 0, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertS24Stereo(s24, 1, f); }, 0,
               {kFull, top24, 0, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertS32Mono(s32, 1, f); }, 0, {0, 0, kFull, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertS16Five(five, 1, f); }, 0,
               {kQ, -kQ, kQ, 0, 0, kFull});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertS16Six(six, 1, f); }, 0,
               {kQ, 0, -kQ, kQ, kFull, kQ});
        Expect(k, 2, [&](CHVFn& c, HVFrames& f) { c.ConvertSilence(2, f); }, 1, {0, 0, 0, 0, 0, 0});
        Expect(k, 3, [&](CHVFn& c, HVFrames& f) { c.ConvertFloatStereo(fst, 3, f); }, 2, {5, 6, 0, 0, 0, 0});
        Expect(k, 2, [&](CHVFn& c, HVFrames& f) { c.ConvertFloatMono(fmono, 2, f); }, 1,
               {0, 0, -0.5f, 0, 0, 0});
        Expect(k, 1, [&](CHVFn& c, HVFrames& f) { c.ConvertFloatFive(ffive, 1, f); }, 0, {1, 2, 3, 0, 4, 5});
        Expect(k, 2, [&](CHVFn& c, HVFrames& f) { c.ConvertFloatSix(fsix, 2, f); }, 1,
               {-1, -2, -3, -4, -5, -6});
    }
}

// Scalar truncates toward zero, SSE2 rounds to nearest (ties to even); both saturate, and
// NaN ends at the negative limit in both.
TEST(Convert, IntegerOutputsGoldenTable) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Row {
        float in;
        int16_t s16Trunc, s16Round;
        int32_t s24Trunc, s24Round;
    };
    const Row rows[] = {
        {0.0f, 0, 0, 0, 0},
        {1.0f, 32767, 32767, 8388607, 8388607},
        {-1.0f, -32768, -32768, -8388608, -8388608},
        {0.5f, 16384, 16384, 4194304, 4194304},
        {-0.5f, -16384, -16384, -4194304, -4194304},
        {1.1f, 32767, 32767, 8388607, 8388607},
        {-1.1f, -32768, -32768, -8388608, -8388608},
        {1.5f / 32768, 1, 2, 384, 384},
        {-1.5f / 32768, -1, -2, -384, -384},
        {2.5f / 32768, 2, 2, 640, 640},
        {0.7f / 8388608, 0, 0, 0, 1},
        {-1.5f / 8388608, 0, 0, -1, -2},
        {1e10f, 32767, 32767, 8388607, 8388607},
        {inf, 32767, 32767, 8388607, 8388607},
        {-inf, -32768, -32768, -8388608, -8388608},
        {nan, -32768, -32768, -8388608, -8388608},
    };
    const uint32_t n = sizeof rows / sizeof rows[0];
    HVFrames f;
    f.Resize(n);
    for (uint32_t i = 0; i < n; ++i)
        for (int k = 0; k < 8; ++k) f[i].f[k] = k < 6 ? rows[i].in : 0.0f;
    HVBuffer<HVCHUNK_S16SIX> o16x, o16v;
    HVBuffer<HVCHUNK_S24SIX> o24x, o24v;
    TestLib().Scalar().OutputS16Six(f, o16x);
    TestLib().Vector().OutputS16Six(f, o16v);
    TestLib().Scalar().OutputS24Six(f, o24x);
    TestLib().Vector().OutputS24Six(f, o24v);
    auto s24 = [](const HVCHUNK_S24SIX& e, int k) {
        const uint8_t* b = e.b + 3 * k;
        return int32_t(uint32_t(b[0]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 24) >> 8;
    };
    for (uint32_t i = 0; i < n; ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i << " in " << rows[i].in);
        for (int k = 0; k < 6; ++k) {
            ASSERT_EQ(o16x[i].s[k], rows[i].s16Trunc);
            ASSERT_EQ(o16v[i].s[k], rows[i].s16Round);
            ASSERT_EQ(s24(o24x[i], k), rows[i].s24Trunc);
            ASSERT_EQ(s24(o24v[i], k), rows[i].s24Round);
        }
    }
    // Byte order of a 24-bit sample: -1.0 is 0x800000, stored 00 00 80.
    EXPECT_TRUE(o24x[2].b[0] == 0x00 && o24x[2].b[1] == 0x00 && o24x[2].b[2] == 0x80);
}

// 8, 16 and 24-bit integers are exact in float, so both sets agree bit for bit; a 32-bit
// source is rounded to float before the scaling in the vector set, at most one ulp apart.
TEST(Convert, ScalarAndSSE2AgreeOverOddLengths) {
    std::minstd_rand rng(3141592653u);
    for (uint32_t n : kOddLengths) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> bytes(size_t(n) * 6 * 4);
        for (auto& b : bytes) b = uint8_t(rng());
        HVFrames a, b;
        auto same = [&](int ulps) {
            ASSERT_EQ(a.m_dwCount, b.m_dwCount);
            for (uint32_t i = 0; i < n; ++i)
                for (int k = 0; k < 6; ++k)
                    ASSERT_LE(std::abs(std::bit_cast<int32_t>(a[i].f[k]) - std::bit_cast<int32_t>(b[i].f[k])),
                              ulps)
                        << i << " " << k;
        };
        const auto* p16 = reinterpret_cast<const int16_t*>(bytes.data());
        const auto* p32 = reinterpret_cast<const int32_t*>(bytes.data());
        TestLib().Scalar().ConvertU8Stereo(bytes.data(), n, a), TestLib().Vector().ConvertU8Stereo(bytes.data(), n, b), same(0);
        TestLib().Scalar().ConvertS16Five(p16, n, a), TestLib().Vector().ConvertS16Five(p16, n, b), same(0);
        TestLib().Scalar().ConvertS24Six(bytes.data(), n, a), TestLib().Vector().ConvertS24Six(bytes.data(), n, b), same(0);
        TestLib().Scalar().ConvertS24Mono(bytes.data(), n, a), TestLib().Vector().ConvertS24Mono(bytes.data(), n, b), same(0);
        TestLib().Scalar().ConvertS32Six(p32, n, a), TestLib().Vector().ConvertS32Six(p32, n, b), same(1);
        TestLib().Scalar().ConvertS32Stereo(p32, n, a), TestLib().Vector().ConvertS32Stereo(p32, n, b), same(1);
    }
}

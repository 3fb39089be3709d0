// Subnormal flushing on the audio path: the guard's floating-point mode, and the engine's
// chunk processing leaving no subnormal tails in the decoder's memories.
#include <xmmintrin.h>

#include "TestUtil.h"
#include "engine/HVDenormals.h"

namespace {
// MXCSR without the sticky exception flags (bits 0-5): the control word proper.
unsigned ControlWord() {
    return _mm_getcsr() & ~0x3Fu;
}

// Kept out of the optimiser's reach so the multiplications happen at run time.
volatile float g_tiny = 1e-30f;
volatile float g_scale = 1e-10f;
float Product() {
    return g_tiny * g_scale;
}  // 1e-40: subnormal
}  // namespace

TEST(HVDenormalGuard, FlushesInsideAndRestoresOnExit) {
    const unsigned before = ControlWord();
    EXPECT_NE(Product(), 0.0f);
    {
        const HVDenormalGuard guard;
        EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u);
        EXPECT_EQ(Product(), 0.0f);
        volatile float sub = 1e-40f;  // a subnormal operand reads as zero
        EXPECT_EQ(sub * 1.0f, 0.0f);
        volatile float normal = 1.2e-38f;  // normal values are untouched
        EXPECT_EQ(normal * 1.0f, 1.2e-38f);
    }
    EXPECT_EQ(ControlWord(), before);
    EXPECT_NE(Product(), 0.0f);
}

// Hard left through the engine, then silence: the band-split tails reach exactly zero and
// the steering returns to rest in both sets. (Called directly without the flush, the
// scalar set's low band sits in a subnormal limit cycle and keeps reading hard left.)
TEST_F(KernelTest, EnginePathLetsSteeringReturnToRest) {
    cfg_.dwMode = 2;
    for (int sse2 : {0, 1}) {
        cfg_.bSSE2 = uint32_t(sse2);
        Configure();
        const unsigned before = ControlWord();
        HVFrames f;
        for (int chunk = 0; chunk < 40; ++chunk) {
            f.Resize(2048);
            const float l = chunk < 10 ? 0.7f : 0.0f;
            for (uint32_t i = 0; i < 2048; ++i) f[i] = HVCHUNK_INTCHUNK{{l, 0, 0, 0, 0, 0, 0, 0}};
            EXPECT_EQ(TestLib().ProcessChunk(2, f), 5u);
            EXPECT_EQ(ControlWord(), before);
        }
        EXPECT_EQ(St().m_bufLow[2047].f[HV_L], 0.0f) << SetName(sse2);
        EXPECT_EQ(St().m_bufHigh[2047].f[HV_L], 0.0f) << SetName(sse2);
        for (int b = 0; b < 2; ++b) EXPECT_LT(std::fabs(St().m_bufSteerX[b][2047]), 1e-6f) << SetName(sse2);
    }
}

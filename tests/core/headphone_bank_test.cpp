// The binaural response bank: the committed data file, its properties, and that the
// generator rebuilds it byte for byte.
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "TestUtil.h"

namespace {

constexpr size_t kBankBytes = 655360;
constexpr int kFarDelayFront = 10;     // far ear of L and R
constexpr int kFarDelaySurround = 22;  // far ear of SL and SR: largest tap of the direct sound

std::vector<char> ReadFile(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

int ArgMaxAbs(const float* h, int end) {
    int best = 0;
    for (int i = 1; i < end; ++i)
        if (std::fabs(h[i]) > std::fabs(h[best])) best = i;
    return best;
}

// Number of taps holding 99.9 % of the energy.
int EnergyLength(const float* h) {
    double total = 0.0, acc = 0.0;
    for (uint32_t i = 0; i < HP_BLOCK; ++i) total += double(h[i]) * h[i];
    for (uint32_t i = 0; i < HP_BLOCK; ++i) {
        acc += double(h[i]) * h[i];
        if (acc >= 0.999 * total) return int(i) + 1;
    }
    return HP_BLOCK;
}

// Ear on the loudspeaker's side: -1 for the centre (both).
int NearEar(int source) {
    static const int kNear[5] = {0, 1, -1, 0, 1};
    return kNear[source];
}

}  // namespace

TEST(HeadphoneBank, LinkedTableIsTheCommittedLittleEndianFile) {
    const auto bytes = ReadFile(HV_HRIR_BANK_FILE);
    ASSERT_EQ(bytes.size(), kBankBytes);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(HRIR_TABLE) % 16, 0u);
    for (size_t i = 0; i < kBankBytes / 4; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + 4 * i;
        const uint32_t bits =
            uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        ASSERT_EQ(std::bit_cast<uint32_t>(HRIR_TABLE[i]), bits) << "float " << i;
    }
}

TEST(HeadphoneBank, EveryResponseHasTheRequiredShape) {
    for (int f = 0; f < 2; ++f)
        for (int s = 0; s < 5; ++s)
            for (int e = 0; e < 2; ++e) {
                SCOPED_TRACE(testing::Message() << "flavour " << f << " source " << s << " ear " << e);
                const float* h = Taps(f, s, e);
                double sum = 0.0;
                for (uint32_t i = 0; i < HP_BLOCK; ++i) {
                    ASSERT_TRUE(std::isfinite(h[i]));
                    sum += h[i];
                }
                EXPECT_GE(sum, 0.725);
                EXPECT_LE(sum, 0.750);
                const int len = EnergyLength(h);
                EXPECT_GE(len, 2775);
                EXPECT_LE(len, 5016);
                // Movie has a lower direct sound and a longer decay than Music.
                if (f == 1) {
                    EXPECT_GT(len, EnergyLength(Taps(0, s, e)));
                }
                if (NearEar(s) < 0 || NearEar(s) == e) {
                    EXPECT_EQ(ArgMaxAbs(h, HP_BLOCK), 0);
                    EXPECT_GT(h[0], 0.0f);
                    if (f == 1) {
                        EXPECT_LT(h[0], Taps(0, s, e)[0]);
                    }
                } else {
                    const int delay = s < 2 ? kFarDelayFront : kFarDelaySurround;
                    if (s < 2) {
                        EXPECT_EQ(ArgMaxAbs(h, HP_BLOCK), delay);
                    }
                    EXPECT_EQ(ArgMaxAbs(h, 60), delay);  // the direct sound, before any reflection
                    // Nothing reaches the far ear before the direct sound.
                    for (int i = 0; i < delay - 1; ++i) ASSERT_LT(std::fabs(h[i]), 1e-4f) << i;
                }
            }
}

TEST(HeadphoneBank, GeneratorReproducesTheCommittedFile) {
#ifdef HV_HRIR_GENERATOR
    const std::string out = testing::TempDir() + "hrir_bank_rebuilt.bin";
    const std::string cmd = std::string("\"") + HV_HRIR_GENERATOR + "\" \"" + out + "\" > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const auto rebuilt = ReadFile(out.c_str());
    std::remove(out.c_str());
    const auto committed = ReadFile(HV_HRIR_BANK_FILE);
    ASSERT_EQ(rebuilt.size(), committed.size());
    EXPECT_TRUE(rebuilt == committed);
#else
    GTEST_SKIP() << "generator not built (libmysofa absent)";
#endif
}

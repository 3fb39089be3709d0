// Preset format: owner and size checks, the repair rule of every word, and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/dsp_halvane_params.h"
#include "sdk/dsp_preset.h"

namespace {

constexpr GUID kOtherGuid = {0xb51fbad2, 0x8ba9, 0x4427, {0xbb, 0xd6, 0x5b, 0x03, 0xa3, 0xf5, 0xc3, 0xc1}};

// The default record, word by word, as the preset documents it.
const uint32_t kDefaultWords[28] = {2, 0, 1, 100, 0, 10, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0, 0, 0, 0, 0, 0, 120, 1, 1};

std::vector<uint8_t> LittleEndian(const uint32_t* words, size_t count) {
    std::vector<uint8_t> b;
    for (size_t i = 0; i < count; ++i)
        for (int k = 0; k < 4; ++k) b.push_back(uint8_t(words[i] >> (8 * k)));
    return b;
}

dsp_preset_impl MakePreset(const uint32_t* words, size_t count, const GUID& owner = HALVANE_GUID) {
    dsp_preset_impl p;
    p.set_owner(owner);
    std::vector<uint8_t> b = LittleEndian(words, count);
    p.set_data(b.data(), b.size());
    return p;
}

// Reads a default blob with word `word` replaced by `value`; returns that word of the result.
uint32_t ReadWord(int word, uint32_t value) {
    uint32_t w[28];
    std::memcpy(w, kDefaultWords, sizeof(w));
    w[word] = value;
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    EXPECT_TRUE(params.set_data(MakePreset(w, 28)));
    return HVConfigWord(params.m_config, word);
}

uint32_t U(int32_t v) { return static_cast<uint32_t>(v); }

}  // namespace

TEST(PresetFormat, DefaultPresetIsTheDocumentedBytes) {
    dsp_preset_impl p;
    t_dsp_halvane_params::g_default().get_data(p);
    EXPECT_EQ(p.get_owner(), HALVANE_GUID);
    ASSERT_EQ(p.get_data_size(), 112u);
    std::vector<uint8_t> expected = LittleEndian(kDefaultWords, 28);
    EXPECT_EQ(0, std::memcmp(p.get_data(), expected.data(), 112));

    // Read back into a record that differs everywhere: every word but word 10 returns.
    t_dsp_halvane_params other(0, 5, 0, 50, 20, 30, 1, 1, 0, 0, 77, 1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5, -6, 1,
                               1, 80, 0, 0);
    ASSERT_TRUE(other.set_data(p));
    for (int i = 0; i < 28; ++i)  // the reserved word 10 is never read
        EXPECT_EQ(HVConfigWord(other.m_config, i), i == 10 ? 77u : kDefaultWords[i]) << "word " << i;
}

TEST(PresetFormat, RejectsWrongSizeOrOwnerWithoutTouchingTheRecord) {
    const t_dsp_halvane_params before(4, -3, 0, 40, 5, 50, 1, 1, 0, 1, 9, 10, 20, 30, 40, 50, 60, 1, 2, 3, 4, 5,
                                      6, 1, 0, 150, 0, 1);
    const std::vector<uint8_t> bytes(116, 0);
    const GUID ours = HALVANE_GUID;
    for (auto [owner, size] : {std::pair{ours, 0}, {ours, 4}, {ours, 108}, {ours, 111}, {ours, 113}, {ours, 116},
                               {kOtherGuid, 112}}) {
        dsp_preset_impl p;
        p.set_owner(owner);
        p.set_data(bytes.data(), size_t(size));
        t_dsp_halvane_params params = before;
        EXPECT_FALSE(params.set_data(p)) << size << " bytes";
        EXPECT_EQ(0, std::memcmp(&params.m_config, &before.m_config, 112)) << size << " bytes";
    }
}

// Every edge case of the reading rules: the word, the value stored in the blob and the value
// the record must hold afterwards.
TEST(PresetFormat, RepairRulesPerWord) {
    const uint32_t cases[][3] = {
        // mode: unsigned, above 4 -> 2
        {0, 0, 0}, {0, 4, 4}, {0, 5, 2}, {0, U(-1), 2},
        // master gain: signed clamp to -6..6
        {1, 6, 6}, {1, 9, 6}, {1, U(-6), U(-6)}, {1, U(-9), U(-6)}, {1, 0x7fffffff, 6}, {1, 0x80000000, U(-6)},
        // active flavour: above 1 -> 1 (music)
        {2, 0, 0}, {2, 2, 1}, {2, U(-1), 1},
        // centre weight: 100 and above -> 100; -5 is a huge unsigned number -> 100, not 0
        {3, 0, 0}, {3, 99, 99}, {3, 100, 100}, {3, 101, 100}, {3, U(-5), 100},
        // surround delays: capped at 100; the movie one then 10 and below -> 10
        {4, 0, 0}, {4, 99, 99}, {4, 150, 100}, {4, U(-1), 100},
        {5, 0, 10}, {5, 10, 10}, {5, 11, 11}, {5, 100, 100}, {5, 150, 100}, {5, U(-1), 100},
        // flags; headphone flavour above 1 -> 0 (music)
        {6, 7, 1}, {6, 0, 0}, {8, 0, 0}, {8, 2, 1}, {9, 0, 0}, {9, U(-1), 1}, {7, 1, 1}, {7, 2, 0}, {7, U(-1), 0},
        // room delays
        {11, 99, 99}, {12, 100, 100}, {13, 250, 100}, {14, U(-1), 100}, {15, 0, 0}, {16, 101, 100},
        // trims: signed clamp to -12..12
        {17, 13, 12}, {18, U(-40), U(-12)}, {19, 12, 12}, {20, U(-12), U(-12)}, {21, 5, 5}, {22, U(-13), U(-12)},
        // redirection, inversion
        {23, 7, 1}, {24, 0x80000000, 1},
        // cutoff: above 200 -> 120 (not 200), then below 20 -> 20
        {25, 200, 200}, {25, 201, 120}, {25, U(-1), 120}, {25, 19, 20}, {25, 0, 20}, {25, 20, 20},
        // kernel choices
        {26, 0, 0}, {26, 3, 1}, {27, 0, 0}, {27, 9, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadWord(int(c[0]), c[1]), c[2]) << "word " << c[0] << " stored " << c[1];
}

// Reading then writing gives the blob back byte for byte, except the reserved word (the
// record's own is written); writing applies no rule, even to values the reader would repair.
TEST(PresetFormat, WritingStoresTheRecordAsItIs) {
    const uint32_t w[28] = {1, U(-4), 0, 37, 12, 45, 1, 1, 0, 1, 0x12345678, 1, 2, 3, 4, 5, 99,
                            U(-12), 12, 0, U(-1), 7, 3, 1, 1, 77, 0, 1};
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    ASSERT_TRUE(params.set_data(MakePreset(w, 28)));
    dsp_preset_impl out;
    out.set_owner(kOtherGuid);
    params.get_data(out);
    EXPECT_EQ(out.get_owner(), HALVANE_GUID);
    std::vector<uint8_t> expected = LittleEndian(w, 28);
    std::fill(expected.begin() + 40, expected.begin() + 44, 0);
    ASSERT_EQ(out.get_data_size(), 112u);
    EXPECT_EQ(0, std::memcmp(out.get_data(), expected.data(), 112));

    const t_dsp_halvane_params odd(9, 40, 3, 500, 500, 0, 7, 5, 9, 9, 0xabcdef01, 200, 0, 0, 0, 0, 0, -50, 0, 0,
                                   0, 0, 0, 2, 3, 5000, 4, 5);
    odd.get_data(out);
    const uint32_t oddWords[28] = {9, 40, 3, 500, 500, 0, 7, 5, 9, 9, 0xabcdef01, 200, 0, 0, 0, 0, 0, U(-50), 0,
                                   0, 0, 0, 0, 2, 3, 5000, 4, 5};
    ASSERT_EQ(out.get_data_size(), 112u);
    EXPECT_EQ(0, std::memcmp(out.get_data(), LittleEndian(oddWords, 28).data(), 112));
}

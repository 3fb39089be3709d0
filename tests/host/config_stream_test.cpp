// The module configuration stream: records of (GUID, u32 LE length, data), read until the
// stream ends or a record is cut short.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "host/cfg_halvane_tab.h"
#include "sdk/component_client.h"

namespace {

constexpr GUID kWideGuid = {0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb}};
cfg_int_t<int64_t> cfg_wide(kWideGuid, -1);

void Guid(std::vector<uint8_t>& s, const GUID& g) {
    uint8_t b[16];
    GuidToBytes(g, b);
    s.insert(s.end(), b, b + 16);
}
void U32(std::vector<uint8_t>& s, uint32_t v) {
    for (int k = 0; k < 4; ++k) s.push_back(uint8_t(v >> (8 * k)));
}
void Record(std::vector<uint8_t>& s, const GUID& g, std::vector<uint8_t> data) {
    Guid(s, g);
    U32(s, uint32_t(data.size()));
    s.insert(s.end(), data.begin(), data.end());
}

void Read(const std::vector<uint8_t>& s) {
    foobar2000_client_impl client;
    stream_reader_memblock_ref r(s.data(), s.size());
    abort_callback_dummy noabort;
    client.set_config(&r, noabort);
}

class ConfigStream : public ::testing::Test {
protected:
    void SetUp() override {
        cfg_halvane_tab = 0;
        cfg_wide = -1;
    }
};

}  // namespace

TEST_F(ConfigStream, WritesOneRecordPerVariableAndReadsThemBack) {
    cfg_halvane_tab = 3;
    cfg_wide = 0x0102030405060708;
    foobar2000_client_impl client;
    stream_writer_buffer w;
    abort_callback_dummy noabort;
    client.get_config(&w, noabort);

    // Golden bytes of the tab record: GUID as 16 LE-field bytes, length 4, value 3.
    const uint8_t tabRecord[24] = {0xa5, 0x75, 0x56, 0x02, 0x89, 0x39, 0xe8, 0x48, 0x89, 0x59, 0xf2, 0xfb,
                                   0x26, 0x3a, 0xf5, 0x1a, 4, 0, 0, 0, 3, 0, 0, 0};
    const std::vector<uint8_t>& s = w.get_buffer();
    ASSERT_EQ(s.size(), 24u + 28u);
    bool found = false;
    for (size_t at : {size_t(0), size_t(28)})
        if (std::equal(tabRecord, tabRecord + 24, s.begin() + std::ptrdiff_t(at))) found = true;
    EXPECT_TRUE(found);

    cfg_halvane_tab = 0;
    cfg_wide = 0;
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 3);
    EXPECT_EQ(cfg_wide.get_value(), 0x0102030405060708);
}

TEST_F(ConfigStream, ShortOrLongRecordsOfAKnownVariable) {
    // Too short to hold the value: the value stays, the following records are still read.
    std::vector<uint8_t> s;
    Record(s, c_halvane_tab, {9, 9});
    Record(s, kWideGuid, {1, 0, 0, 0, 0, 0, 0, 0});
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 0);
    EXPECT_EQ(cfg_wide.get_value(), 1);

    // Longer than the value: the value is read and the rest of the record skipped.
    s.clear();
    Record(s, c_halvane_tab, {2, 0, 0, 0, 0xff, 0xff, 0xff, 0xff});
    Record(s, kWideGuid, {2, 0, 0, 0, 0, 0, 0, 0});
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 2);
    EXPECT_EQ(cfg_wide.get_value(), 2);
}

TEST_F(ConfigStream, RecordClaimingMoreThanRemainsIsNotApplied) {
    for (uint32_t claimed : {5u, 8u, 1000u, 0x7fffffffu, 0xffffffffu}) {
        cfg_halvane_tab = 1;
        std::vector<uint8_t> s;
        Guid(s, c_halvane_tab);
        U32(s, claimed);
        U32(s, 4);  // four bytes that look like a value
        Read(s);
        EXPECT_EQ(cfg_halvane_tab.get_value(), 1) << "claimed " << claimed;
    }
}

TEST_F(ConfigStream, GarbageNeverCrashes) {
    std::minstd_rand rng(3141592653u);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> s(rng() % 200);
        for (uint8_t& b : s) b = uint8_t(rng());
        if (round % 3 == 0 && s.size() >= 20) {
            // Aim some garbage at our own variable, with a random length.
            uint8_t g[16];
            GuidToBytes(c_halvane_tab, g);
            std::copy(g, g + 16, s.begin());
        }
        Read(s);
    }
    SUCCEED();
}

TEST(HalvaneTab, OutOfRangeStoredTabOpensTheFirstTab) {
    for (int stored : {0, 3, 5}) {
        cfg_halvane_tab = stored;
        EXPECT_EQ(halvane_tab_to_open(), stored);
    }
    for (int stored : {-1, 6, 1000, INT32_MIN}) {
        cfg_halvane_tab = stored;
        EXPECT_EQ(halvane_tab_to_open(), 0) << stored;
    }
    cfg_halvane_tab = 0;
}

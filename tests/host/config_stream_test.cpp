// The module configuration stream: records of (GUID, u32 LE length, data), read until the
// stream ends or a record is cut short. Truncated and garbage streams are run through the
// loaded module in module_load_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "host/cfg_halvane_tab.h"
#include "sdk/component_client.h"

namespace {

constexpr GUID kWideGuid = {0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb}};
cfg_int_t<int64_t> cfg_wide(kWideGuid, -1);

void Record(std::vector<uint8_t>& s, const GUID& g, std::vector<uint8_t> data) {
    uint8_t b[16];
    GuidToBytes(g, b);
    s.insert(s.end(), b, b + 16);
    for (int k = 0; k < 4; ++k) s.push_back(uint8_t(data.size() >> (8 * k)));
    s.insert(s.end(), data.begin(), data.end());
}

void Read(const std::vector<uint8_t>& s) {
    foobar2000_client_impl client;
    stream_reader_memblock_ref r(s.data(), s.size());
    abort_callback_dummy noabort;
    client.set_config(&r, noabort);
}

}  // namespace

TEST(ConfigStream, WritesOneRecordPerVariableAndReadsThemBack) {
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
    EXPECT_TRUE(std::equal(tabRecord, tabRecord + 24, s.begin()) ||
                std::equal(tabRecord, tabRecord + 24, s.begin() + 28));

    cfg_halvane_tab = 0;
    cfg_wide = 0;
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 3);
    EXPECT_EQ(cfg_wide.get_value(), 0x0102030405060708);
}

TEST(ConfigStream, ShortOrLongRecordsOfAKnownVariable) {
    // Too short to hold the value: the value stays, the following record is still read.
    cfg_halvane_tab = 0;
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
    cfg_halvane_tab = 0;
}

TEST(HalvaneTab, OutOfRangeStoredTabOpensTheFirstTab) {
    for (auto [stored, opened] : {std::pair{0, 0}, {3, 3}, {5, 5}, {-1, 0}, {6, 0}, {1000, 0}, {INT32_MIN, 0}}) {
        cfg_halvane_tab = stored;
        EXPECT_EQ(halvane_tab_to_open(), opened) << stored;
    }
    cfg_halvane_tab = 0;
}

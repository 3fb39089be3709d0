// The module configuration stream: records of (GUID, u32 LE length, data), read until the
// stream ends or a record is cut short. Truncated and garbage streams are run through the
// loaded module in module_load_test.cpp; the dialog tests open a stored tab outside 0..5.
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

// Every variable writes one record and reads it back (the tab record's bytes are checked
// end to end in tests/app). A record too short for the value leaves the value alone; a longer
// one gives its value and the rest is skipped; the following record is read either way.
TEST(ConfigStream, RecordsRoundTripAndWrongLengthsAreSkipped) {
    cfg_halvane_tab = 3;
    cfg_wide = 0x0102030405060708;
    foobar2000_client_impl client;
    stream_writer_buffer w;
    abort_callback_dummy noabort;
    client.get_config(&w, noabort);
    EXPECT_EQ(w.get_buffer().size(), 24u + 28u);
    cfg_halvane_tab = 0;
    cfg_wide = 0;
    Read(w.get_buffer());
    EXPECT_EQ(cfg_halvane_tab.get_value(), 3);
    EXPECT_EQ(cfg_wide.get_value(), 0x0102030405060708);

    std::vector<uint8_t> s;
    Record(s, c_halvane_tab, {9, 9});
    Record(s, kWideGuid, {1, 0, 0, 0, 0, 0, 0, 0});
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 3);
    EXPECT_EQ(cfg_wide.get_value(), 1);
    s.clear();
    Record(s, c_halvane_tab, {2, 0, 0, 0, 0xff, 0xff, 0xff, 0xff});
    Record(s, kWideGuid, {2, 0, 0, 0, 0, 0, 0, 0});
    Read(s);
    EXPECT_EQ(cfg_halvane_tab.get_value(), 2);
    EXPECT_EQ(cfg_wide.get_value(), 2);
    cfg_halvane_tab = 0;
}

// Fuzz target: the module's configuration stream (foobar2000_client::set_config). Any bytes,
// often shaped as records: a GUID (the tab variable's or another), a byte count (right,
// short, long or huge) and data.
//
// Checked against a model of the record format written out here: the tab variable ends up
// with the value of the last complete record for it that carried at least 4 bytes, or keeps
// its value; reading never runs past the stream; and what get_config writes reads back to
// the same value and the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/cfg_halvane_tab.h"
#include "sdk/component_client.h"
#include "tests/fuzz/FuzzBytes.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

namespace {

constexpr int32_t kSentinel = 0x5A5A5A5A;

void Fail(const char* what, int32_t got, int32_t want) {
    std::fprintf(stderr, "config_stream_fuzz: %s (got %d, want %d)\n", what, got, want);
    std::abort();
}

// The tab value after reading `s`, starting from `value`.
int32_t Model(const std::vector<uint8_t>& s, int32_t value) {
    uint8_t tabGuid[16];
    GuidToBytes(c_halvane_tab, tabGuid);
    size_t pos = 0;
    while (s.size() - pos >= 20) {
        const uint8_t* rec = &s[pos];
        const uint32_t count = uint32_t(rec[16]) | uint32_t(rec[17]) << 8 | uint32_t(rec[18]) << 16 |
                               uint32_t(rec[19]) << 24;
        if (s.size() - pos - 20 < count) break;  // record cut short: reading stops
        if (!std::memcmp(rec, tabGuid, 16) && count >= 4)
            value = int32_t(uint32_t(rec[20]) | uint32_t(rec[21]) << 8 | uint32_t(rec[22]) << 16 |
                            uint32_t(rec[23]) << 24);
        pos += 20 + size_t(count);
    }
    return value;
}

std::vector<uint8_t> Write(foobar2000_client* client) {
    stream_writer_buffer out;
    abort_callback_dummy noabort;
    client->get_config(&out, noabort);
    return out.m_buffer;
}

void Read(foobar2000_client* client, const std::vector<uint8_t>& bytes) {
    // An exact-size heap copy, so a read past the end is caught.
    std::vector<uint8_t> exact(bytes);
    stream_reader_memblock_ref reader(exact.empty() ? nullptr : exact.data(), exact.size());
    abort_callback_dummy noabort;
    client->set_config(&reader, noabort);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    foobar2000_client* client = foobar2000_get_interface(nullptr, nullptr);
    std::vector<uint8_t> stream;
    uint8_t tabGuid[16];
    GuidToBytes(c_halvane_tab, tabGuid);
    while (in.Left()) {
        const uint8_t kind = in.Byte();
        if (kind % 3 == 0) {  // raw bytes
            const size_t n = 1 + in.Byte() % 48;
            for (size_t i = 0; i < n; ++i) stream.push_back(in.Byte());
            continue;
        }
        uint8_t guid[16];
        if (kind % 3 == 1) std::memcpy(guid, tabGuid, 16);
        else in.Bytes(guid, 16);
        const uint8_t countSel = in.Byte();
        const uint32_t payload = in.Byte() % 12;
        uint32_t count = payload;
        if (countSel % 5 == 1) count = payload + 1 + in.Byte();       // claims more than follows
        if (countSel % 5 == 2) count = in.U32();                       // anything
        if (countSel % 5 == 3) count = 0xFFFFFFF0u + in.Byte() % 16;   // near the top
        stream.insert(stream.end(), guid, guid + 16);
        for (int b = 0; b < 4; ++b) stream.push_back(uint8_t(count >> (8 * b)));
        for (uint32_t i = 0; i < payload; ++i) stream.push_back(in.Byte());
        if (countSel % 7 == 6) stream.resize(stream.size() - in.Byte() % (stream.size() + 1));  // cut anywhere
    }

    cfg_halvane_tab = kSentinel;
    Read(client, stream);
    const int32_t want = Model(stream, kSentinel);
    if (cfg_halvane_tab.get_value() != want) Fail("tab value", cfg_halvane_tab.get_value(), want);
    const int open = halvane_tab_to_open();
    if (open < 0 || open >= kHalvaneTabCount) Fail("tab to open out of range", open, 0);

    // Round trip of what the module writes.
    const std::vector<uint8_t> saved = Write(client);
    cfg_halvane_tab = 0;
    Read(client, saved);
    if (cfg_halvane_tab.get_value() != want) Fail("round trip value", cfg_halvane_tab.get_value(), want);
    if (Write(client) != saved) Fail("round trip bytes", 0, 0);
    return 0;
}

// Fuzz target: the module's configuration stream (foobar2000_client::set_config). Any bytes,
// often shaped as records: a GUID (the tab variable's or another), a byte count (right,
// short, long or huge) and data.
//
// Checked against a model of the record format written out here: the tab variable ends up
// with the value of the last complete record for it that carried at least 4 bytes, or keeps
// its value; reading never runs past the stream; and what get_config writes reads back to
// the same value and the same bytes.
#include <cstring>
#include <vector>

#include "host/cfg_halvane_tab.h"
#include "tests/fuzz/FuzzBytes.h"
#include "host/driver/ModuleServices.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The tab value after reading `s` (records of GUID, 32-bit count, data), starting from `value`.
int32_t Model(const std::vector<uint8_t>& s, const uint8_t (&tabGuid)[16], int32_t value) {
    for (size_t pos = 0; s.size() - pos >= 20;) {
        const uint32_t count = Le32(&s[pos + 16]);
        if (s.size() - pos - 20 < count) break;  // record cut short: reading stops
        if (!std::memcmp(&s[pos], tabGuid, 16) && count >= 4) value = int32_t(Le32(&s[pos + 20]));
        pos += 20 + size_t(count);
    }
    return value;
}

std::vector<uint8_t> Write() {
    stream_writer_buffer out;
    abort_callback_dummy noabort;
    ModuleClient()->get_config(&out, noabort);
    return out.m_buffer;
}

void Read(std::vector<uint8_t> exact) {  // an exact-size heap copy, so a read past the end is caught
    stream_reader_memblock_ref reader(exact.empty() ? nullptr : exact.data(), exact.size());
    abort_callback_dummy noabort;
    ModuleClient()->set_config(&reader, noabort);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    uint8_t tabGuid[16];
    GuidToBytes(c_halvane_tab, tabGuid);
    std::vector<uint8_t> stream;
    while (in.Left()) {
        const uint8_t kind = in.Byte() % 3;
        if (kind == 0) {  // raw bytes
            for (size_t n = 1 + in.Byte() % 48; n; --n) stream.push_back(in.Byte());
            continue;
        }
        uint8_t guid[16];
        if (kind == 1) std::memcpy(guid, tabGuid, 16);
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
        if (countSel % 7 == 6) stream.resize(stream.size() - in.Byte() % (stream.size() + 1));  // cut short
    }

    constexpr int32_t kSentinel = 0x5A5A5A5A;
    cfg_halvane_tab = kSentinel;
    Read(stream);
    const int32_t want = Model(stream, tabGuid, kSentinel);
    FuzzCheck(cfg_halvane_tab.get_value() == want, "tab value", cfg_halvane_tab.get_value(), want);
    const int open = halvane_tab_to_open();
    FuzzCheck(open >= 0 && open < kHalvaneTabCount, "tab to open out of range", open);

    // Round trip of what the module writes.
    const std::vector<uint8_t> saved = Write();
    cfg_halvane_tab = 0;
    Read(saved);
    FuzzCheck(cfg_halvane_tab.get_value() == want, "round trip value", cfg_halvane_tab.get_value(), want);
    FuzzCheck(Write() == saved, "round trip bytes");
    return 0;
}

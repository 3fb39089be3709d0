// Fuzz target: reading presets. Any owner, any size, any bytes, read into a default record
// and into a record of arbitrary words, and handed to the DSP entry's instantiate.
//
// Checked: a preset is accepted exactly when it is owned by HALVANE_GUID and holds 112
// bytes; a rejected preset leaves the record as it was; an accepted one leaves every word
// in its range (ranges written out here, apart from the reader) and the reserved word as it
// was; reading is idempotent (what was read, written and read again, is the same record);
// and instantiate creates an instance exactly for this DSP's own presets.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/dsp_halvane_params.h"
#include "sdk/component_client.h"
#include "sdk/service_enum.h"
#include "tests/fuzz/FuzzBytes.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

namespace {

void Fail(const char* what, int word) {
    std::fprintf(stderr, "preset_fuzz: %s (word %d)\n", what, word);
    std::abort();
}

// Inclusive ranges of every word after reading, signed where the field is signed.
struct Range {
    int64_t lo, hi;
};
constexpr Range kRanges[kHVConfigWords] = {
    {0, 4}, {-6, 6}, {0, 1}, {0, 100}, {0, 100}, {10, 100},  // mode .. movie surround delay
    {0, 1}, {0, 1}, {0, 1}, {0, 1},                            // shelf, headphone flavour, decode x2
    {0, 0},                                                    // reserved (checked apart)
    {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100},        // delays
    {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12}, {-12, 12},  // trims
    {0, 1}, {0, 1}, {20, 200}, {0, 1}, {0, 1}};                // redirect, invert, cutoff, SSE2, GPU

void CheckRead(const t_dsp_halvane_params& before, const t_dsp_halvane_params& after, bool accepted) {
    if (!accepted) {
        if (std::memcmp(&before.m_config, &after.m_config, sizeof(HVLIB_CONFIG)))
            Fail("rejected preset changed the record", -1);
        return;
    }
    for (int w = 0; w < kHVConfigWords; ++w) {
        const uint32_t raw = HVConfigWord(after.m_config, w);
        if (w == 10) {
            if (raw != HVConfigWord(before.m_config, 10)) Fail("reserved word read from the blob", w);
            continue;
        }
        const int64_t v = HVConfigWordIsSigned(w) ? int64_t(int32_t(raw)) : int64_t(raw);
        if (v < kRanges[w].lo || v > kRanges[w].hi) Fail("word out of range", w);
    }
}

dsp_entry_v2& Entry() {
    static service_ptr_t<dsp_entry_v2> entry = [] {
        service_ptr_t<dsp_entry_v2> e;
        if (!find_dsp_entry(foobar2000_get_interface(nullptr, nullptr)->get_service_list(), HALVANE_GUID, e))
            std::abort();
        return e;
    }();
    return *entry.get_ptr();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    // Owner: this DSP's GUID, the same with one byte changed, or 16 bytes of input.
    GUID owner = HALVANE_GUID;
    const uint8_t ownerSel = in.Byte();
    if (ownerSel % 4 == 1) reinterpret_cast<uint8_t*>(&owner)[in.Byte() % 16] ^= uint8_t(1 + in.Byte() % 255);
    if (ownerSel % 4 == 2) in.Bytes(&owner, sizeof owner);
    // Size: usually the real one, else whatever the rest of the input is.
    const uint8_t sizeSel = in.Byte();
    std::vector<uint8_t> blob;
    if (sizeSel % 4) {
        blob.resize(112);
        in.Bytes(blob.data(), 112);
    } else {
        size_t n = 0;
        const uint8_t* rest = in.Rest(&n);
        blob.assign(rest, rest + n);
    }
    dsp_preset_impl preset;
    preset.set_owner(owner);
    preset.set_data(blob.empty() ? nullptr : blob.data(), blob.size());
    const bool ours = owner == HALVANE_GUID && blob.size() == 112;

    // Into the default record and into a record of arbitrary words (the words of the blob
    // itself, so unrepaired values are in it).
    t_dsp_halvane_params arbitrary = t_dsp_halvane_params::g_default();
    for (int w = 0; w < kHVConfigWords && size_t(4 * w + 4) <= blob.size(); ++w) {
        uint32_t v;
        std::memcpy(&v, &blob[4 * w], 4);
        HVSetConfigWord(arbitrary.m_config, w, ~v);
    }
    for (const t_dsp_halvane_params& start : {t_dsp_halvane_params::g_default(), arbitrary}) {
        t_dsp_halvane_params p = start;
        const bool accepted = p.set_data(preset);
        if (accepted != ours) Fail("acceptance differs from owner and size", -1);
        CheckRead(start, p, accepted);
        if (!accepted) continue;
        dsp_preset_impl again;
        p.get_data(again);
        if (again.get_owner() != HALVANE_GUID || again.get_data_size() != 112) Fail("written preset malformed", -1);
        t_dsp_halvane_params q = p;
        if (!q.set_data(again) || std::memcmp(&p.m_config, &q.m_config, sizeof(HVLIB_CONFIG)))
            Fail("reading is not idempotent", -1);
    }

    service_ptr_t<dsp> instance;
    const bool created = Entry().instantiate(instance, preset);
    if (created != (owner == HALVANE_GUID) || created != instance.is_valid()) Fail("instantiate", -1);
    return 0;
}

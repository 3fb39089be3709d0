// Fuzz target: reading presets. Any owner, any size, any bytes, read into a default record
// and into a record of arbitrary words, and handed to the DSP entry's instantiate.
//
// Checked: a preset is accepted exactly when it is owned by HALVANE_GUID and holds 112
// bytes; a rejected preset leaves the record as it was; an accepted one leaves every word
// in its range and the reserved word as it was; reading is idempotent (what was read,
// written and read again, is the same record); and instantiate creates an instance exactly
// for this DSP's own presets.
#include <cstring>
#include <vector>

#include "tests/fuzz/FuzzBytes.h"
#include "host/driver/ModuleServices.h"
#include "tests/fuzz/WordRanges.h"

namespace {

bool SameRecord(const t_dsp_halvane_params& a, const t_dsp_halvane_params& b) {
    return !std::memcmp(&a.m_config, &b.m_config, sizeof(HVLIB_CONFIG));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    // Owner: this DSP's GUID, the same with one byte changed, or 16 bytes of input.
    GUID owner = HALVANE_GUID;
    const uint8_t ownerSel = in.Byte() % 4;
    if (ownerSel == 1) reinterpret_cast<uint8_t*>(&owner)[in.Byte() % 16] ^= uint8_t(1 + in.Byte() % 255);
    if (ownerSel == 2) in.Bytes(&owner, sizeof owner);
    // Size: usually the real one, else whatever the rest of the input is.
    std::vector<uint8_t> blob(in.Byte() % 4 ? 112 : in.Left());
    in.Bytes(blob.data(), blob.size());
    dsp_preset_impl preset;
    preset.set_owner(owner);
    preset.set_data(blob.empty() ? nullptr : blob.data(), blob.size());
    const bool ours = owner == HALVANE_GUID && blob.size() == 112;

    // Into the default record and into a record of arbitrary words (the blob's own words
    // inverted, so unrepaired values are in it).
    t_dsp_halvane_params arbitrary = t_dsp_halvane_params::g_default();
    for (int w = 0; w < kHVConfigWords && size_t(4 * w + 4) <= blob.size(); ++w) {
        uint32_t v;
        std::memcpy(&v, &blob[4 * w], 4);
        HVSetConfigWord(arbitrary.m_config, w, ~v);
    }
    for (const t_dsp_halvane_params& start : {t_dsp_halvane_params::g_default(), arbitrary}) {
        t_dsp_halvane_params p = start;
        const bool accepted = p.set_data(preset);
        FuzzCheck(accepted == ours, "acceptance differs from owner and size", accepted);
        if (!accepted) {
            FuzzCheck(SameRecord(p, start), "rejected preset changed the record");
            continue;
        }
        for (int w = 0; w < kHVConfigWords; ++w) {
            const uint32_t raw = HVConfigWord(p.m_config, w);
            const int64_t v = HVConfigWordIsSigned(w) ? int64_t(int32_t(raw)) : int64_t(raw);
            if (w == kReservedWord) FuzzCheck(raw == HVConfigWord(start.m_config, w), "reserved word read");
            else FuzzCheck(v >= kWordRanges[w].lo && v <= kWordRanges[w].hi, "word out of range", w, v);
        }
        dsp_preset_impl again;
        p.get_data(again);
        FuzzCheck(again.get_owner() == HALVANE_GUID && again.get_data_size() == 112, "written preset");
        t_dsp_halvane_params q = p;
        FuzzCheck(q.set_data(again) && SameRecord(p, q), "reading is not idempotent");
    }

    service_ptr_t<dsp> instance;
    const bool created = ModuleDspEntry().instantiate(instance, preset);
    FuzzCheck(created == (owner == HALVANE_GUID) && created == instance.is_valid(), "instantiate", created);
    return 0;
}

// A stand-in DSP for the player tests whose effect is easy to see: every sample is multiplied
// by the preset's word 0, and word 1, when non-zero, sets the output channel count (the first
// input channel is copied into the extra ones). It counts flushes and ends of playback.
#pragma once

#include <atomic>
#include <cstring>
#include <vector>

#include "sdk/dsp.h"
#include "sdk/dsp_entry.h"

namespace hv_player_test {

inline constexpr GUID kFakeGuid = {0x0badf00d, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
inline std::atomic<int> g_fakeFlushes{0}, g_fakeEndOfPlayback{0};

inline dsp_preset_impl FakePreset(uint32_t scale, uint32_t outChannels) {
    dsp_preset_impl p;
    p.set_owner(kFakeGuid);
    const uint32_t words[2] = {scale, outChannels};
    p.set_data(words, sizeof words);
    return p;
}

class FakeDsp : public dsp_impl_base_t<dsp_v2> {
public:
    explicit FakeDsp(const dsp_preset& p) {  // the entry takes only 8-byte presets
        uint32_t words[2];
        std::memcpy(words, p.get_data(), sizeof words);
        scale_ = float(words[0]);
        out_ = words[1];
    }
    void flush() override { ++g_fakeFlushes; }
    double get_latency() override { return 0; }
    bool need_track_change_mark() override { return false; }
    void on_endoftrack(abort_callback&) override {}
    void on_endofplayback(abort_callback&) override { ++g_fakeEndOfPlayback; }
    bool on_chunk(audio_chunk* c, abort_callback&) override {
        const unsigned in = c->get_channels(), out = out_ ? out_ : in;
        const size_t frames = c->get_sample_count();
        std::vector<float> result(frames * out);
        for (size_t f = 0; f < frames; ++f)
            for (unsigned ch = 0; ch < out; ++ch)
                result[f * out + ch] = scale_ * c->get_data()[f * in + (ch < in ? ch : 0)];
        c->set_data(result.data(), frames, out, c->get_srate(), out == 6 ? 63 : 3);
        return true;
    }

private:
    float scale_ = 1;
    unsigned out_ = 0;
};

class FakeEntry : public dsp_entry_v2 {
public:
    void get_name(pfc::string_base& out) override { out.set_string("fake"); }
    bool get_default_preset(dsp_preset& out) override {
        out = FakePreset(1, 0);
        return true;
    }
    bool instantiate(service_ptr_t<dsp>& out, const dsp_preset& p) override {
        if (p.get_owner() != kFakeGuid || p.get_data_size() != 8) return false;
        out = static_cast<dsp*>(new service_impl_t<FakeDsp>(p));
        return true;
    }
    GUID get_guid() override { return kFakeGuid; }
    bool have_config_popup() override { return false; }
    void show_config_popup_v2(const dsp_preset&, fb2k_hwnd, dsp_preset_edit_callback&) override {}
};

}  // namespace hv_player_test

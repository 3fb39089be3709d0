// Shared set-up for the dialog tests: presets built from records, a callback that keeps
// every published preset, and a clean slate of engine words, capabilities and the tab.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "dialog/ConfigDlg.h"
#include "engine/HVConfig.h"
#include "dialog/EngineStatus.h"
#include "host/halvane_engine.h"

namespace hv_dialog_test {

using Bytes = std::vector<uint8_t>;

// The 112-byte blob of a record: word n little-endian at bytes 4n..4n+3.
inline Bytes BlobOf(const HVLIB_CONFIG& c) {
    Bytes b(4 * kHVConfigWords);
    for (int w = 0; w < kHVConfigWords; ++w)
        for (int i = 0; i < 4; ++i) b[4 * w + i] = static_cast<uint8_t>(HVConfigWord(c, w) >> (8 * i));
    return b;
}

inline int32_t WordOf(const Bytes& b, int w) {
    return int32_t(uint32_t(b[4 * w]) | uint32_t(b[4 * w + 1]) << 8 | uint32_t(b[4 * w + 2]) << 16 |
                   uint32_t(b[4 * w + 3]) << 24);
}

inline dsp_preset_impl PresetOf(const HVLIB_CONFIG& c, const GUID& owner = HALVANE_GUID) {
    dsp_preset_impl p;
    p.set_owner(owner);
    const Bytes b = BlobOf(c);
    p.set_data(b.data(), b.size());
    return p;
}

inline Bytes BytesOf(const dsp_preset& p) {
    const auto* d = static_cast<const uint8_t*>(p.get_data());
    return Bytes(d, d + p.get_data_size());
}

// Keeps every preset the dialog publishes, in order.
struct RecordingCallback : dsp_preset_edit_callback {
    void on_preset_changed(const dsp_preset& p) override {
        ownersOk = ownersOk && p.get_owner() == HALVANE_GUID;
        published.push_back(BytesOf(p));
    }
    bool ownersOk = true;
    std::vector<Bytes> published;
};

// The engine words the dialog sees in these tests (both capabilities present by default).
inline EngineStatusWords g_engine;

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_engine = EngineStatusWords{};
        g_engine.sse2 = g_engine.cuda = true;
        savedSource_ = SetEngineStatusSource([] { return g_engine; });
        foo_dsp_halvane::m_params = t_dsp_halvane_params::g_default();
        ClearSignals();
    }
    void TearDown() override {
        dlg.reset();
        SetEngineStatusSource(savedSource_);
        g_bIsPlaying = 0;
        g_dwChannels = 0;
        cfg_halvane_tab = 0;
    }

    static void ClearSignals() {
        g_bSignalReset = 0;
        g_bSignalRecalc = 0;
    }
    static void ExpectSignals(int reset, int recalc, const char* what) {
        EXPECT_EQ(g_bSignalReset.load(), reset) << what;
        EXPECT_EQ(g_bSignalRecalc.load(), recalc) << what;
    }

    // Opens a dialog on `cfg` (kept as the opening preset); every "are you sure" question is
    // recorded and answered by `answer`.
    foo_dsp_halvane::ConfigDlg& Open(const HVLIB_CONFIG& cfg) {
        opening = PresetOf(cfg);
        dlg = std::make_unique<foo_dsp_halvane::ConfigDlg>(opening, callback);
        dlg->SetQuestionBox([this](QWidget*, const QString& text, const QString& caption) {
            questions.push_back(caption + ": " + text);
            return answer;
        });
        return *dlg;
    }

    const HVLIB_CONFIG& Params() const { return foo_dsp_halvane::m_params.m_config; }
    const Bytes& LastPublished() const { return callback.published.back(); }

    dsp_preset_impl opening;
    RecordingCallback callback;
    std::unique_ptr<foo_dsp_halvane::ConfigDlg> dlg;
    bool answer = false;
    std::vector<QString> questions;

private:
    EngineStatusSource savedSource_ = nullptr;
};

}  // namespace hv_dialog_test

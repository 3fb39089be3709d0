#include "lv2/PluginInstance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace halvane::lv2 {
namespace {

// Infinity and NaN have every exponent bit set. Tested on the bits, these loops vectorise
// (a float sum could not be reordered, and std::isfinite branches).
inline bool NonFinite(uint32_t bits) { return (bits & 0x7f800000u) == 0x7f800000u; }

// Copies n samples, non-finite ones as 0; returns whether there were any.
bool CopyFinite(const float* src, float* dst, uint32_t n) {
    uint32_t any = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t b;
        std::memcpy(&b, &src[i], 4);
        const uint32_t bad = NonFinite(b) ? 0xffffffffu : 0u;
        any |= bad;
        b &= ~bad;
        std::memcpy(&dst[i], &b, 4);
    }
    return any != 0;
}

bool AnyNonFinite(const float* x, uint32_t n) {
    uint32_t any = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t b;
        std::memcpy(&b, &x[i], 4);
        any |= NonFinite(b) ? 1u : 0u;
    }
    return any != 0;
}

float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

float ClampFloat(float v, float lo, float hi, float def) {
    if (!std::isfinite(v)) return std::isnan(v) ? def : (v > 0 ? hi : lo);
    return std::min(hi, std::max(lo, v));
}

// Ramps of 10 ms: long enough that a gain step or a bypass switch does not click.
constexpr double kRampSeconds = 0.010;

}  // namespace

// ---- Integration points with the engine ---------------------------------------------

// Headphone block size for low-latency rendering. The engine renders 8192-frame blocks
// today; once it takes other sizes this hands `blockFrames` over (SetHeadphoneBlock).
void ApplyHeadphoneBlock(Engine& engine, uint32_t blockFrames) {
    (void)engine;
    (void)blockFrames;
}

bool EngineServesRate(const PluginSpec& spec, const Engine& engine) {
    // A headphone engine that cannot render at its rate passes the input through without
    // collecting blocks, so it reports no latency; every other mode runs at every rate.
    if (!spec.headphone) return true;
    return engine.Latency(spec.inChannels) > 0;
}

// ---------------------------------------------------------------------------------------

int32_t ClampSetting(float value, const SettingPort& port) {
    if (std::isnan(value)) return port.def;
    if (port.type == ControlType::Toggle) return value > 0.0f ? 1 : 0;
    const float v = std::round(ClampFloat(value, float(port.min), float(port.max), float(port.def)));
    return int32_t(v);
}

std::unique_ptr<PluginInstance> PluginInstance::Create(const PluginSpec& spec, double sampleRate) {
    if (!(sampleRate >= kMinRate && sampleRate <= kMaxRate)) return nullptr;
    const uint32_t rate = uint32_t(std::lround(sampleRate));
    if (double(rate) != sampleRate) return nullptr;  // the engine runs at whole-Hz rates
    auto inst = std::make_unique<PluginInstance>(spec, rate);
    if (!EngineServesRate(spec, *inst->engine_)) return nullptr;
    return inst;
}

PluginInstance::PluginInstance(const PluginSpec& spec, uint32_t rate)
    : spec_(spec), rate_(rate), ports_(PortCount(spec), nullptr), controls_(spec.settingCount) {
    for (uint32_t i = 0; i < spec.settingCount; ++i) controls_[i] = spec.settings[i].def;
    engine_ = std::make_unique<Engine>(rate, ReadSettings());
    inScratch_.assign(size_t(kPiece) * spec.inChannels, 0.0f);
    rampFrames_ = std::max<uint32_t>(1, uint32_t(rate * kRampSeconds));
}

void PluginInstance::Connect(uint32_t port, void* data) {
    if (port < ports_.size()) ports_[port] = data;
}

// The settings record for the controls in controls_: the command line's defaults for
// every field the plugin has no port for.
HVLIB_CONFIG PluginInstance::ReadSettings() {
    HVLIB_CONFIG cfg;
    cfg.dwMode = spec_.mode;
    for (uint32_t i = 0; i < spec_.settingCount; ++i) {
        const int word = HVConfigFieldIndex(spec_.settings[i].symbol);
        HVSetConfigWord(cfg, word, uint32_t(controls_[i]));
    }
    return cfg;
}

// Reads the settings ports; a change is handed to the engine (in force from this run).
void PluginInstance::UpdateSettings() {
    bool changed = false;
    for (uint32_t i = 0; i < spec_.settingCount; ++i) {
        const float* p = static_cast<const float*>(ports_[AudioPortCount(spec_) + i]);
        const int32_t v = p ? ClampSetting(*p, spec_.settings[i]) : spec_.settings[i].def;
        if (v != controls_[i]) {
            controls_[i] = v;
            changed = true;
        }
    }
    if (changed) engine_->SetSettings(ReadSettings());

    // Output gain and bypass: new targets start a ramp from where the output stands.
    const float* g = static_cast<const float*>(ports_[OutputGainPort(spec_)]);
    const float gainTarget =
        DbToGain(g ? ClampFloat(*g, kOutputGainMin, kOutputGainMax, kOutputGainDefault) : kOutputGainDefault);
    if (gainTarget != gainTarget_) {
        gainTarget_ = gainTarget;
        gainStep_ = (gainTarget_ - gain_) / float(rampFrames_);
        gainLeft_ = rampFrames_;
    }
    const float* e = static_cast<const float*>(ports_[EnabledPort(spec_)]);
    const float wetTarget = (!e || std::isnan(*e) || *e > 0.0f) ? 1.0f : 0.0f;
    if (wetTarget != wetTarget_) {
        wetTarget_ = wetTarget;
        wetStep_ = (wetTarget_ - wet_) / float(rampFrames_);
        wetLeft_ = rampFrames_;
    }
}

void PluginInstance::Activate() {
    UpdateSettings();
    engine_->SetSettings(ReadSettings());
    uint32_t block = kBlockDefault;
    if (spec_.headphone) {
        if (const float* b = static_cast<const float*>(ports_[BlockPort(spec_)]))
            block = uint32_t(std::lround(ClampFloat(*b, float(kBlockMin), float(kBlockMax), float(kBlockDefault))));
        ApplyHeadphoneBlock(*engine_, block);
    }
    engine_->Prepare(kPiece, spec_.inChannels);
    engine_->Flush();
    latency_ = engine_->Latency(spec_.inChannels);
    for (auto& d : dry_) d.assign(std::max<uint32_t>(latency_, 1), 0.0f);
    dryPos_ = 0;
    // A fresh stream starts at its targets.
    gain_ = gainTarget_;
    gainLeft_ = 0;
    wet_ = wetTarget_;
    wetLeft_ = 0;
}

void PluginInstance::Run(uint32_t frames) {
    if (spec_.headphone)
        if (float* lat = static_cast<float*>(ports_[LatencyPort(spec_)])) *lat = float(latency_);
    for (uint32_t k = 0; k < AudioPortCount(spec_); ++k)
        if (!ports_[k]) return;  // a host that has not connected every buffer yet
    UpdateSettings();
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kPiece, frames - done);
        ProcessPiece(done, n);
        done += n;
    }
}

void PluginInstance::ProcessPiece(uint32_t done, uint32_t n) {
    const uint32_t inCh = spec_.inChannels, outCh = spec_.outChannels;
    const float* in[6];
    float* out[6];
    for (uint32_t k = 0; k < inCh; ++k) {
        const float* src = static_cast<const float*>(ports_[k]) + done;
        float* dst = inScratch_.data() + size_t(k) * kPiece;
        CopyFinite(src, dst, n);
        in[k] = dst;
    }
    for (uint32_t k = 0; k < outCh; ++k) out[k] = static_cast<float*>(ports_[inCh + k]) + done;
    engine_->Process(in, inCh, out, outCh, n);

    // Finite input can still overflow the filters (samples near FLT_MAX): such a piece is
    // silenced and the filter memories cleared, so the stream recovers.
    bool bad = false;
    for (uint32_t k = 0; k < outCh; ++k) bad |= AnyNonFinite(out[k], n);
    if (bad) {
        engine_->Flush();
        for (uint32_t k = 0; k < outCh; ++k) std::memset(out[k], 0, size_t(n) * sizeof(float));
    }
    MixOutput(done, n);
}

// Output gain and the bypass crossfade with the dry L/R (delayed like the processed sound).
void PluginInstance::MixOutput(uint32_t done, uint32_t n) {
    const uint32_t inCh = spec_.inChannels, outCh = spec_.outChannels;
    const float* dryIn[2] = {inScratch_.data(), inScratch_.data() + kPiece};
    float* out[6];
    for (uint32_t k = 0; k < outCh; ++k) out[k] = static_cast<float*>(ports_[inCh + k]) + done;

    const bool steady = gainLeft_ == 0 && wetLeft_ == 0 && wet_ == 1.0f;
    if (steady) {
        // The usual case: no ramp, processing on; the dry line still runs for a later bypass.
        if (gain_ != 1.0f)
            for (uint32_t k = 0; k < outCh; ++k)
                for (uint32_t i = 0; i < n; ++i) out[k][i] *= gain_;
        if (latency_ > 0) {
            const uint32_t len = latency_;
            for (uint32_t i = 0; i < n; ++i) {
                dry_[0][dryPos_] = dryIn[0][i];
                dry_[1][dryPos_] = dryIn[1][i];
                if (++dryPos_ == len) dryPos_ = 0;
            }
        }
        return;
    }
    for (uint32_t i = 0; i < n; ++i) {
        if (gainLeft_ && --gainLeft_ == 0) gain_ = gainTarget_; else if (gainLeft_) gain_ += gainStep_;
        if (wetLeft_ && --wetLeft_ == 0) wet_ = wetTarget_; else if (wetLeft_) wet_ += wetStep_;
        float dl = dryIn[0][i], dr = dryIn[1][i];
        if (latency_ > 0) {
            // The slot at dryPos_ holds the input of `latency_` frames ago.
            std::swap(dl, dry_[0][dryPos_]);
            std::swap(dr, dry_[1][dryPos_]);
            if (++dryPos_ == latency_) dryPos_ = 0;
        }
        const float w = wet_ * gain_, d = 1.0f - wet_;
        for (uint32_t k = 0; k < outCh; ++k) out[k][i] *= w;
        out[0][i] += d * dl;
        out[1][i] += d * dr;
    }
}

}  // namespace halvane::lv2

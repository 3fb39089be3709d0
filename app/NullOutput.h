// The null output: accepts samples at the rate a sound card would play them and discards
// them, so that playback runs in real time on machines without one.
//
// Pacing: Write returns when the wall clock reaches the play time of the last frame written
// (frames since Open or resume / rate), measured on a steady clock.
#pragma once

#include <chrono>

#include "app/AudioOutput.h"

class NullOutput : public AudioOutput {
public:
    void Open(unsigned channels, uint32_t rate) override;
    void Write(const float* samples, uint64_t frames) override;
    void SetPaused(bool paused) override;
    void Close() override {}
    std::string Name() const override { return "null"; }

    unsigned Channels() const { return channels_; }
    uint32_t Rate() const { return rate_; }
    int Opens() const { return opens_; }

private:
    using Clock = std::chrono::steady_clock;
    void Rebase();

    unsigned channels_ = 0;
    uint32_t rate_ = 0;
    int opens_ = 0;
    Clock::time_point base_{};
    uint64_t frames_since_base_ = 0;
};

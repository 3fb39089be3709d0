#include "app/NullOutput.h"

#include <thread>

#include "app/AppError.h"

void NullOutput::Open(unsigned channels, uint32_t rate) {
    if (channels == 0 || rate == 0) throw Failure("null output: no channels or no sample rate");
    channels_ = channels;
    rate_ = rate;
    ++opens_;
    Rebase();
}

void NullOutput::Rebase() {
    base_ = Clock::now();
    frames_since_base_ = 0;
}

void NullOutput::Write(const float*, uint64_t frames) {
    if (rate_ == 0) throw Failure("null output: written before it was opened");
    frames_since_base_ += frames;
    const auto due = base_ + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(double(frames_since_base_) / rate_));
    std::this_thread::sleep_until(due);
}

void NullOutput::SetPaused(bool paused) {
    if (!paused) Rebase();
}

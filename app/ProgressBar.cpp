#include "app/ProgressBar.h"

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;

int Percent(uint64_t done, uint64_t total) {
    if (total == 0) return 100;
    if (done >= total) return 100;
    return int(done * 100 / total);
}
}  // namespace

ProgressBar::ProgressBar(std::string label, uint64_t total)
    // Without a known length there is nothing to show a fraction of.
    : label_(std::move(label)), total_(total), enabled_(total > 0 && isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    // An interrupted bar still gets its line ended, so an error message starts on a new line.
    if (enabled_ && shown_percent_ >= 0 && !finished_) std::fputc('\n', stderr);
}

std::string ProgressBar::Render(const std::string& label, uint64_t done, uint64_t total) {
    int percent = Percent(done, total);
    int filled = percent * kBarWidth / 100;
    std::string bar = label + " [";
    bar.append(size_t(filled), '#');
    bar.append(size_t(kBarWidth - filled), '.');
    bar += "] " + std::to_string(percent) + "%";
    return bar;
}

void ProgressBar::Update(uint64_t done) {
    if (!enabled_ || finished_) return;
    int percent = Percent(done, total_);
    if (percent == shown_percent_) return;
    shown_percent_ = percent;
    std::fprintf(stderr, "\r%s", Render(label_, done, total_).c_str());
    std::fflush(stderr);
}

void ProgressBar::Done() {
    if (!enabled_ || finished_) return;
    Update(total_);
    std::fputc('\n', stderr);
    finished_ = true;
}

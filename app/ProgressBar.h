// A one-line progress bar on stderr, drawn only when stderr is a terminal.
//
// Update() redraws only when the shown percentage changes, so calling it per chunk is cheap;
// a total of 0 (length unknown) draws nothing.
// Done() completes the line. Nothing is printed when stderr is redirected.
#pragma once

#include <cstdint>
#include <string>

class ProgressBar {
public:
    ProgressBar(std::string label, uint64_t total);
    ~ProgressBar();

    void Update(uint64_t done);
    void Done();

    // The text drawn for `done` of `total` (without the leading carriage return).
    static std::string Render(const std::string& label, uint64_t done, uint64_t total);

private:
    std::string label_;
    uint64_t total_;
    int shown_percent_ = -1;
    bool enabled_;
    bool finished_ = false;
};

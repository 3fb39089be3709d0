// Single key presses from the terminal, for `halvane play`.
//
// While an object exists and stdin is a terminal, the terminal is in non-canonical mode
// without echo; the original mode is restored on destruction (and by the destructor only:
// a crash leaves the terminal as `stty sane` fixes it). Keys are decoded from a background
// thread and handed to the callback on that thread.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include <termios.h>

enum class Key { Space, Left, Right, Next, Quit, Configure };

class TerminalKeys {
public:
    explicit TerminalKeys(std::function<void(Key)> onKey);
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    bool Active() const { return active_; }
    // Gives the terminal its original mode back now (any thread; the process is about to end).
    void RestoreTerminal();

private:
    void Loop();

    std::function<void(Key)> on_key_;
    bool active_ = false;
    termios saved_{};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Decodes one key from the bytes read so far: space, 'n', 'q', 'c', and the escape
// sequences of the left and right arrows (ESC [ D, ESC [ C). Returns the number of bytes
// used (0: need more bytes), and sets `key` when they form a known key.
size_t DecodeKey(const char* bytes, size_t count, Key& key, bool& known);

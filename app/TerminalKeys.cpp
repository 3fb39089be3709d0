#include "app/TerminalKeys.h"

#include <poll.h>
#include <unistd.h>

#include <string>

size_t DecodeKey(const char* b, size_t n, Key& key, bool& known) {
    known = false;
    if (n == 0) return 0;
    switch (b[0]) {
        case ' ': key = Key::Space; known = true; return 1;
        case 'n': case 'N': key = Key::Next; known = true; return 1;
        case 'q': case 'Q': key = Key::Quit; known = true; return 1;
        case 'c': case 'C': key = Key::Configure; known = true; return 1;
        case '\x1b':
            if (n < 2) return 0;
            if (b[1] != '[' && b[1] != 'O') return 1;  // a lone escape
            if (n < 3) return 0;
            if (b[2] == 'C') key = Key::Right, known = true;
            if (b[2] == 'D') key = Key::Left, known = true;
            return 3;
        default:
            return 1;
    }
}

TerminalKeys::TerminalKeys(std::function<void(Key)> onKey) : on_key_(std::move(onKey)) {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
    active_ = true;
    thread_ = std::thread([this] { Loop(); });
}

void TerminalKeys::RestoreTerminal() {
    if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

TerminalKeys::~TerminalKeys() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

void TerminalKeys::Loop() {
    std::string pending;
    while (!stop_) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            // A lone escape with nothing after it within 100 ms is just the escape key.
            pending.clear();
            continue;
        }
        char buf[16];
        const ssize_t got = read(STDIN_FILENO, buf, sizeof buf);
        if (got <= 0) return;
        pending.append(buf, size_t(got));
        for (;;) {
            Key key{};
            bool known = false;
            const size_t used = DecodeKey(pending.data(), pending.size(), key, known);
            if (used == 0) break;
            pending.erase(0, used);
            if (known) on_key_(key);
        }
    }
}

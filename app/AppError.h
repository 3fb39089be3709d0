// Errors that end a command: a one-line message for stderr and the process exit status.
//
// Exit statuses: 0 success, 1 bad input or a failed operation (unreadable audio, unwritable
// output, rejected preset, missing module), 2 a malformed command line, 128+N when signal N
// (SIGHUP, SIGINT, SIGTERM) ended the command after it cleaned up.
#pragma once

#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class AppError : public std::runtime_error {
public:
    AppError(int exitCode, const std::string& message)
        : std::runtime_error(message), exit_code_(exitCode) {}
    int ExitCode() const { return exit_code_; }

private:
    int exit_code_;
};

// A failed operation or bad input data: exit status 1.
inline AppError Failure(const std::string& message) { return AppError(kExitFailure, message); }
// A command line that does not parse: exit status 2.
inline AppError UsageError(const std::string& message) { return AppError(kExitUsage, message); }
// Ended by signal `sig` (nothing left behind): exit status 128 + sig, message "interrupted".
inline AppError Interrupted(int sig) { return AppError(128 + sig, "interrupted"); }

// The system's reason for `err` as a message fragment: "no such file or directory".
inline std::string SystemReason(int err) {
    std::string text = std::strerror(err);
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A library's reason text as a message fragment: libsndfile's "Error : " or "System error : "
// prefix and the final full stop dropped, the first letter lower case ("no space left on device").
inline std::string LibraryReason(std::string text) {
    for (const char* prefix : {"System error : ", "Error : "})
        if (text.rfind(prefix, 0) == 0) text.erase(0, std::strlen(prefix));
    while (!text.empty() && (text.back() == '.' || text.back() == '\n')) text.pop_back();
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// Shell pipelines and spawned runs of the built `halvane` program, for the tests where real
// tools (sox, ffprobe, xvfb-run) sit on the other end of a pipe.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "TestFiles.h"

extern char** environ;

struct ShellResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs `script` with sh; $H is the program, XDG_CONFIG_HOME points at `configHome`.
inline ShellResult Shell(const std::string& script, const std::string& configHome) {
    const TempDir io;
    const std::string cmd = "H='" + std::string(HALVANE_EXE) + "' XDG_CONFIG_HOME='" + configHome +
                            "' sh -c '" + script + "' >" + io.File("out") + " 2>" + io.File("err") +
                            " </dev/null";
    const int status = std::system(cmd.c_str());
    ShellResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> out = ReadBytes(io.File("out")), err = ReadBytes(io.File("err"));
    r.out.assign(out.begin(), out.end());
    r.err.assign(err.begin(), err.end());
    return r;
}

// One ffprobe field of the first audio stream ("channels", "bits_per_sample", ...), or of the
// format when `entry` starts with "format=".
inline std::string Probe(const std::string& path, const std::string& entry, const std::string& configHome) {
    const std::string what = entry.rfind("format=", 0) == 0 ? entry : "stream=" + entry;
    ShellResult r = Shell("ffprobe -v error -select_streams a:0 -show_entries " + what +
                              " -of default=noprint_wrappers=1:nokey=1 \"" + path + "\"",
                          configHome);
    while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
    return r.out;
}

// The program started with `args`, stdin from `stdinFd` (or /dev/null when -1), stdout to
// `stdoutFd` (or a file in `dir`), stderr to a file in `dir`. Returns the pid.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& dir, int stdinFd,
                   const std::string& configHome, int stdoutFd = -1) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, stdinFd, 0);
    else
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, stdoutFd, 1);
    else
        posix_spawn_file_actions_addopen(&fa, 1, (dir + "/spawn.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    posix_spawn_file_actions_addopen(&fa, 2, (dir + "/spawn.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> words = {HALVANE_EXE};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + configHome, "PATH=/usr/bin:/bin"};
    // The sanitizer run's settings reach the child too (its preload keeps a library loaded
    // whose one-time allocation would otherwise count as a leak at unload).
    for (const char* name : {"LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = getenv(name)) env.push_back(std::string(name) + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, HALVANE_EXE, &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// Waits for `pid` at most `seconds`; its exit status (128+N when a signal N killed it outright),
// or -1 when it was still running (it is then killed).
inline int WaitExit(pid_t pid, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

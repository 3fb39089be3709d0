// Where a render's bytes go, decided by what the output name is:
//   "-"                      stdout, written in place;
//   an existing FIFO, character or block device, socket
//                            opened and written in place (never replaced, never synced);
//   anything else            a regular file: written under a temporary name beside it,
//                            synced once and renamed by Commit(); removed when the object
//                            dies without a commit (an error, an interrupting signal).
// A directory is refused ("is a directory").
#pragma once

#include <memory>
#include <string>

#include "app/AtomicFile.h"

class OutputTarget {
  public:
    explicit OutputTarget(const std::string& path);
    ~OutputTarget();
    OutputTarget(const OutputTarget&) = delete;
    OutputTarget& operator=(const OutputTarget&) = delete;

    int Fd() const { return fd_; }
    // Whether the writer may seek back to complete a header (regular files, also as stdout).
    bool Seekable() const { return seekable_; }
    // Writes all bytes; throws Failure naming the path and the system's reason.
    void Write(const void* data, size_t bytes);
    // Completes the output: rename for regular files; for the others nothing is left to do.
    void Commit();
    const std::string& Path() const { return path_; }
    // "stdout" for "-", else the path in quotes: for messages.
    std::string Name() const;

  private:
    std::string path_;
    std::unique_ptr<AtomicFile> atomic_;
    int fd_ = -1;
    bool owns_fd_ = false;
    bool seekable_ = false;
};

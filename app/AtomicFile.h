// An output file that appears under its final name only when it is complete.
//
// The data goes to a temporary file beside the target (same directory, so the final rename
// is atomic); Commit() flushes, closes and renames it. If the object dies without a commit
// (an error, an exception) the temporary file is removed, so no partial output is ever left
// under the target name and an existing target stays untouched.
#pragma once

#include <cstdio>
#include <string>

class AtomicFile {
public:
    // Creates the temporary file; throws Failure naming `path` when that is impossible.
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    FILE* Stream() { return file_; }
    // Writes all bytes or throws Failure.
    void Write(const void* data, size_t bytes);
    // Flushes, closes and renames onto the target; throws Failure on any error.
    void Commit();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string temp_path_;
    FILE* file_ = nullptr;
    bool committed_ = false;
};

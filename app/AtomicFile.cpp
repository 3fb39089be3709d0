#include "app/AtomicFile.h"

#include "app/AppError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
    std::string dir = ".";
    std::string base = path_;
    if (size_t slash = path_.rfind('/'); slash != std::string::npos) {
        dir = slash == 0 ? "/" : path_.substr(0, slash);
        base = path_.substr(slash + 1);
    }
    if (base.empty()) throw Failure("cannot write '" + path_ + "': not a file name");
    std::string pattern = (dir == "/" ? "" : dir) + "/." + base + ".tmp.XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw Failure("cannot write '" + path_ + "': " + SystemReason(errno));
    temp_path_ = pattern;
    // mkstemp creates 0600; give the output the permissions an ordinary create would.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file_ = fdopen(fd, "wb");
    if (!file_) {
        int err = errno;
        close(fd);
        unlink(temp_path_.c_str());
        throw Failure("cannot write '" + path_ + "': " + SystemReason(err));
    }
}

AtomicFile::~AtomicFile() {
    if (file_) std::fclose(file_);
    if (!committed_ && !temp_path_.empty()) unlink(temp_path_.c_str());
}

void AtomicFile::Write(const void* data, size_t bytes) {
    if (bytes && std::fwrite(data, 1, bytes, file_) != bytes)
        throw Failure("cannot write '" + path_ + "': " + SystemReason(errno));
}

void AtomicFile::Commit() {
    bool ok = std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    int err = errno;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok) throw Failure("cannot write '" + path_ + "': " + SystemReason(err));
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0)
        throw Failure("cannot write '" + path_ + "': " + SystemReason(errno));
    committed_ = true;
}

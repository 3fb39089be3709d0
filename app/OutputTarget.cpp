#include "app/OutputTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/AppError.h"
#include "app/RenderPipeline.h"

OutputTarget::OutputTarget(const std::string& path) : path_(path) {
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        struct stat st {};
        seekable_ = fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && lseek(fd_, 0, SEEK_CUR) == 0;
        return;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw Failure("cannot write '" + path + "': is a directory");
        if (!S_ISREG(st.st_mode)) {
            // A FIFO or device keeps its node: opened and written as it is.
            fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0) throw Failure("cannot write '" + path + "': " + SystemReason(errno));
            owns_fd_ = true;
            return;
        }
        // The rename would replace a file the user may not write: refuse as open() would.
        if (access(path.c_str(), W_OK) != 0)
            throw Failure("cannot write '" + path + "': " + SystemReason(errno));
    }
    atomic_ = std::make_unique<AtomicFile>(path);
    fd_ = fileno(atomic_->Stream());
    seekable_ = true;
}

OutputTarget::~OutputTarget() {
    if (owns_fd_) close(fd_);
}

std::string OutputTarget::Name() const {
    return path_ == "-" ? std::string("stdout") : "'" + path_ + "'";
}

void OutputTarget::Write(const void* data, size_t bytes) {
    const char* p = static_cast<const char*>(data);
    while (bytes) {
        // A signal during a blocked write to a full pipe cuts it short without an error.
        if (RenderStopSignal()) throw Failure("cannot write " + Name() + ": interrupted");
        const ssize_t n = ::write(fd_, p, bytes);
        if (n < 0) {
            if (errno == EINTR) throw Failure("cannot write " + Name() + ": interrupted");
            throw Failure("cannot write " + Name() + ": " + SystemReason(errno));
        }
        p += n;
        bytes -= size_t(n);
    }
}

void OutputTarget::Commit() {
    if (atomic_) {
        atomic_->Commit();
        return;
    }
    if (owns_fd_) {
        const int fd = fd_;
        owns_fd_ = false;
        if (close(fd) != 0 && errno != EINTR)
            throw Failure("cannot write " + Name() + ": " + SystemReason(errno));
    }
}

#include "app/StreamInput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/RenderPipeline.h"

namespace {

StreamInput& Self(void* user) {
    return *static_cast<StreamInput*>(user);
}

}  // namespace

SF_VIRTUAL_IO& StreamInput::Callbacks() {
    static SF_VIRTUAL_IO io = {
        [](void*) -> sf_count_t { return SF_COUNT_MAX; },
        [](sf_count_t offset, int whence, void* user) { return Self(user).Seek(offset, whence); },
        [](void* out, sf_count_t count, void* user) { return Self(user).Read(out, count); },
        [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
        [](void* user) { return Self(user).Tell(); },
    };
    return io;
}

sf_count_t StreamInput::ReadFromPipe(uint8_t* out, sf_count_t count) {
    sf_count_t done = 0;
    while (done < count && !RenderStopSignal()) {
        const ssize_t n = ::read(fd_, out + done, size_t(count - done));
        if (n < 0 && errno == EINTR) break;  // a stop signal: the caller looks at it
        if (n <= 0) break;
        done += n;
    }
    // Keep what falls within the rewind window.
    if (consumed_ < sf_count_t(kRewindBytes)) {
        const sf_count_t keep = std::min(done, sf_count_t(kRewindBytes) - consumed_);
        kept_.insert(kept_.end(), out, out + keep);
    }
    consumed_ += done;
    return done;
}

sf_count_t StreamInput::Read(void* out, sf_count_t count) {
    uint8_t* p = static_cast<uint8_t*>(out);
    sf_count_t done = 0;
    if (pos_ < consumed_) {
        // Replay of kept bytes (Seek only lands here within them).
        const sf_count_t n = std::min(count, consumed_ - pos_);
        std::memcpy(p, kept_.data() + pos_, size_t(n));
        done = n;
    }
    if (done < count) done += ReadFromPipe(p + done, count - done);
    pos_ += done;
    return done;
}

sf_count_t StreamInput::Seek(sf_count_t offset, int whence) {
    sf_count_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? pos_ + offset : -1;
    if (target < 0) return -1;
    if (target <= consumed_) {
        if (target < consumed_ && consumed_ > sf_count_t(kept_.size())) return -1;  // beyond the kept bytes
        pos_ = target;
        return pos_;
    }
    // Forward within the window: read ahead (and keep). Beyond it a parser is skipping over the
    // audio to look at what follows; that would lose the audio, so it is refused.
    if (target > sf_count_t(kRewindBytes)) return -1;
    pos_ = consumed_;
    uint8_t scratch[65536];
    while (pos_ < target) {
        const sf_count_t n = ReadFromPipe(scratch, std::min<sf_count_t>(target - pos_, sizeof scratch));
        if (n <= 0) return -1;
        pos_ += n;
    }
    return pos_;
}

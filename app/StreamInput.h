// A pipe (stdin) as libsndfile virtual I/O, so every format libsndfile reads sequentially can
// come through a pipe, FLAC included.
//
// A pipe cannot seek, but format detection and header parsing read ahead and then seek back
// near the start: the first kRewindBytes bytes read are kept, and seeks within them are
// served from memory. A forward seek within that window reads ahead; seeks past it, back
// beyond the kept bytes or relative to the end fail (a parser skipping over the audio to look
// for trailing chunks is told no and reads on from where it was). The length reads as unknown (the largest
// count).
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <vector>

class StreamInput {
  public:
    static constexpr size_t kRewindBytes = size_t(1) << 20;

    explicit StreamInput(int fd) : fd_(fd) {}
    // The callbacks; `user` is the StreamInput.
    static SF_VIRTUAL_IO& Callbacks();

    sf_count_t Read(void* out, sf_count_t count);
    sf_count_t Seek(sf_count_t offset, int whence);
    sf_count_t Tell() const { return pos_; }

  private:
    sf_count_t ReadFromPipe(uint8_t* out, sf_count_t count);

    int fd_;
    std::vector<uint8_t> kept_;  // the first bytes of the stream
    sf_count_t pos_ = 0;         // logical position
    sf_count_t consumed_ = 0;    // bytes taken from the pipe so far
};

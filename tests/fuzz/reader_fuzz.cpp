// Fuzz target: the command-line host's audio file reading and rendering. The input's first
// byte picks the processing mode, the kernel set, the longest delays, whether the render is
// raw and the chunk size; the rest is an audio file (whatever the reader accepts), read
// through the host's AudioReader and rendered through the DSP by its render pipeline.
//
// Checked: a file is either refused with the host's error or read to its end; a default
// render hands back exactly the frames read; every frame written is whole for the layout
// announced before it. The sanitizers check the rest.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "app/AppError.h"
#include "app/AudioReader.h"
#include "app/PlaybackEvents.h"
#include "app/RenderPipeline.h"
#include "tests/fuzz/FuzzBytes.h"
#include "host/driver/ModuleServices.h"

namespace {

// Stops a source after a bound, so a tiny compressed file cannot make one input run long.
class BoundedSource final : public FrameSource {
public:
    BoundedSource(FrameSource& s, uint64_t limit) : m_s(s), m_left(limit) {}
    unsigned Channels() const override { return m_s.Channels(); }
    uint32_t SampleRate() const override { return m_s.SampleRate(); }
    uint32_t ChannelMask() const override { return m_s.ChannelMask(); }
    uint64_t ExpectedFrames() const override { return m_s.ExpectedFrames(); }
    uint64_t Read(float* out, uint64_t frames) override {
        const uint64_t n = m_s.Read(out, frames < m_left ? frames : m_left);
        FuzzCheck(n <= frames, "reader returned more than asked", n, frames);
        m_left -= n;
        return n;
    }

private:
    FrameSource& m_s;
    uint64_t m_left;
};

class CheckingSink final : public FrameSink {
public:
    uint64_t frames = 0;
    unsigned channels = 0;
    void SetLayout(unsigned ch, uint32_t) override {
        FuzzCheck(ch != 0, "layout without channels");
        channels = ch;
    }
    void Write(const float* samples, uint64_t n) override {
        FuzzCheck(channels != 0, "frames before a layout", n);
        volatile float sum = 0.0f;  // touch every sample so a short buffer is caught
        for (uint64_t i = 0; i < n * channels; ++i) sum = sum + samples[i];
        frames += n;
    }
};

std::string MemoryFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("reader_fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) || (size && pwrite(fd, data, size, 0) != ssize_t(size))) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t sel = data[0];
    const std::string path = MemoryFile(data + 1, size - 1);
    HVLIB_CONFIG cfg{.dwMode = uint32_t(sel % 5), .bSSE2 = uint32_t(sel >> 3 & 1), .bCUDA = 0};
    if (sel & 0x80) {  // the longest delay lines: movie flavour, every room delay at 100 ms
        cfg.dwSurroundMode = 0;
        cfg.dwSurroundDelayMovie = 100;
        for (uint32_t* d = &cfg.dwDelayL; d <= &cfg.dwDelaySR; ++d) *d = 100;
    }
    const service_ptr_t<dsp_v2> dsp = NewDsp(cfg);
    try {
        AudioReader reader(path);
        FuzzCheck(reader.Channels() && reader.SampleRate(), "opened without layout");
        BoundedSource source(reader, 1u << 18);
        CheckingSink sink;
        PlaybackEvents playback(ModuleClient()->get_service_list());
        RenderOptions options;
        options.chunkFrames = 1 + uint64_t(sel >> 5) * 700;
        options.raw = sel >> 4 & 1;
        const RenderResult r = RenderThroughDsp(*dsp.get_ptr(), playback, source, sink, options);
        FuzzCheck(r.outputFrames == sink.frames, "frames reported vs written", r.outputFrames, sink.frames);
        FuzzCheck(options.raw || r.outputFrames == r.inputFrames, "length", r.outputFrames, r.inputFrames);
    } catch (const AppError&) {
        // Refused with the host's one-line error: the expected outcome for a bad file.
    }
    return 0;
}

// Fuzz target: the command-line host's audio file reading and rendering. The input's first
// byte picks the processing mode and whether the render is raw; the rest is an audio file
// (WAV, AIFF, FLAC, ... whatever the reader accepts), read through the host's AudioReader
// and rendered through the DSP by the host's render pipeline into memory.
//
// Checked: a file is either refused with the host's error or read to its end; a default
// render hands back exactly the frames read; every frame written is whole for the layout
// announced before it. The sanitizers check the rest.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AppError.h"
#include "app/AudioReader.h"
#include "app/PlaybackEvents.h"
#include "app/RenderPipeline.h"
#include "host/dsp_halvane_params.h"
#include "sdk/component_client.h"
#include "sdk/service_enum.h"

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* p_api, fb2k_module_handle hIns);

namespace {

void Fail(const char* what, unsigned long long a, unsigned long long b) {
    std::fprintf(stderr, "reader_fuzz: %s (%llu, %llu)\n", what, a, b);
    std::abort();
}

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
        if (n > frames) Fail("reader returned more than asked", n, frames);
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
        if (ch == 0) Fail("layout without channels", 0, 0);
        channels = ch;
    }
    void Write(const float* samples, uint64_t n) override {
        if (!channels) Fail("frames before a layout", n, 0);
        // Touch every sample so a short buffer is caught.
        volatile float sum = 0.0f;
        for (uint64_t i = 0; i < n * channels; ++i) sum = sum + samples[i];
        frames += n;
    }
};

std::string MemoryFile(const uint8_t* data, size_t size) {
    static int fd = -1;
    if (fd < 0) fd = memfd_create("reader_fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) || (size && pwrite(fd, data, size, 0) != ssize_t(size))) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t sel = data[0];
    const std::string path = MemoryFile(data + 1, size - 1);

    static foobar2000_client* client = foobar2000_get_interface(nullptr, nullptr);
    static service_ptr_t<dsp_entry_v2> entry = [] {
        service_ptr_t<dsp_entry_v2> e;
        if (!find_dsp_entry(client->get_service_list(), HALVANE_GUID, e)) std::abort();
        return e;
    }();
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.m_config.dwMode = sel % 5;
    params.m_config.bSSE2 = (sel >> 3) & 1;
    params.m_config.bCUDA = 0;
    if (sel & 0x80) {  // the longest delay lines: movie flavour, every room delay at 100 ms
        params.m_config.dwSurroundMode = 0;
        params.m_config.dwSurroundDelayMovie = 100;
        for (uint32_t* d = &params.m_config.dwDelayL; d <= &params.m_config.dwDelaySR; ++d) *d = 100;
    }
    dsp_preset_impl preset;
    params.get_data(preset);
    service_ptr_t<dsp> instance;
    service_ptr_t<dsp_v2> v2;
    if (!entry->instantiate(instance, preset) || !instance->service_query_t(v2)) std::abort();

    try {
        AudioReader reader(path);
        if (reader.Channels() == 0 || reader.SampleRate() == 0) Fail("opened without layout", 0, 0);
        BoundedSource source(reader, 1u << 18);
        CheckingSink sink;
        PlaybackEvents playback(client->get_service_list());
        RenderOptions options;
        options.raw = (sel >> 4) & 1;
        options.chunkFrames = 1 + ((sel >> 5) & 7) * 700;
        const RenderResult r = RenderThroughDsp(*v2.get_ptr(), playback, source, sink, options);
        if (r.outputFrames != sink.frames) Fail("frames reported vs written", r.outputFrames, sink.frames);
        if (!options.raw && r.outputFrames != r.inputFrames) Fail("render length", r.outputFrames, r.inputFrames);
    } catch (const AppError&) {
        // Refused with the host's one-line error: the expected outcome for a bad file.
    }
    return 0;
}

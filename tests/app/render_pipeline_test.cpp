// The render pipeline against a small stand-in DSP whose output is known exactly: frame
// counts with and without --raw, independence from the host chunk size, the playback events.
#include "TestFiles.h"
#include "app/AppError.h"
#include "app/RenderPipeline.h"
#include "sdk/dsp.h"
#include "sdk/play_callback.h"
#include "sdk/service_factory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 1000;  // a low rate keeps the "time" events countable

// Stereo in, five channels out (L, R, L+R, L-R, L/2), released only in whole blocks of
// kBlock frames, as the headphone stage does; the end of playback drops what is held.
// With `monoAfterFirst` it returns a single channel from the second chunk on: a layout
// change no WAV file can hold.
class BlockDsp : public dsp_impl_base_t<dsp_v2> {
public:
    static constexpr size_t kBlock = 1024;
    int chunksSeen = 0;
    bool monoAfterFirst = false;

    bool on_chunk(audio_chunk* chunk, abort_callback&) override {
        const float* in = chunk->get_data();
        for (size_t f = 0; f < chunk->get_sample_count(); ++f) {
            const float l = in[2 * f], r = in[2 * f + 1];
            held_.insert(held_.end(), {l, r, l + r, l - r, l * 0.5f});
        }
        const size_t ready = held_.size() / 5 / kBlock * kBlock;
        if (monoAfterFirst && chunksSeen > 0)
            chunk->set_data(held_.data(), held_.size() / 5, 1, chunk->get_srate(), 4);
        else
            chunk->set_data(held_.data(), ready, 5, chunk->get_srate(), 55);
        held_.erase(held_.begin(), held_.begin() + ptrdiff_t(ready * 5));
        ++chunksSeen;
        return true;
    }
    void on_endofplayback(abort_callback&) override { held_.clear(); }
    void on_endoftrack(abort_callback&) override {}
    void flush() override { held_.clear(); }
    double get_latency() override { return 0; }
    bool need_track_change_mark() override { return false; }

private:
    std::vector<float> held_;
};

// Records the events it receives; asks for starting, stop and time, not for new track.
class RecordingCallback : public play_callback_static {
public:
    static inline std::vector<std::string> events;
    unsigned get_flags() override { return flag_on_playback_starting | flag_on_playback_stop | flag_on_playback_time; }
    void on_playback_starting(play_control::t_track_command, bool) override { events.push_back("starting"); }
    void on_playback_new_track(const char*) override { events.push_back("new track"); }
    void on_playback_stop(play_control::t_stop_reason) override { events.push_back("stop"); }
    void on_playback_seek(double) override { events.push_back("seek"); }
    void on_playback_pause(bool) override { events.push_back("pause"); }
    void on_playback_edited(const char*) override {}
    void on_playback_dynamic_info(const char*) override {}
    void on_playback_dynamic_info_track(const char*) override {}
    void on_playback_time(double t) override { events.push_back("time " + std::to_string(int(t))); }
    void on_volume_change(float) override { events.push_back("volume"); }
};

service_factory_single_t<RecordingCallback> g_callbackFactory;

std::vector<float> Expected(const std::vector<float>& stereo, size_t frames) {
    std::vector<float> out;
    for (size_t f = 0; f < frames; ++f) {
        const float l = stereo[2 * f], r = stereo[2 * f + 1];
        out.insert(out.end(), {l, r, l + r, l - r, l * 0.5f});
    }
    return out;
}

MemorySink Render(dsp_v2& d, const std::vector<float>& input, uint64_t chunk, bool raw, RenderResult& result) {
    PlaybackEvents playback(&g_callbackFactory);
    MemorySource source(input, 2, kRate, 3);
    MemorySink sink;
    RenderOptions options;
    options.chunkFrames = chunk;
    options.raw = raw;
    result = RenderThroughDsp(d, playback, source, sink, options);
    return sink;
}

}  // namespace

// Without --raw the output has the input's length (the held frames flushed out by padding);
// with --raw it is exactly the whole blocks the DSP released; the 0-frame input is run end to
// end in halvane_cli_test.cpp. Nothing here depends on the chunk size.
TEST(RenderPipeline, FrameCountsSamplesAndEventsForEveryChunkSize) {
    const size_t frames = 10007, released = frames / BlockDsp::kBlock * BlockDsp::kBlock;  // 9216
    const std::vector<float> input = TestSignal(int64_t(frames), 2, 3);
    // Listeners hear only what they asked for: no new track, a time event per second of input.
    std::vector<std::string> expectedEvents = {"starting"};
    for (int t = 1; t <= 10; ++t) expectedEvents.push_back("time " + std::to_string(t));
    expectedEvents.push_back("stop");
    for (bool raw : {false, true})
        for (uint64_t chunk : {1ull, 7ull, 333ull, 1000ull, 1024ull, 4096ull, 20000ull}) {
            SCOPED_TRACE(testing::Message() << "raw " << raw << " chunk " << chunk);
            service_ptr_t<BlockDsp> d = new service_impl_t<BlockDsp>();
            RenderResult r;
            RecordingCallback::events.clear();
            MemorySink out = Render(*d, input, chunk, raw, r);
            EXPECT_EQ(RecordingCallback::events, expectedEvents);
            EXPECT_EQ(out.channels, 5u);
            EXPECT_EQ(out.channelMask, 55u);
            EXPECT_EQ(r.inputFrames, frames);
            EXPECT_EQ(r.outputFrames, raw ? released : frames);
            EXPECT_EQ(r.paddingFrames > 0, !raw);  // the last partial block needed silence behind it
            EXPECT_EQ(out.samples, Expected(input, raw ? released : frames));
        }
}

TEST(RenderPipeline, ChannelCountChangeMidStreamIsAnError) {
    service_ptr_t<BlockDsp> d = new service_impl_t<BlockDsp>();
    d->monoAfterFirst = true;
    RenderResult r;
    EXPECT_THROW(Render(*d, TestSignal(3000, 2), 1500, false, r), AppError);
}

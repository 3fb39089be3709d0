// The render pipeline against small stand-in DSPs whose output is known exactly: frame
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
class BlockDsp : public dsp_impl_base_t<dsp_v2> {
public:
    static constexpr size_t kBlock = 1024;
    static inline int chunksSeen = 0;

    bool on_chunk(audio_chunk* chunk, abort_callback&) override {
        ++chunksSeen;
        const float* in = chunk->get_data();
        for (size_t f = 0; f < chunk->get_sample_count(); ++f) {
            float l = in[2 * f], r = in[2 * f + 1];
            held_.insert(held_.end(), {l, r, l + r, l - r, l * 0.5f});
        }
        const size_t ready = held_.size() / 5 / kBlock * kBlock;
        chunk->set_data(held_.data(), ready, 5, chunk->get_srate(), 55);
        held_.erase(held_.begin(), held_.begin() + ptrdiff_t(ready * 5));
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

// Returns stereo for the first chunk and mono afterwards: a layout no WAV file can hold.
class LayoutChangingDsp : public dsp_impl_base_t<dsp_v2> {
public:
    bool on_chunk(audio_chunk* chunk, abort_callback&) override {
        std::vector<float> out(chunk->get_sample_count() * (first_ ? 2 : 1), 0.0f);
        chunk->set_data(out.data(), chunk->get_sample_count(), first_ ? 2 : 1, chunk->get_srate(), first_ ? 3 : 4);
        first_ = false;
        return true;
    }
    void on_endofplayback(abort_callback&) override {}
    void on_endoftrack(abort_callback&) override {}
    void flush() override {}
    double get_latency() override { return 0; }
    bool need_track_change_mark() override { return false; }

private:
    bool first_ = true;
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
        float l = stereo[2 * f], r = stereo[2 * f + 1];
        out.insert(out.end(), {l, r, l + r, l - r, l * 0.5f});
    }
    return out;
}

MemorySink Render(dsp_v2& d, const std::vector<float>& input, uint64_t chunk, bool raw,
                  RenderResult* result = nullptr) {
    PlaybackEvents playback(&g_callbackFactory);
    MemorySource source(input, 2, kRate, 3);
    MemorySink sink;
    RenderOptions options;
    options.chunkFrames = chunk;
    options.raw = raw;
    RenderResult r = RenderThroughDsp(d, playback, source, sink, options);
    if (result) *result = r;
    return sink;
}

}  // namespace

TEST(RenderPipeline, OutputMatchesInputLengthForEveryChunkSize) {
    const size_t frames = 10007;
    const std::vector<float> input = TestSignal(int64_t(frames), 2, 3);
    const std::vector<float> expected = Expected(input, frames);
    for (uint64_t chunk : {1ull, 7ull, 1000ull, 1024ull, 4096ull, 20000ull}) {
        service_ptr_t<dsp_v2> d = new service_impl_t<BlockDsp>();
        RenderResult r;
        MemorySink out = Render(*d, input, chunk, false, &r);
        EXPECT_EQ(out.channels, 5u) << chunk;
        EXPECT_EQ(out.channelMask, 55u) << chunk;
        EXPECT_EQ(r.inputFrames, frames);
        EXPECT_EQ(r.outputFrames, frames);
        EXPECT_GT(r.paddingFrames, 0u);  // the last partial block needed silence behind it
        EXPECT_EQ(out.samples, expected) << "chunk " << chunk;
    }
}

TEST(RenderPipeline, RawGivesExactlyWhatTheDspReturned) {
    const size_t frames = 10007;
    const std::vector<float> input = TestSignal(int64_t(frames), 2, 4);
    const size_t released = frames / BlockDsp::kBlock * BlockDsp::kBlock;  // 9216
    for (uint64_t chunk : {1ull, 333ull, 4096ull}) {
        service_ptr_t<dsp_v2> d = new service_impl_t<BlockDsp>();
        RenderResult r;
        MemorySink out = Render(*d, input, chunk, true, &r);
        EXPECT_EQ(r.outputFrames, released);
        EXPECT_EQ(r.paddingFrames, 0u);
        EXPECT_EQ(out.samples, Expected(input, released)) << "chunk " << chunk;
    }
}

TEST(RenderPipeline, EmptyInputGivesEmptyOutputWithoutChunks) {
    const std::vector<float> none;
    for (bool raw : {false, true}) {
        BlockDsp::chunksSeen = 0;
        service_ptr_t<dsp_v2> d = new service_impl_t<BlockDsp>();
        RenderResult r;
        MemorySink out = Render(*d, none, 4096, raw, &r);
        EXPECT_EQ(BlockDsp::chunksSeen, 0);
        EXPECT_EQ(r.outputFrames, 0u);
        EXPECT_FALSE(r.layoutKnown);
        EXPECT_TRUE(out.samples.empty());
    }
}

TEST(RenderPipeline, ListenersHearOnlyTheEventsTheyAskedFor) {
    RecordingCallback::events.clear();
    service_ptr_t<dsp_v2> d = new service_impl_t<BlockDsp>();
    Render(*d, TestSignal(2500, 2), 300, true);  // 2.5 s at 1000 Hz
    EXPECT_EQ(RecordingCallback::events,
              (std::vector<std::string>{"starting", "time 1", "time 2", "stop"}));
}

TEST(RenderPipeline, ChannelCountChangeMidStreamIsAnError) {
    service_ptr_t<dsp_v2> d = new service_impl_t<LayoutChangingDsp>();
    EXPECT_THROW(Render(*d, TestSignal(100, 2), 10, false), AppError);
}

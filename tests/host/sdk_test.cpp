// The component interface substitute: chunk replacement, the chunk-list rules of
// run/run_v2, reference counting and interface queries.
#include <gtest/gtest.h>

#include <vector>

#include "sdk/audio_chunk.h"
#include "sdk/dsp.h"
#include "sdk/dsp_chunk_list.h"

// set_data copies (from its own storage too, overlapping), zeroes for a null source, and
// takes the format; every DSP test then reads the format back.
TEST(AudioChunk, SetDataCopiesAndZeroes) {
    audio_chunk_impl c;
    auto samples = [&] {
        return std::vector<float>(c.get_data(), c.get_data() + c.get_sample_count() * c.get_channels());
    };
    const float src[6] = {1, 2, 3, 4, 5, 6};
    c.set_data(src, 3, 2, 44100, 3);
    EXPECT_EQ(samples(), std::vector<float>(src, src + 6));
    c.set_data(c.get_data() + 2, 2, 2, 44100, 3);
    EXPECT_EQ(samples(), (std::vector<float>{3, 4, 5, 6}));
    c.set_data(nullptr, 2, 1, 8000, 4);
    EXPECT_EQ(samples(), (std::vector<float>{0, 0}));
    EXPECT_EQ(c.get_srate(), 8000u);
    EXPECT_EQ(c.get_channel_config(), 4u);
}

namespace {

// Records what the base class asks of it; refuses chunks whose first sample is negative.
class RecordingDsp : public dsp_impl_base_t<dsp_v2> {
public:
    static inline int destroyed = 0;
    std::vector<float> m_seen;
    int m_endOfTrack = 0, m_endOfPlayback = 0;
    bool m_wantsMarks = false;

    ~RecordingDsp() override { ++destroyed; }
    bool on_chunk(audio_chunk* c, abort_callback& a) override {
        EXPECT_FALSE(a.is_aborting());
        m_seen.push_back(c->get_data()[0]);
        return c->get_data()[0] >= 0;
    }
    void on_endoftrack(abort_callback&) override { ++m_endOfTrack; }
    void on_endofplayback(abort_callback&) override { ++m_endOfPlayback; }
    void flush() override {}
    double get_latency() override { return 0; }
    bool need_track_change_mark() override { return m_wantsMarks; }
};

void Add(dsp_chunk_list& list, float first, unsigned channels, unsigned rate, size_t frames) {
    std::vector<float> s(std::max<size_t>(frames * channels, 1), first);
    audio_chunk* c = list.add_item();
    c->set_data(s.data(), frames, channels, rate, 0);
    if (frames == 0) {  // keep the marker sample readable though the chunk has no frames
        c->set_data_size(1);
        c->get_data()[0] = first;
    }
}

}  // namespace

TEST(DspRun, EmptyAndRefusedChunksLeaveTheListInOrder) {
    service_ptr_t<RecordingDsp> d(new service_impl_t<RecordingDsp>());
    dsp_chunk_list_impl list;
    Add(list, 1, 2, 44100, 10);
    Add(list, 2, 0, 44100, 10);   // no channels
    Add(list, 3, 2, 44100, 10);
    Add(list, 4, 2, 0, 10);       // no rate
    Add(list, 5, 2, 44100, 0);    // no frames
    Add(list, -6, 2, 44100, 10);  // refused by on_chunk
    Add(list, 7, 2, 44100, 10);
    abort_callback_dummy noabort;
    d->run_v2(&list, 0, noabort);
    EXPECT_EQ(d->m_seen, (std::vector<float>{1, 3, -6, 7})) << "empty chunks never reach on_chunk";
    ASSERT_EQ(list.get_count(), 3u);
    const float kept[] = {1, 3, 7};
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(list.get_item(i)->get_data()[0], kept[i]);
    EXPECT_EQ(d->m_endOfTrack + d->m_endOfPlayback, 0);
}

// Which end event each flag combination gives, through run_v2 and through run (which passes
// a callback that never aborts). An empty list still signals.
TEST(DspRun, EndOfPlaybackAndEndOfTrack) {
    const struct {
        int flags;
        bool marks, v2;
        int track, playback;
    } cases[] = {
        {0, true, true, 0, 0},
        {dsp::END_OF_TRACK, false, true, 0, 0},
        {dsp::END_OF_TRACK, true, true, 1, 0},
        {dsp::FLUSH, false, true, 0, 1},
        {dsp::FLUSH | dsp::END_OF_TRACK, true, true, 0, 1},  // end of playback takes precedence
        {dsp::FLUSH, true, false, 0, 1},
        {dsp::END_OF_TRACK, true, false, 1, 0},
    };
    for (const auto& c : cases) {
        service_ptr_t<RecordingDsp> d(new service_impl_t<RecordingDsp>());
        d->m_wantsMarks = c.marks;
        dsp_chunk_list_impl list;
        Add(list, 1, 1, 8000, 4);
        abort_callback_dummy noabort;
        c.v2 ? d->run_v2(&list, c.flags, noabort) : d->run(&list, c.flags);
        EXPECT_EQ(list.get_count(), 1u);
        EXPECT_EQ(d->m_endOfTrack, c.track) << "flags " << c.flags << " marks " << c.marks;
        EXPECT_EQ(d->m_endOfPlayback, c.playback) << "flags " << c.flags << " marks " << c.marks;
    }
}

// Interface queries are exercised on the loaded module (module_load_test.cpp).
TEST(Service, DestroyedWithItsLastReference) {
    RecordingDsp::destroyed = 0;
    {
        service_ptr_t<dsp> a(new service_impl_t<RecordingDsp>());
        service_ptr_t<dsp> b = a;
        a.release();
        service_ptr_t<dsp>& same = b;
        b = same;  // self-assignment keeps the object
        EXPECT_EQ(RecordingDsp::destroyed, 0);
    }
    EXPECT_EQ(RecordingDsp::destroyed, 1);
}

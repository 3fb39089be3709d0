// Faults the chunk handler must survive: a host chunk that cannot take the result, and two
// chains processing at the same time on two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <thread>

#include "engine/HVLib.h"
#include "host/halvane_engine.h"
#include "host_test_util.h"

namespace {

// A host chunk around a real one that calls `hook` whenever the handler reads the rate or
// resizes the storage (with the new size, or 0 for the rate).
class ProxyChunk final : public audio_chunk {
public:
    audio_chunk_impl inner;
    std::function<void(size_t)> hook;

    audio_sample* get_data() override { return inner.get_data(); }
    const audio_sample* get_data() const override { return inner.get_data(); }
    size_t get_data_size() const override { return inner.get_data_size(); }
    void set_data_size(size_t n) override {
        hook(n);
        inner.set_data_size(n);
    }
    unsigned get_srate() const override {
        hook(0);
        return inner.get_srate();
    }
    void set_srate(unsigned r) override { inner.set_srate(r); }
    unsigned get_channels() const override { return inner.get_channels(); }
    unsigned get_channel_config() const override { return inner.get_channel_config(); }
    void set_channels(unsigned n, unsigned m) override { inner.set_channels(n, m); }
    size_t get_sample_count() const override { return inner.get_sample_count(); }
    void set_sample_count(size_t n) override { inner.set_sample_count(n); }
};

bool EngineLockedElsewhere() {
    bool locked = false;
    std::thread t([&] {
        if (HVEngineMutex().try_lock()) HVEngineMutex().unlock();
        else locked = true;
    });
    t.join();
    return locked;
}

}  // namespace

TEST(DspRobustness, ChunkThatCannotTakeTheResultPassesThroughUnchanged) {
    g_bSignalReset.store(0);
    service_ptr_t<dsp_v2> d = MakeInstance(ConfigWithMode(2));  // stereo in, five out: needs more room
    const std::vector<float> in = TestSignal(2 * 400);
    ProxyChunk c;
    FillChunk(c.inner, in, 2, 44100);
    const size_t room = c.inner.get_data_size();
    c.hook = [room](size_t n) {
        if (n > room) throw std::bad_alloc();  // storage that cannot grow
    };
    bool kept = false;
    EXPECT_NO_THROW(kept = Process(*d, c));
    EXPECT_TRUE(kept);
    EXPECT_EQ(c.inner.get_channels(), 2u);
    EXPECT_EQ(c.inner.get_channel_config(), 3u);
    EXPECT_EQ(c.inner.get_srate(), 44100u);
    EXPECT_TRUE(SameSamples(c.inner, in));
    EXPECT_EQ(g_bSignalReset.load(), 1) << "the interrupted chunk restarts the engine";
    EXPECT_EQ(g_hvlib.Core().Config(), &g_hvlib.Settings()) << "only the engine's own settings stay published";

    // The lock was released on the way out: the next chunk goes through.
    audio_chunk_impl next;
    FillChunk(next, in, 2, 44100);
    Process(*d, next);
    EXPECT_EQ(next.get_channels(), 5u);
}

TEST(DspRobustness, ChunkHandlerHoldsTheEngineLock) {
    ProxyChunk c;
    FillChunk(c.inner, TestSignal(2 * 128), 2, 44100);
    int probes = 0, held = 0;
    c.hook = [&](size_t) {
        ++probes;
        held += EngineLockedElsewhere();
    };
    Process(*MakeInstance(ConfigWithMode(2)), c);
    EXPECT_GE(probes, 2) << "the handler reads the rate and replaces the data";
    EXPECT_EQ(held, probes);
    EXPECT_FALSE(EngineLockedElsewhere()) << "and it is free again afterwards";
}

// Two chains on two threads: a bypass chain must get its audio back bit for bit and the
// decoding chain must always get five channels. Without serialisation the chains see each
// other's settings (the configuration in force is process-wide) and the shared buffers.
TEST(DspRobustness, TwoInstancesOnTwoThreadsKeepTheirOwnResults) {
    constexpr int kChunks = 1000;
    std::atomic<int> ready{0};
    std::atomic<int> wrong[2] = {0, 0};
    const std::vector<float> in = TestSignal(2 * 4096);

    auto run = [&](uint32_t mode) {
        service_ptr_t<dsp_v2> d = MakeInstance(ConfigWithMode(mode));
        dsp_chunk_list_impl list;
        abort_callback_dummy noabort;
        ++ready;
        while (ready.load() < 2) std::this_thread::yield();  // start together
        for (int i = 0; i < kChunks; ++i) {
            list.remove_all();
            FillChunk(*list.add_item(), in, 2, 44100);
            d->run_v2(&list, 0, noabort);
            const audio_chunk* c = list.get_item(0);
            const bool ok = c && (mode == 0 ? c->get_channels() == 2 && SameSamples(*c, in)
                                            : c->get_channels() == 5 && c->get_sample_count() == 4096);
            if (!ok) ++wrong[mode / 2];
        }
    };
    std::thread a(run, 0u), b(run, 2u);
    a.join();
    b.join();
    EXPECT_EQ(wrong[0].load(), 0) << "bypass chain";
    EXPECT_EQ(wrong[1].load(), 0) << "decoding chain";
}

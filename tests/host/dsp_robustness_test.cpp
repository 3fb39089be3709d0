// Faults the chunk handler must survive: a host chunk that cannot take the result, and two
// chains processing at the same time on two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <new>
#include <thread>

#include "engine/HVLib.h"
#include "host/dsp_halvane.h"
#include "host_test_util.h"
#include "kernels/HVFn.h"

namespace {

// A host chunk whose storage cannot grow: set_data_size throws as a failed allocation would.
class FullChunk final : public audio_chunk {
public:
    explicit FullChunk(audio_chunk_impl& inner) : m_inner(inner) {}
    audio_sample* get_data() override { return m_inner.get_data(); }
    const audio_sample* get_data() const override { return m_inner.get_data(); }
    size_t get_data_size() const override { return m_inner.get_data_size(); }
    void set_data_size(size_t n) override {
        if (n > m_inner.get_data_size()) throw std::bad_alloc();
    }
    unsigned get_srate() const override { return m_inner.get_srate(); }
    void set_srate(unsigned r) override { m_inner.set_srate(r); }
    unsigned get_channels() const override { return m_inner.get_channels(); }
    unsigned get_channel_config() const override { return m_inner.get_channel_config(); }
    void set_channels(unsigned n, unsigned m) override { m_inner.set_channels(n, m); }
    size_t get_sample_count() const override { return m_inner.get_sample_count(); }
    void set_sample_count(size_t n) override { m_inner.set_sample_count(n); }

private:
    audio_chunk_impl& m_inner;
};

// A chunk that checks, from another thread, whether the engine lock is held while the
// handler reads the chunk's rate and while it replaces the chunk's data.
class LockProbeChunk final : public audio_chunk {
public:
    audio_chunk_impl m_inner;
    mutable int m_probes = 0;
    mutable int m_heldOnProbe = 0;

    audio_sample* get_data() override { return m_inner.get_data(); }
    const audio_sample* get_data() const override { return m_inner.get_data(); }
    size_t get_data_size() const override { return m_inner.get_data_size(); }
    void set_data_size(size_t n) override {
        Probe();
        m_inner.set_data_size(n);
    }
    unsigned get_srate() const override {
        Probe();
        return m_inner.get_srate();
    }
    void set_srate(unsigned r) override { m_inner.set_srate(r); }
    unsigned get_channels() const override { return m_inner.get_channels(); }
    unsigned get_channel_config() const override { return m_inner.get_channel_config(); }
    void set_channels(unsigned n, unsigned m) override { m_inner.set_channels(n, m); }
    size_t get_sample_count() const override { return m_inner.get_sample_count(); }
    void set_sample_count(size_t n) override { m_inner.set_sample_count(n); }

private:
    void Probe() const {
        bool locked_elsewhere = false;
        std::thread t([&] {
            if (HVEngineMutex().try_lock()) {
                HVEngineMutex().unlock();
            } else {
                locked_elsewhere = true;
            }
        });
        t.join();
        ++m_probes;
        if (locked_elsewhere) ++m_heldOnProbe;
    }
};

service_ptr_t<dsp_v2> MakeInstance(const HVLIB_CONFIG& cfg) {
    return service_ptr_t<dsp_v2>(new service_impl_t<dsp_halvane>(PresetFor(cfg)));
}

}  // namespace

TEST(DspRobustness, ChunkThatCannotTakeTheResultPassesThroughUnchanged) {
    g_bSignalReset.store(0);
    service_ptr_t<dsp_v2> d = MakeInstance(ConfigWithMode(2));  // stereo in, five out: needs more room
    const std::vector<float> in = TestSignal(2 * 400);
    audio_chunk_impl inner;
    FillChunk(inner, in, 2, 44100);
    FullChunk c(inner);

    abort_callback_dummy noabort;
    bool kept = false;
    EXPECT_NO_THROW(kept = static_cast<dsp_halvane&>(*d).on_chunk(&c, noabort));
    EXPECT_TRUE(kept);
    EXPECT_EQ(inner.get_channels(), 2u);
    EXPECT_EQ(inner.get_channel_config(), 3u);
    EXPECT_EQ(inner.get_srate(), 44100u);
    EXPECT_TRUE(SameSamples(inner, in));
    EXPECT_EQ(g_bSignalReset.load(), 1) << "the interrupted chunk restarts the engine";
    EXPECT_EQ(CHVFn::m_pConfig, nullptr) << "no pointer to the dead per-chunk settings remains";

    // The lock was released on the way out: the next chunk goes through.
    audio_chunk_impl next;
    FillChunk(next, in, 2, 44100);
    static_cast<dsp_halvane&>(*d).on_chunk(&next, noabort);
    EXPECT_EQ(next.get_channels(), 5u);
}

TEST(DspRobustness, ChunkHandlerHoldsTheEngineLock) {
    service_ptr_t<dsp_v2> d = MakeInstance(ConfigWithMode(2));
    LockProbeChunk c;
    FillChunk(c.m_inner, TestSignal(2 * 128), 2, 44100);
    abort_callback_dummy noabort;
    static_cast<dsp_halvane&>(*d).on_chunk(&c, noabort);
    EXPECT_GE(c.m_probes, 2) << "the handler reads the rate and replaces the data";
    EXPECT_EQ(c.m_heldOnProbe, c.m_probes);
    // And it is free again afterwards.
    ASSERT_TRUE(HVEngineMutex().try_lock());
    HVEngineMutex().unlock();
}

// Two chains on two threads: a bypass chain must get its audio back bit for bit and the
// decoding chain must always get five channels. Without serialisation the chains see each
// other's settings (the configuration in force is process-wide) and the shared buffers.
TEST(DspRobustness, TwoInstancesOnTwoThreadsKeepTheirOwnResults) {
    constexpr int kChunks = 1000;
    std::atomic<int> ready{0};
    std::atomic<int> bypassWrong{0}, decodeWrong{0};
    const std::vector<float> in = TestSignal(2 * 4096);

    auto run = [&](uint32_t mode, std::atomic<int>& wrong) {
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
            if (!c) {
                ++wrong;
                continue;
            }
            if (mode == 0 && (c->get_channels() != 2 || !SameSamples(*c, in))) ++wrong;
            if (mode == 2 && (c->get_channels() != 5 || c->get_sample_count() != 4096)) ++wrong;
        }
    };
    std::thread a(run, 0u, std::ref(bypassWrong));
    std::thread b(run, 2u, std::ref(decodeWrong));
    a.join();
    b.join();
    EXPECT_EQ(bypassWrong.load(), 0);
    EXPECT_EQ(decodeWrong.load(), 0);
}

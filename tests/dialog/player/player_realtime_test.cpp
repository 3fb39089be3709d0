// The player on its audio thread, to the null output in real time: presets published while
// paused and mid-stream, output reopened on a format change, pause, seek with flush, next, quit
// and end of playback; and the real component module, whose playing flag and engine status we
// watch.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "FakeDsp.h"
#include "app/ModuleHost.h"
#include "app/NullOutput.h"
#include "app/Player.h"
#include "app/PresetFile.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_status.h"
#include "sdk/service_enum.h"

namespace hv_player_test {
namespace {

constexpr uint32_t kRate = 8000;
constexpr uint64_t kChunk = 400;  // 50 ms

// The null output, keeping every open and every write (one per DSP result chunk).
class RecordingOutput final : public NullOutput {
public:
    void Open(unsigned channels, uint32_t rate) override {
        NullOutput::Open(channels, rate);
        std::lock_guard<std::mutex> lock(m);
        opens.push_back(channels);
    }
    void Write(const float* s, uint64_t frames) override {
        {
            std::lock_guard<std::mutex> lock(m);
            writes.emplace_back(s, s + frames * Channels());
        }
        NullOutput::Write(s, frames);
    }
    std::mutex m;
    std::vector<unsigned> opens;
    std::vector<std::vector<float>> writes;
};

// A ramp: every channel of frame i holds i, so any sample tells where it came from.
std::unique_ptr<PlayTrack> Ramp(uint64_t frames, uint32_t rate = kRate, unsigned channels = 2) {
    std::vector<float> s(frames * channels);
    for (uint64_t i = 0; i < s.size(); ++i) s[i] = float(i / channels);
    return std::make_unique<MemoryTrack>(std::move(s), channels, rate, channels == 2 ? 3u : 4u);
}

// Waits for the audio thread; the limit only guards against hanging forever.
bool WaitFor(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(PlayerRealtime, PresetsPauseSeekAndEndWithAStandInDsp) {
    g_fakeFlushes = 0;
    g_fakeEndOfPlayback = 0;
    service_impl_single_t<FakeEntry> entry;
    PlaybackEvents events(nullptr);
    RecordingOutput output;
    const dsp_preset_impl opening = FakePreset(1, 0);
    Player player(entry, opening, events, output, {"ramp"}, [](const std::string&) { return Ramp(3 * kRate); },
                  kChunk);
    player.SetPaused(true);  // hold the stream so that several presets meet one chunk
    player.Start();
    ASSERT_TRUE(WaitFor([&] { return player.Status().paused; }));
    const uint64_t at = player.PublishPreset(FakePreset(3, 0));
    EXPECT_EQ(player.PublishPreset(FakePreset(5, 0)), at);
    EXPECT_EQ(player.PublishPreset(opening), at);  // what the dialog's Cancel does: it wins
    dsp_preset_impl current;
    player.CurrentPreset(current);
    EXPECT_TRUE(current == opening);
    player.SetPaused(false);

    ASSERT_TRUE(WaitFor([&] { return player.Status().chunks >= 4; }));
    // Doubled and widened to six channels from the next chunk on.
    const uint64_t switchAt = player.PublishPreset(FakePreset(2, 6));
    ASSERT_TRUE(WaitFor([&] { return player.Status().chunks >= switchAt + 3; }));

    player.SetPaused(true);
    ASSERT_TRUE(WaitFor([&] { return player.Status().paused; }));
    const PlayerStatus atPause = player.Status();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(player.Status().chunks, atPause.chunks) << "nothing plays while paused";

    player.SeekBy(1.0);  // while paused: takes effect at once, flushing the DSP
    ASSERT_TRUE(WaitFor([&] { return player.Status().flushes == 1; }));
    EXPECT_EQ(player.Status().positionFrames, atPause.positionFrames + kRate);
    EXPECT_EQ(g_fakeFlushes.load(), 1);
    player.SetPaused(false);

    player.Join();
    const PlayerStatus end = player.Status();
    EXPECT_TRUE(end.finished);
    EXPECT_TRUE(end.error.empty()) << end.error;
    EXPECT_EQ(end.positionFrames, 3 * kRate);
    EXPECT_EQ(g_fakeEndOfPlayback.load(), 1);

    std::lock_guard<std::mutex> lock(output.m);
    // One write per chunk: 3 s of input less the second skipped.
    ASSERT_EQ(output.writes.size(), size_t(2 * kRate / kChunk));
    EXPECT_EQ(output.opens, (std::vector<unsigned>{2, 6}));
    for (uint64_t k = 0; k < output.writes.size(); ++k) {
        const auto& w = output.writes[k];
        const bool after = k >= switchAt;
        ASSERT_EQ(w.size(), kChunk * (after ? 6 : 2)) << "chunk " << k;
        // Frame index of the chunk's first frame: the second skipped at the pause.
        const uint64_t first = k * kChunk + (k >= atPause.chunks ? kRate : 0);
        EXPECT_EQ(w.front(), float(first) * (after ? 2.0f : 1.0f)) << "chunk " << k;
        EXPECT_EQ(w.back(), float(first + kChunk - 1) * (after ? 2.0f : 1.0f)) << "chunk " << k;
    }
}

TEST(PlayerRealtime, NextSkipsTheRestOfATrackAndQuitStopsEarly) {
    service_impl_single_t<FakeEntry> entry;
    PlaybackEvents events(nullptr);
    NullOutput output;
    std::vector<std::string> opened;
    Player player(entry, FakePreset(1, 0), events, output, {"one", "two", "three"},
                  [&](const std::string& name) {
                      opened.push_back(name);
                      return Ramp(2 * kRate);
                  },
                  kChunk);
    player.Start();
    ASSERT_TRUE(WaitFor([&] { return player.Status().chunks >= 2; }));
    player.Next();
    ASSERT_TRUE(WaitFor([&] { return player.Status().track == 1; }));
    player.Quit();
    player.Join();
    EXPECT_EQ(opened, (std::vector<std::string>{"one", "two"}));
    EXPECT_LT(player.Status().chunks, 2 * kRate / kChunk) << "less than one whole track";
}

// The real component, loaded as the host loads it, with its configuration in a fresh folder.
class ModulePlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        setenv("XDG_CONFIG_HOME", dir_, 1);
        StoreSettings(DefaultSettings(), preset);
    }
    void TearDown() override { std::system((std::string("rm -rf '") + dir_ + "'").c_str()); }
    char dir_[64] = "/tmp/halvane-player-XXXXXX";
    dsp_preset_impl preset;
};

TEST_F(ModulePlayback, PlayingFlagEngineFormatPauseSeekAndStop) {
    ModuleHost module(HALVANE_TEST_MODULE);
    service_ptr_t<dsp_entry_v2> entry = module.FindDspEntry(HALVANE_GUID);
    service_ptr_t<halvane_status> engine;
    ASSERT_TRUE(find_service(module.Services(), engine));
    EXPECT_FALSE(engine->IsPlaying());
    NullOutput output;
    {
        Player player(*entry, preset, module.Playback(), output, {"stereo", "mono"},
                      [](const std::string& name) {
                          return name == "stereo" ? Ramp(22050, 44100, 2) : Ramp(12000, 48000, 1);
                      },
                      1024);
        player.Start();
        ASSERT_TRUE(WaitFor([&] { return player.Status().chunks >= 3; }));
        EXPECT_TRUE(engine->IsPlaying());
        EXPECT_EQ(engine->GetChannels(), 2u);
        EXPECT_EQ(engine->GetSRate(), 44100u);

        player.SetPaused(true);
        ASSERT_TRUE(WaitFor([&] { return player.Status().paused; }));
        EXPECT_TRUE(engine->IsPlaying()) << "pausing keeps the playing flag";
        player.SeekBy(-10.0);  // back past the start: clamps to 0, flushes
        ASSERT_TRUE(WaitFor([&] { return player.Status().flushes == 1; }));
        EXPECT_EQ(player.Status().positionFrames, 0u);
        player.SetPaused(false);

        ASSERT_TRUE(WaitFor([&] { return player.Status().track == 1 && player.Status().positionFrames >= 4096; }));
        EXPECT_EQ(engine->GetChannels(), 1u);
        EXPECT_EQ(engine->GetSRate(), 48000u);
        EXPECT_TRUE(engine->IsPlaying()) << "a new track keeps the flag";
        player.Join();
        EXPECT_TRUE(player.Status().error.empty()) << player.Status().error;
    }
    EXPECT_FALSE(engine->IsPlaying()) << "stop clears the playing flag";
    engine.release();
    entry.release();
}

TEST_F(ModulePlayback, PopupWithoutADisplayShowsNothingAndKeepsTheHostAlive) {
    // A toolkit started without a display would end the whole host process; the module's
    // popup must notice first and return.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    ModuleHost module(HALVANE_TEST_MODULE);
    service_ptr_t<dsp_entry_v2> entry = module.FindDspEntry(HALVANE_GUID);
    const dsp_preset_impl before = preset;
    EXPECT_FALSE(entry->show_config_popup(preset, nullptr));
    EXPECT_TRUE(preset == before);
    entry.release();
}

}  // namespace
}  // namespace hv_player_test

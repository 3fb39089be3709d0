// halvane play FILE...: real-time playback through the DSP, with terminal keys, a status
// line and the configuration dialog over playback.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "app/AppError.h"
#include "app/Commands.h"
#include "app/DialogAvailability.h"
#include "app/HostOptions.h"
#include "app/PlayStatusLine.h"
#include "app/Player.h"
#include "app/PresetFile.h"
#include "app/TerminalKeys.h"
#include "host/dsp_halvane_params.h"
#include "host/halvane_status.h"
#include "sdk/service_enum.h"

namespace {

constexpr const char* kUsage =
    "halvane play FILE... [--output DEVICE|null] [--preset FILE] [--configure] [--chunk FRAMES] [--component PATH]";

// Every preset the dialog publishes goes straight to the live chain.
class ToPlayer final : public dsp_preset_edit_callback {
public:
    explicit ToPlayer(Player& player) : player_(player) {}
    void on_preset_changed(const dsp_preset& p) override { player_.PublishPreset(p); }

private:
    Player& player_;
};

// SIGINT, SIGTERM and SIGHUP end playback through the player (the terminal gets its mode
// back); the exit status is then 128 + the signal.
std::atomic<int> g_signal{0};
void OnInterrupt(int sig) { g_signal = sig; }

uint32_t ModeOf(const dsp_preset& p) {
    t_dsp_halvane_params params = t_dsp_halvane_params::g_default();
    params.set_data(p);
    return params.get_config().dwMode;
}

}  // namespace

int RunPlay(CommandArgs args) {
    const OptionSpec specs[] = {{"output", true, false}, {"preset", true, false}, {"configure", false, false},
                                kChunkOption, kComponentOption};
    ParsedArgs parsed = ParseArgs(args, specs);
    if (parsed.positional.empty()) throw UsageError(std::string("usage: ") + kUsage);
    const uint64_t chunk = parsed.Value("chunk") ? ChunkFramesOption(parsed) : 1024;

    const HVLIB_CONFIG settings = parsed.Value("preset") ? LoadPresetSettings(*parsed.Value("preset")) : DefaultSettings();
    std::unique_ptr<AudioOutput> output = OpenAudioOutput(parsed.Value("output").value_or("default"));
    ModuleHost module(ModulePathOption(parsed));
    service_ptr_t<dsp_entry_v2> entry = module.FindDspEntry(HALVANE_GUID);
    service_ptr_t<halvane_status> engine;
    find_service(module.Services(), engine);

    dsp_preset_impl preset;
    StoreSettings(settings, preset);
    int exitCode = kExitOk;
    {
        Player player(*entry, preset, module.Playback(), *output, parsed.positional, OpenFileTrack, chunk);
        std::atomic<bool> configure{parsed.Has("configure")};
        std::atomic<bool> dialogOpen{false};
        TerminalKeys keys([&](Key k) {
            switch (k) {
                case Key::Space: player.TogglePause(); break;
                case Key::Left: player.SeekBy(-Player::kSeekStepSeconds); break;
                case Key::Right: player.SeekBy(Player::kSeekStepSeconds); break;
                case Key::Next: player.Next(); break;
                case Key::Quit: player.Quit(); break;
                case Key::Configure: configure = true; break;
            }
        });
        if (keys.Active())
            std::fprintf(stderr, "keys: space pause, left/right seek 10 s, n next, c configure, q quit\n");

        // The status line, redrawn four times a second on its own thread (the dialog holds the
        // main thread while it is open).
        std::mutex statusMutex;
        std::condition_variable statusWake;
        bool statusStop = false;
        const bool tty = isatty(STDERR_FILENO);
        size_t errorsShown = 0;
        // Every track that cannot be played gets its own line, as soon as it is known.
        auto showErrors = [&](const PlayerStatus& s) {
            for (; errorsShown < s.trackErrors.size(); ++errorsShown)
                std::fprintf(stderr, "%shalvane: %s\n", tty ? "\r\x1b[K" : "", s.trackErrors[errorsShown].c_str());
        };
        auto drawStatus = [&](bool last) {
            const PlayerStatus s = player.Status();
            showErrors(s);
            dsp_preset_impl current;
            player.CurrentPreset(current);
            EngineState e;
            if (engine.is_valid()) {
                e.known = true;
                e.playing = engine->IsPlaying();
                e.channels = engine->GetChannels();
                e.rate = engine->GetSRate();
            }
            const std::string line = FormatPlayStatus(s, ModeOf(current), e);
            if (tty) std::fprintf(stderr, "\r\x1b[K%s%s", line.c_str(), last ? "\n" : "");
            else if (last) std::fprintf(stderr, "%s\n", line.c_str());
        };
        auto exitStatus = [&](const PlayerStatus& end) {
            if (const int sig = g_signal.load()) return 128 + sig;
            if (!end.trackErrors.empty() || (!end.error.empty() && end.chunks == 0)) return kExitFailure;
            return kExitOk;
        };
        std::thread status([&] {
            std::unique_lock<std::mutex> lock(statusMutex);
            while (!statusWake.wait_for(lock, std::chrono::milliseconds(250), [&] { return statusStop; })) {
                if (g_signal) player.Quit();
                drawStatus(false);
                // The dialog holds the main thread and has no way to be told to close: when the
                // queue is over (or a signal ended it) the process ends from here, keeping the
                // configuration and giving the terminal back first.
                if (dialogOpen && player.Status().finished) {
                    player.Join();
                    drawStatus(true);
                    const PlayerStatus end = player.Status();
                    if (!end.error.empty()) std::fprintf(stderr, "halvane: %s\n", end.error.c_str());
                    keys.RestoreTerminal();
                    module.SaveConfig();
                    std::fflush(stdout);
                    std::fflush(stderr);
                    _exit(exitStatus(end));
                }
            }
        });

        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);

        player.Start();
        ToPlayer toPlayer(player);
        while (!player.Status().finished) {
            if (configure.exchange(false)) {
                if (!DialogCanShow()) {
                    std::fprintf(stderr, "\nhalvane: no display for the configuration dialog\n");
                    continue;
                }
                dsp_preset_impl current;
                player.CurrentPreset(current);
                dialogOpen = true;
                entry->show_config_popup_v2(current, nullptr, toPlayer);
                dialogOpen = false;
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        player.Join();
        {
            std::lock_guard<std::mutex> lock(statusMutex);
            statusStop = true;
        }
        statusWake.notify_all();
        status.join();
        drawStatus(true);
        const PlayerStatus end = player.Status();
        if (!end.error.empty()) std::fprintf(stderr, "halvane: %s\n", end.error.c_str());
        exitCode = exitStatus(end);
    }
    engine.release();
    entry.release();
    return exitCode;
}

// Player: real-time playback of a list of tracks through the DSP chain, on an audio thread.
//
// The audio thread reads the current track in chunks of `chunkFrames` frames, runs each
// chunk through the DSP instance (run_v2, as the player does) and writes what comes back to
// the output, which paces it (a sound card, or the null output at real time). When the DSP
// returns another channel count or rate than the output was opened for, the output is
// reopened for the new format before the chunk is written.
//
// Playback events go to the module's listeners: starting and the first new track at the
// start, a new track per track, pause and resume, seek, a time event per second, and stop
// at the end (reason eof, or user after Quit). A seek moves the read position and flushes
// the DSP (the engine restarts from silence at the next chunk). At the end the DSP gets the
// end-of-playback flush and the output plays out what it holds.
//
// Presets: PublishPreset may be called from any thread (the configuration dialog's, on the
// UI thread). The chunk that starts next creates a fresh DSP instance from the preset and
// runs with it; instances are created on the audio thread only.
//
// Commands (TogglePause, SeekBy, Next, Quit) may come from any thread and are taken at the
// next chunk boundary. Status() is a consistent snapshot, any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AudioOutput.h"
#include "app/PlayTrack.h"
#include "app/PlaybackEvents.h"
#include "sdk/dsp.h"
#include "sdk/dsp_entry.h"
#include "sdk/dsp_preset.h"

struct PlayerStatus {
    size_t track = 0;           // index of the current track
    size_t trackCount = 0;
    std::string trackName;
    uint64_t positionFrames = 0;
    uint64_t lengthFrames = 0;
    uint32_t rate = 0;          // the track's
    unsigned inChannels = 0;    // the track's
    unsigned outChannels = 0;   // what the output is open for (0 before the first chunk)
    uint32_t outRate = 0;
    uint64_t chunks = 0;        // chunks run through the DSP so far
    uint64_t flushes = 0;       // seeks that flushed the DSP
    int outputOpens = 0;        // times the output was (re)opened
    bool paused = false;
    bool finished = false;
    std::string error;          // why playback ended early, if it did
    std::vector<std::string> trackErrors;  // one line per track that could not be played
};

class Player {
public:
    using TrackOpener = std::function<std::unique_ptr<PlayTrack>(const std::string& name)>;

    static constexpr double kSeekStepSeconds = 10.0;

    // `entry` creates the DSP instances; `preset` is the first one. Nothing plays until Start.
    Player(dsp_entry& entry, const dsp_preset& preset, PlaybackEvents& events, AudioOutput& output,
           std::vector<std::string> tracks, TrackOpener open, uint64_t chunkFrames = 1024);
    ~Player();  // quits and joins
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Start();
    void Join();  // returns when playback has ended

    void TogglePause();
    void SetPaused(bool paused);
    void SeekBy(double seconds);  // negative: back
    void Next();
    void Quit();

    // Hands a new preset to the chain; returns the index (0-based, counting every chunk run
    // so far) of the chunk that will be the first to run with it.
    uint64_t PublishPreset(const dsp_preset& preset);
    // The preset in force or pending: what the dialog should open on.
    void CurrentPreset(dsp_preset& out) const;

    PlayerStatus Status() const;

private:
    struct Commands {
        bool quit = false, next = false;
        double seek = 0.0;
        bool seekWanted = false;
        std::optional<bool> pause;  // set when the wanted pause state differs from the applied one
    };

    void Run();
    bool PlayTrackAt(size_t index);  // false when playback must end (quit)
    Commands TakeCommands();
    void ApplyPause(bool paused);
    service_ptr_t<dsp_v2> Instantiate(const dsp_preset& preset);
    void Deliver(dsp_chunk_list& list);
    void Update(const std::function<void(PlayerStatus&)>& change);

    dsp_entry& entry_;
    PlaybackEvents& events_;
    AudioOutput& output_;
    const std::vector<std::string> tracks_;
    const TrackOpener open_;
    const uint64_t chunk_frames_;

    // Audio thread only.
    service_ptr_t<dsp_v2> dsp_;
    unsigned out_channels_ = 0;
    uint32_t out_rate_ = 0;
    bool paused_applied_ = false;

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable wake_;
    dsp_preset_impl preset_;                  // last published (or the first)
    std::optional<dsp_preset_impl> pending_;  // published, not yet in force
    uint64_t chunks_started_ = 0;
    bool quit_ = false, next_ = false, pause_wanted_ = false;
    double seek_ = 0.0;
    bool seek_wanted_ = false;
    PlayerStatus status_;

    std::thread thread_;
};

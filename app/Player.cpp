#include "app/Player.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/AppError.h"
#include "sdk/abort_callback.h"
#include "sdk/dsp_chunk_list.h"

Player::Player(dsp_entry& entry, const dsp_preset& preset, PlaybackEvents& events, AudioOutput& output,
               std::vector<std::string> tracks, TrackOpener open, uint64_t chunkFrames)
    : entry_(entry),
      events_(events),
      output_(output),
      tracks_(std::move(tracks)),
      open_(std::move(open)),
      chunk_frames_(std::max<uint64_t>(1, chunkFrames)),
      preset_(preset) {
    status_.trackCount = tracks_.size();
}

Player::~Player() {
    Quit();
    Join();
}

void Player::Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void Player::Join() {
    if (thread_.joinable()) thread_.join();
}

void Player::TogglePause() {
    std::lock_guard<std::mutex> lock(mutex_);
    pause_wanted_ = !pause_wanted_;
    wake_.notify_all();
}

void Player::SetPaused(bool paused) {
    std::lock_guard<std::mutex> lock(mutex_);
    pause_wanted_ = paused;
    wake_.notify_all();
}

void Player::SeekBy(double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    seek_ += seconds;
    seek_wanted_ = true;
    wake_.notify_all();
}

void Player::Next() {
    std::lock_guard<std::mutex> lock(mutex_);
    next_ = true;
    wake_.notify_all();
}

void Player::Quit() {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    wake_.notify_all();
}

uint64_t Player::PublishPreset(const dsp_preset& preset) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.emplace(preset);
    preset_ = preset;
    return chunks_started_;
}

void Player::CurrentPreset(dsp_preset& out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    out = preset_;
}

PlayerStatus Player::Status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

void Player::Update(const std::function<void(PlayerStatus&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(status_);
}

Player::Commands Player::TakeCommands() {
    std::unique_lock<std::mutex> lock(mutex_);
    // While paused the audio thread sleeps here until something is asked of it.
    wake_.wait(lock, [this] {
        return quit_ || next_ || seek_wanted_ || !pause_wanted_ || pause_wanted_ != paused_applied_;
    });
    Commands c;
    c.quit = quit_;
    c.next = std::exchange(next_, false);
    c.seekWanted = std::exchange(seek_wanted_, false);
    c.seek = std::exchange(seek_, 0.0);
    if (pause_wanted_ != paused_applied_) c.pause = pause_wanted_;
    return c;
}

void Player::ApplyPause(bool paused) {
    paused_applied_ = paused;
    output_.SetPaused(paused);
    events_.Pause(paused);
    Update([paused](PlayerStatus& s) { s.paused = paused; });
}

service_ptr_t<dsp_v2> Player::Instantiate(const dsp_preset& preset) {
    service_ptr_t<dsp> instance;
    service_ptr_t<dsp_v2> v2;
    if (!entry_.instantiate(instance, preset) || !instance.is_valid() || !instance->service_query_t(v2))
        throw Failure("the DSP refused to create an instance from the preset");
    return v2;
}

// Writes every chunk the DSP returned, reopening the output whenever the format changes.
void Player::Deliver(dsp_chunk_list& list) {
    for (size_t i = 0; i < list.get_count(); ++i) {
        const audio_chunk* c = list.get_item(i);
        if (!c || c->is_empty()) continue;
        if (c->get_channels() != out_channels_ || c->get_srate() != out_rate_) {
            output_.Open(c->get_channels(), c->get_srate());
            out_channels_ = c->get_channels();
            out_rate_ = c->get_srate();
            Update([this](PlayerStatus& s) {
                s.outChannels = out_channels_;
                s.outRate = out_rate_;
                ++s.outputOpens;
            });
        }
        output_.Write(c->get_data(), c->get_sample_count());
    }
    list.remove_all();
}

bool Player::PlayTrackAt(size_t index) {
    const std::string& name = tracks_[index];
    std::unique_ptr<PlayTrack> track;
    try {
        track = open_(name);
    } catch (const std::exception& e) {
        Update([&](PlayerStatus& s) { s.trackErrors.push_back(e.what()); });
        return true;  // skip it, play the next one
    }
    const unsigned channels = track->Channels();
    const uint32_t rate = track->SampleRate();
    const uint32_t mask = track->ChannelMask();
    const uint64_t length = track->Length();
    Update([&](PlayerStatus& s) {
        s.track = index;
        s.trackName = name;
        s.positionFrames = 0;
        s.lengthFrames = length;
        s.rate = rate;
        s.inChannels = channels;
    });
    events_.NewTrack(name.c_str());

    std::vector<float> buffer(size_t(chunk_frames_ * channels));
    dsp_chunk_list_impl list;
    abort_callback_impl abort;
    uint64_t position = 0;
    uint64_t nextSecond = rate;

    for (;;) {
        const Commands cmd = TakeCommands();
        if (cmd.quit) return false;
        if (cmd.next) break;
        if (cmd.seekWanted && cmd.seek != 0.0) {
            const double target = double(position) + cmd.seek * rate;
            const uint64_t frame =
                target <= 0.0 ? 0 : std::min<uint64_t>(uint64_t(std::llround(target)), length ? length : UINT64_MAX);
            if (track->SeekTo(frame)) {
                position = frame;
                nextSecond = (position / rate + 1) * rate;
                dsp_->flush();  // the engine restarts from silence at the next chunk
                events_.Seek(double(position) / rate);
                Update([position](PlayerStatus& s) {
                    s.positionFrames = position;
                    ++s.flushes;
                });
            }
        }
        if (cmd.pause) ApplyPause(*cmd.pause);
        if (paused_applied_) continue;

        const uint64_t n = track->Read(buffer.data(), chunk_frames_);
        if (n == 0) break;
        std::optional<dsp_preset_impl> fresh;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            fresh.swap(pending_);
            ++chunks_started_;
        }
        if (fresh) dsp_ = Instantiate(*fresh);

        audio_chunk* chunk = list.add_item(size_t(n * channels));
        chunk->set_data(buffer.data(), size_t(n), channels, rate, mask);
        dsp_->run_v2(&list, 0, abort);
        Deliver(list);
        position += n;
        Update([position](PlayerStatus& s) {
            s.positionFrames = position;
            ++s.chunks;
        });
        while (position >= nextSecond) {
            events_.Time(double(nextSecond / rate));
            nextSecond += rate;
        }
    }
    // Track change: the DSP sees the end-of-track mark (it asks for none, so nothing happens).
    dsp_->run_v2(&list, dsp::END_OF_TRACK, abort);
    Deliver(list);
    return true;
}

void Player::Run() {
    bool quit = false;
    try {
        {
            dsp_preset_impl first;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                first = preset_;
                pending_.reset();
            }
            dsp_ = Instantiate(first);
        }
        events_.Starting(play_control::track_command_play, false);
        for (size_t i = 0; i < tracks_.size() && !quit; ++i) quit = !PlayTrackAt(i);
        // End of playback: the DSP gives out what it holds and asks for an engine reset.
        dsp_chunk_list_impl list;
        abort_callback_impl abort;
        dsp_->run_v2(&list, dsp::END_OF_TRACK | dsp::FLUSH, abort);
        if (!quit) Deliver(list);
        if (paused_applied_) output_.SetPaused(false);
        output_.Close();
    } catch (const std::exception& e) {
        Update([&](PlayerStatus& s) { s.error = e.what(); });
        quit = true;
    }
    events_.Stop(quit ? play_control::stop_reason_user : play_control::stop_reason_eof);
    dsp_.release();
    Update([](PlayerStatus& s) {
        s.finished = true;
        s.paused = false;
    });
}

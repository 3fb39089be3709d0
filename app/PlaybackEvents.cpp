#include "app/PlaybackEvents.h"

#include "sdk/service_enum.h"

PlaybackEvents::PlaybackEvents(service_factory_base* serviceList) {
    service_enum_t<play_callback_static> e(serviceList);
    service_ptr_t<play_callback_static> cb;
    while (e.next(cb)) {
        unsigned flags = cb->get_flags();
        listeners_.push_back({cb, flags});
    }
}

std::vector<unsigned> PlaybackEvents::ListenerFlags() const {
    std::vector<unsigned> flags;
    for (const Listener& l : listeners_) flags.push_back(l.flags);
    return flags;
}

template <class Fn>
void PlaybackEvents::Notify(unsigned flag, Fn&& fn) {
    for (Listener& l : listeners_)
        if (l.flags & flag) fn(*l.callback);
}

void PlaybackEvents::Starting(play_control::t_track_command command, bool paused) {
    Notify(play_callback_static::flag_on_playback_starting,
           [&](play_callback_static& cb) { cb.on_playback_starting(command, paused); });
}

void PlaybackEvents::NewTrack(const char* track) {
    Notify(play_callback_static::flag_on_playback_new_track,
           [&](play_callback_static& cb) { cb.on_playback_new_track(track); });
}

void PlaybackEvents::Stop(play_control::t_stop_reason reason) {
    Notify(play_callback_static::flag_on_playback_stop,
           [&](play_callback_static& cb) { cb.on_playback_stop(reason); });
}

void PlaybackEvents::Seek(double seconds) {
    Notify(play_callback_static::flag_on_playback_seek,
           [&](play_callback_static& cb) { cb.on_playback_seek(seconds); });
}

void PlaybackEvents::Pause(bool paused) {
    Notify(play_callback_static::flag_on_playback_pause,
           [&](play_callback_static& cb) { cb.on_playback_pause(paused); });
}

void PlaybackEvents::Time(double seconds) {
    Notify(play_callback_static::flag_on_playback_time,
           [&](play_callback_static& cb) { cb.on_playback_time(seconds); });
}

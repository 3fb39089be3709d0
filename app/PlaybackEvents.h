// Tells the module's playback listeners (play_callback_static services) what the host is
// doing, the way a player does: each listener gets only the events whose flag bits it asked
// for in get_flags(), which is read once when the listeners are collected.
#pragma once

#include "sdk/play_callback.h"

#include <vector>

class PlaybackEvents {
public:
    // Collects every play_callback_static registered in the factory list.
    explicit PlaybackEvents(service_factory_base* serviceList);

    size_t ListenerCount() const { return listeners_.size(); }
    // The flags each listener asked for, in list order.
    std::vector<unsigned> ListenerFlags() const;

    void Starting(play_control::t_track_command command, bool paused);
    void NewTrack(const char* track);
    void Stop(play_control::t_stop_reason reason);
    void Seek(double seconds);
    void Pause(bool paused);
    void Time(double seconds);

    // Drops the listeners (before the module is unloaded).
    void Release() { listeners_.clear(); }

private:
    struct Listener {
        service_ptr_t<play_callback_static> callback;
        unsigned flags;
    };
    template <class Fn>
    void Notify(unsigned flag, Fn&& fn);

    std::vector<Listener> listeners_;
};

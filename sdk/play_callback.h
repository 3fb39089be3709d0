// play_callback_static: a module's listener for the host's playback events. The host reads
// get_flags() once and then calls only the events whose bits are set, on its main thread.
#pragma once

#include "sdk/service.h"
#include "sdk/service_factory.h"

namespace play_control {
enum t_track_command { track_command_default = 0, track_command_play, track_command_next, track_command_prev,
                       track_command_settrack, track_command_rand, track_command_resume };
enum t_stop_reason { stop_reason_user = 0, stop_reason_eof, stop_reason_starting_another, stop_reason_shutting_down };
}  // namespace play_control

class play_callback_static : public service_base {
    HV_SERVICE_INTERFACE(play_callback_static, service_base, play_callback_static,
                         (GUID{0xe153e7bb, 0xf777, 0x43b0, {0x89, 0xc2, 0x42, 0xfc, 0xa4, 0x94, 0x17, 0x8b}}))

    enum : unsigned {
        flag_on_playback_starting = 1u << 0,
        flag_on_playback_new_track = 1u << 1,
        flag_on_playback_stop = 1u << 2,
        flag_on_playback_seek = 1u << 3,
        flag_on_playback_pause = 1u << 4,
        flag_on_playback_edited = 1u << 5,
        flag_on_playback_dynamic_info = 1u << 6,
        flag_on_playback_dynamic_info_track = 1u << 7,
        flag_on_playback_time = 1u << 8,
        flag_on_volume_change = 1u << 9,
        flag_on_playback_all = (1u << 9) - 1,  // every playback event, not volume
    };

    // Which events this listener wants (flag_ bits).
    virtual unsigned get_flags() = 0;

    // Tracks are named by their location (may be null); info texts are "name=value" lines.
    virtual void on_playback_starting(play_control::t_track_command p_command, bool p_paused) = 0;
    virtual void on_playback_new_track(const char* p_track) = 0;
    virtual void on_playback_stop(play_control::t_stop_reason p_reason) = 0;
    virtual void on_playback_seek(double p_time) = 0;
    virtual void on_playback_pause(bool p_state) = 0;
    virtual void on_playback_edited(const char* p_track) = 0;
    virtual void on_playback_dynamic_info(const char* p_info) = 0;
    virtual void on_playback_dynamic_info_track(const char* p_info) = 0;
    virtual void on_playback_time(double p_time) = 0;
    virtual void on_volume_change(float p_new_val) = 0;
};

template <class T>
class play_callback_static_factory_t : public service_factory_single_t<T> {};

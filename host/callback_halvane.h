// callback_halvane: tells the configuration dialog whether the player is playing.
// Writes g_bIsPlaying (host/halvane_engine.h): 1 on playback starting or a new track, 0 on stop,
// whatever the reason; every other event leaves it alone. Host main thread.
#pragma once

#include "sdk/play_callback.h"

class callback_halvane : public play_callback_static {
public:
    // 511: starting, new track, stop, seek, pause, edited, dynamic info, dynamic info of the
    // track, time; not volume changes.
    unsigned get_flags() override { return flag_on_playback_all; }

    void on_playback_starting(play_control::t_track_command p_command, bool p_paused) override;
    void on_playback_new_track(const char* p_track) override;
    void on_playback_stop(play_control::t_stop_reason p_reason) override;
    void on_playback_seek(double) override {}
    void on_playback_pause(bool) override {}
    void on_playback_edited(const char*) override {}
    void on_playback_dynamic_info(const char*) override {}
    void on_playback_dynamic_info_track(const char*) override {}
    void on_playback_time(double) override {}
    void on_volume_change(float) override {}
};
static_assert(play_callback_static::flag_on_playback_all == 511);

#include "host/callback_halvane.h"

#include "host/halvane_engine.h"

void callback_halvane::on_playback_starting(play_control::t_track_command, bool) { g_bIsPlaying.store(1); }
void callback_halvane::on_playback_new_track(const char*) { g_bIsPlaying.store(1); }
void callback_halvane::on_playback_stop(play_control::t_stop_reason) { g_bIsPlaying.store(0); }

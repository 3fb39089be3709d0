#include "host/halvane_status.h"

#include "host/halvane_engine.h"

bool halvane_status_impl::IsSSE2Supported() { return halvane::IsSSE2Supported(); }
bool halvane_status_impl::IsCUDASupported() { return halvane::IsCUDASupported(); }
uint32_t halvane_status_impl::GetSRate() { return g_hvlib.LastSampleRate(); }
uint32_t halvane_status_impl::GetChannels() { return g_dwChannels.load(); }
bool halvane_status_impl::IsPlaying() { return g_bIsPlaying.load() != 0; }

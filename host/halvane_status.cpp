#include "host/halvane_status.h"

#include "engine/HVLib.h"

bool halvane_status_impl::IsSSE2Supported() { return CHVLib::IsSSE2Supported() != 0; }
bool halvane_status_impl::IsCUDASupported() { return CHVLib::IsCUDASupported() != 0; }
uint32_t halvane_status_impl::GetSRate() { return CHVLib::GetSRate(); }
uint32_t halvane_status_impl::GetChannels() { return g_dwChannels.load(); }
bool halvane_status_impl::IsPlaying() { return g_bIsPlaying.load() != 0; }

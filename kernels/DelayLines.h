// Room delays (kernel slot 11), one scalar implementation shared by both kernel sets.
//
// Six ring lines m_delay of the stream state (L R C Sub SL SR), one float per sample; a line's count is
// its delay in samples (0 = the channel passes unchanged) and its cursor m_dwPos the next
// read/write position. The delay is exactly count samples and continues across chunks.
// A line whose wanted length changed is restarted from silence (zero-filled); a line whose
// length is unchanged keeps its content. Storage grows only when a longer line is needed.
//
// HV_FLAG_ROOM: room set-up, lengths m_dwDelayMusic (dwSurroundMode 1) or m_dwDelayMovie.
// HV_FLAG_HEADPHONES: headphone set-up, front lines off, SL/SR get the surround delay of the chosen
//            headphone set when that set decodes stereo sources, else off.
// Reads s.m_pConfig. Audio thread of the stream only.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"

struct HVKernelState;

void DelayChannelsShared(HVKernelState& s, HVFrames& chunk, uint32_t flag);

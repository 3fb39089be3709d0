// Float host audio in and out (kernel slots 30-37). One implementation serves both kernel
// sets, so the chunk pipeline's conversions are bit-identical whichever set runs.
//
// Inputs resize `dst` to n frames (discarding resize) and write slots 0-5 of every frame:
// the source's channels where the layout has them, 0.0 elsewhere; slots 6 and 7 are never
// written. Outputs resize `dst` to src.m_dwCount elements and copy the layout's slots.
// No clipping, no scaling: float full scale is +-1.0.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"

void ConvertFloatMonoShared(const float* src, uint32_t n, HVFrames& dst);    // C
void ConvertFloatStereoShared(const float* src, uint32_t n, HVFrames& dst);  // L R
void ConvertFloatFiveShared(const float* src, uint32_t n, HVFrames& dst);    // L R C SL SR
void ConvertFloatSixShared(const float* src, uint32_t n, HVFrames& dst);     // L R C LFE SL SR
void OutputFloatMonoShared(const HVFrames& src, HVBuffer<float>& dst);
void OutputFloatStereoShared(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst);
void OutputFloatFiveShared(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst);  // LFE dropped
void OutputFloatSixShared(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst);

// The three steps of one 8192-frame block of the headphone stage, exposed so that the GPU
// path and the benchmarks can use them one by one. HeadphoneProcess strings them together.
// All work on the process-wide state of HVHeadphoneState.h; audio thread only.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"

// Copies frames [first, first + count) of `chunk` into positions g_hpFill .. of the five
// block inputs (L and R with the LFE folded in at HP_LFE_GAIN, C, SL, SR) and advances
// g_hpFill by count. g_hpFill + count must not exceed HP_BLOCK.
void HeadphoneFillBlock(const HVFrames& chunk, uint32_t first, uint32_t count);

// Processor path of one block: the five forward transforms, the ten spectral products with
// the responses of `flavour` (0 Music, 1 Movie), the ten inverse transforms into g_hpConv.
void HeadphoneConvolveBlock(int flavour);
// The forward transforms alone, the products alone, the inverse transforms alone.
void HeadphoneForwardTransforms();
void HeadphoneMultiplySpectra(int flavour);
void HeadphoneInverseTransforms();

// Sums the ten convolutions per ear with the overlap tail, writes the scaled stereo result
// into g_hpOut at frame block * HP_BLOCK and keeps the new (unscaled) tail.
void HeadphoneOverlapAdd(uint32_t block);

// The three steps of one 8192-frame block of the headphone stage, exposed so that the GPU
// path and the benchmarks can use them one by one. HeadphoneProcess strings them together.
// All work on one stream's state; audio thread of that stream only.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"

struct HVHeadphoneState;

// Copies frames [first, first + count) of `chunk` into positions st.m_fill .. of the five
// block inputs (L and R with the LFE folded in at HP_LFE_GAIN, C, SL, SR) and advances
// st.m_fill by count. st.m_fill + count must not exceed HP_BLOCK.
void HeadphoneFillBlock(HVHeadphoneState& st, const HVFrames& chunk, uint32_t first, uint32_t count);

// Processor path of one block: the five forward transforms, the ten spectral products with
// the responses of `flavour` (0 Music, 1 Movie), the ten inverse transforms into st.m_conv.
void HeadphoneConvolveBlock(HVHeadphoneState& st, int flavour);
// The forward transforms alone, the products alone, the inverse transforms alone.
void HeadphoneForwardTransforms(HVHeadphoneState& st);
void HeadphoneMultiplySpectra(HVHeadphoneState& st, int flavour);
void HeadphoneInverseTransforms(HVHeadphoneState& st);

// Sums the ten convolutions per ear with the overlap tail, writes the scaled stereo result
// into st.m_out at frame block * HP_BLOCK and keeps the new (unscaled) tail.
void HeadphoneOverlapAdd(HVHeadphoneState& st, uint32_t block);

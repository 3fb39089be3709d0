// GPU convolution path (CUDA + cuFFT). Without the toolkit at build time, or without a
// device at run time, every entry point here is a no-op and m_bCUDASupport stays 0.
#pragma once

extern int g_bGPUInit;  // 1 while the device spectra, work buffers and plans exist

// Chooses the fastest device (clockRate x multiProcessorCount, ties keep the lower index),
// makes it current and returns 1; 0 when no device can be used. Run once at module load.
int SelectCUDADevice();
int FindFastestCUDADevice();
// Allocate / free the device state. Release is a no-op when nothing is allocated.
void InitGPUResources();
void ReleaseGPUResources();

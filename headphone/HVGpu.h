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

// Per-block GPU sequence: upload g_hpTime[0..4], transform, multiply with the device
// spectra of `flavour`, inverse-transform and download into g_hpConv. `module` names the
// calling kernel set in error messages. Returns false when a CUDA or cuFFT call failed:
// the message has been printed, the GPU has been given up for the rest of the process
// (m_bCUDASupport = 0) and the caller finishes the block on the processor.
bool GpuConvolveBlock(int flavour, const char* module);

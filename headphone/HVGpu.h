// GPU convolution path (CUDA + cuFFT). Every device call goes through the layer of
// HVCudaApi.h. Without the toolkit at build time, or without a device at run time, the
// device choice yields m_bCUDASupport = 0 and no other entry point touches the device.
//
// Failures: a failed allocation, copy, free, plan creation, transform or plan destruction
// prints one line to stderr,
//   "cudaSafeCall() Runtime API error in file <F>, line N : <runtime text>."  or
//   "cufftSafeCall() CUFFT error in file <F>, line N."
// (F = "HVFn" for init and release, the caller's module name for a block), releases what
// it still can, and gives the GPU up for the rest of the process (m_bCUDASupport = 0,
// g_bGPUInit = 0). The process is never ended; no later call reaches the device.
// Threads: module load (device choice), then the audio thread only.
#pragma once

extern int g_bGPUInit;  // 1 while the device spectra, work buffers and plans exist

// Chooses the fastest device (clockRate x multiProcessorCount as a 32-bit signed product,
// ties keep the lower index), makes it current and returns 1; 0 when no device can be
// used. Run once at module load; its result is m_bCUDASupport.
int SelectCUDADevice();
int FindFastestCUDADevice();

// Allocates the device state: the 20 response spectra uploaded from g_hrirSpec (which
// must be prepared), two work buffers of 5 x 16386 floats, the batched length-16384 R2C
// and C2R plans (batch 5). Does nothing while the state exists or without support. After
// a failure g_bGPUInit stays 0 and support is off.
void InitGPUResources();
// Frees the device state; a no-op when g_bGPUInit is 0.
void ReleaseGPUResources();

// Per-block GPU sequence: upload g_hpTime[0..4], transform, multiply with the device
// spectra of `flavour` (0 Music, else Movie), inverse-transform (unscaled, 16384 x the
// normalised inverse, like kissfft) and download into g_hpConv. `module` names the calling
// kernel set in error messages. Returns true when g_hpConv holds the ten convolutions;
// false without touching the device when the state does not exist, or after a failed call
// (reported, GPU given up): the caller then finishes the block on the processor, whose
// inputs g_hpTime are unchanged.
bool GpuConvolveBlock(int flavour, const char* module);

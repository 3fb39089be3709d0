// GPU convolution path (CUDA + cuFFT). Every device call goes through the layer of
// HVCudaApi.h. Without the toolkit at build time, or without a device at run time, the
// device choice yields no support and no other entry point touches the device.
//
// Failures: a failed allocation, copy, free, plan creation, transform or plan destruction
// prints one line to stderr,
//   "cudaSafeCall() Runtime API error in file <F>, line N : <runtime text>."  or
//   "cufftSafeCall() CUFFT error in file <F>, line N."
// (F = "HVFn" for init and release, the caller's module name for a block), releases what
// it still can, and gives the GPU up for the rest of the process (GpuSupported() false in
// every stream; each stream frees its own device state at its next block). The process is
// never ended; no later call reaches the device.
// Threads: the support word is atomic (any thread); the device choice runs at load; a
// stream's device state belongs to the audio thread of that stream.
#pragma once

struct HVHeadphoneState;

// The process-wide support word: 1 while a device was chosen and nothing has failed.
bool GpuSupported();
void SetGpuSupported(bool on);  // the device choice at load; tests

// Chooses the fastest device (clockRate x multiProcessorCount as a 32-bit signed product,
// ties keep the lower index), makes it current and returns 1; 0 when no device can be
// used. Run once at load; its result becomes the support word.
int SelectCUDADevice();
int FindFastestCUDADevice();

// Allocates the stream's device state: the 20 response spectra uploaded from the bank, two
// work buffers of 5 x 16386 floats, the batched length-16384 R2C
// and C2R plans (batch 5). Does nothing while the state exists or without support. After
// a failure the state stays absent and support is off.
void InitGPUResources(HVHeadphoneState& st);
// Frees the stream's device state; a no-op when it does not exist.
void ReleaseGPUResources(HVHeadphoneState& st);

// Per-block GPU sequence: upload st.m_time[0..4], transform, multiply with the device
// spectra of `flavour` (0 Music, else Movie), inverse-transform (unscaled, 16384 x the
// normalised inverse, like kissfft) and download into st.m_conv. `module` names the calling
// kernel set in error messages. Returns true when st.m_conv holds the ten convolutions;
// false without touching the device when the state does not exist, or after a failed call
// (reported, GPU given up): the caller then finishes the block on the processor, whose
// inputs st.m_time are unchanged.
bool GpuConvolveBlock(HVHeadphoneState& st, int flavour, const char* module);

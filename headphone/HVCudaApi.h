// CHVCudaApi: the one door to the CUDA runtime and cuFFT.
//
// The GPU path (HVGpu.cpp) makes every device call through the process-wide current
// instance, HVCudaApi(). The build provides a default instance: the real runtime when the
// CUDA toolkit was found (HVCudaRuntime.cpp), otherwise a layer with no devices
// (HVCudaNone.cpp). Tests install their own instance with HVSetCudaApi to present a fake
// device list, count calls and inject failures.
//
// Results are the libraries' own codes: 0 is success, anything else a failure
// (cudaError_t for the runtime calls, cufftResult for the FFT calls).
// Pointers named dev* are device addresses; host* are ordinary memory.
// Complex bins are HVCHUNK_02 (re, im): the same layout as float2 / cufftComplex.
// Threads: called at module load (device choice) and afterwards on the audio thread only.
#pragma once

#include <cstddef>

#include "engine/HVChunk.h"

// The two device figures the device choice compares.
struct HVCUDA_DEVICE_PROPS {
    int clockRate = 0;            // kHz
    int multiProcessorCount = 0;  // streaming multiprocessors
};

class CHVCudaApi {
public:
    // Copy directions, numerically cudaMemcpyKind.
    enum Copy : int { HostToDevice = 1, DeviceToHost = 2, DeviceToDevice = 3 };
    // Transform types, numerically cufftType.
    enum FftType : int { R2C = 0x2a, C2R = 0x2c };

    virtual ~CHVCudaApi() = default;

    // Device query and choice.
    virtual int GetDeviceCount(int* count) = 0;
    virtual int GetDeviceProperties(HVCUDA_DEVICE_PROPS* props, int device) = 0;
    virtual int SetDevice(int device) = 0;

    // Device memory; copies are synchronous on the default stream (they return after the
    // copy and all earlier work on the stream are done).
    virtual int Malloc(void** devPtr, size_t bytes) = 0;
    virtual int Memcpy(void* dst, const void* src, size_t bytes, Copy kind) = 0;
    virtual int Free(void* devPtr) = 0;
    // Free and total device memory in bytes (diagnostics only, never on the audio path).
    virtual int MemGetInfo(size_t* freeBytes, size_t* totalBytes) = 0;
    // Text of a runtime error code; never null.
    virtual const char* GetErrorString(int error) = 0;

    // Batched one-dimensional real transforms of length n. Neither direction scales: the
    // inverse of the forward transform returns n times the input. Forward sign e^(-2*pi*i*k*n/N).
    virtual int FftPlan1d(int* plan, int n, FftType type, int batch) = 0;
    virtual int FftExecR2C(int plan, float* devIn, HVCHUNK_02* devOut) = 0;
    virtual int FftExecC2R(int plan, HVCHUNK_02* devIn, float* devOut) = 0;
    virtual int FftDestroy(int plan) = 0;

    // ComplexPointwiseMul_ on 32 blocks of 512 threads, default stream: devA[i] *= devB[i]
    // for i < size (complex product, no scaling). Queued; the next copy waits for it.
    virtual void LaunchComplexPointwiseMul(HVCHUNK_02* devA, const HVCHUNK_02* devB, int size) = 0;
};

// The current instance (the build's default until a test replaces it).
CHVCudaApi& HVCudaApi();
// Installs `api` as the current instance (nullptr restores the default); returns the
// previous one. Tests only; not while an engine processes.
CHVCudaApi* HVSetCudaApi(CHVCudaApi* api);
// The build's default instance.
CHVCudaApi& HVCudaDefaultApi();

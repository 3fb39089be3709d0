// Double-precision radix-2 FFT and minimum-phase reconstruction for the response-bank
// generator. Offline tool code: clarity over speed.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

using Cplx = std::complex<double>;

// In-place forward transform (e^-2pi i kn/N, no scaling) of a power-of-two length.
void FftForward(std::vector<Cplx>& x);
// In-place inverse transform, scaled by 1/N (so FftInverse(FftForward(x)) == x).
void FftInverse(std::vector<Cplx>& x);

// Minimum-phase impulse response of length n (power of two) whose magnitude at bin k
// (0..n/2) is exp(logMag[k]), by folding the real cepstrum. The result's sum equals
// exp(logMag[0]) up to time aliasing.
std::vector<double> MinimumPhase(const std::vector<double>& logMag);

// Second-order Butterworth sections in direct form I.
//
//   y[n] = b1*x[n-1] + b0*x[n] + b0*x[n-2] - a1*y[n-1] - a2*y[n-2]   (b2 == b0)
//
// Coefficients (BiquadCoeffs) are designed by pure functions; memories (BiquadState) are
// separate, so a redesign never clears history and one design serves many memories.
#pragma once

#include <cstdint>

struct BiquadCoeffs {
    float K;   // prewarped frequency term (tan for high-pass, 1/tan for low-pass); not used to filter
    float b0;  // gain of x[n] and x[n-2]
    float b1;  // gain of x[n-1]
    float a1;  // gain of y[n-1], subtracted
    float a2;  // gain of y[n-2], subtracted
};

// Four rows of eight columns; the column is the frame slot of the channel (0 L ... 5 SR).
// Rows: 0 x[n-1], 1 x[n-2], 2 y[n-1], 3 y[n-2]. 16-byte aligned so a row half is one vector.
struct alignas(16) BiquadState {
    float m[4][8];
};

// Butterworth design of a corner `freq` Hz at sample rate `fs` Hz, rounding as the kernels
// require (double arithmetic, float storage). A corner at or above fs / 2 has its poles
// outside the unit circle; such a corner is designed at 0.45 * fs so the filter stays
// stable at low sample rates (the 7 kHz low-pass at 8 or 11.025 kHz).
BiquadCoeffs DesignButterworth(float freq, bool highPass, uint32_t fs);


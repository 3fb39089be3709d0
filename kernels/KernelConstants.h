// Numeric constants shared by both kernel sets (each set rounds them its own way: the
// scalar set widens them to double, the vector set uses them as floats).
#pragma once

inline constexpr float kPassiveFront = 0.707f;  // passive decoder: L and R at -3 dB
inline constexpr float kRedirectGain = 0.316f;  // bass taken from L, R, C into the LFE, about -10 dB

// Integer outputs: full scale and the saturation limits.
inline constexpr float kS16Scale = 32768.0f, kS16Min = -32768.0f, kS16Max = 32767.0f;
inline constexpr float kS24Scale = 8388608.0f, kS24Min = -8388608.0f, kS24Max = 8388607.0f;

// Constants of the 5.1-to-2 matrix encoder, shared by both kernel sets.
//
//   m = 0.707 C + 2.235 LFE
//   L = 0.5774 SR + 0.8165 SL + m + L
//   R = m - 0.5774 SL - 0.8165 SR + R
//
// SL and SR are first band-limited (100 Hz high-pass, 7 kHz low-pass) and passed through a
// cascade of four second-order all-pass sections
//   H(z) = (c - z^-2) / (1 - c z^-2),   y = c (x + y[n-2]) - x[n-2]
// whose c are the squares of one branch of a 90-degree phase-difference pair: unit gain at
// every frequency, a phase that falls with frequency.
#pragma once

inline constexpr float kEncCentre = 0.707f;   // -3 dB
inline constexpr float kEncLfe = 2.235f;      // +7 dB
inline constexpr float kEncNear = 0.8165f;    // surround into its own side (sqrt(2/3))
inline constexpr float kEncFar = 0.5774f;     // surround into the opposite side (sqrt(1/3))

inline constexpr int kPhaseSections = 4;
inline constexpr float kPhaseCoef[kPhaseSections] = {0.1617585f, 0.73302895f, 0.9453497f, 0.99059916f};

// Layout of the phase network's memory in a BiquadState: row k is section k, columns
// (x1 SL, x1 SR, x2 SL, x2 SR, y1 SL, y1 SR, y2 SL, y2 SR): x1, x2 the last two inputs and
// y1, y2 the last two outputs of that section.
inline constexpr int kPhaseX1 = 0, kPhaseX2 = 2, kPhaseY1 = 4, kPhaseY2 = 6;

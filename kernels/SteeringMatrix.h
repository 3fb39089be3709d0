// Constants of the steered 2-to-5 decoder, shared by both kernel sets.
//
// Per band the steering detector yields x (left/right) and y (front/back), natural logs of
// leaky level ratios bounded by +-ln(1/kSteerLeak) = +-ln 10. Four gains follow from the
// smoothed values,
//   gxl = exp(-s max(x, 0))   gxr = exp(s min(x, 0))   gyf = exp(-s max(y, 0))   gyb = exp(s min(y, 0))
// with s = kSteerSlope (at the bound a gain reaches 10^-0.839 = 0.1449), and every matrix
// coefficient is affine in the gains:
//   coef = k0 + k1 gxl + k2 gxr + k3 gyf + k4 gyb     (summed in this order)
// At rest (all gains 1): L = 0.708 l, R = 0.708 r, C = 0.501 (l + r),
// SL = 0.612 l - 0.3542 r, SR = 0.3542 l - 0.612 r.
#pragma once

inline constexpr float kSteerLeak = 0.1f;    // share of the opposite level in each ratio term
inline constexpr float kSteerSlope = 0.839f;  // gain slope per neper of smoothed steering
inline constexpr float kSteerRatioMax = 10.0f;  // 1 / kSteerLeak in float: largest leaky ratio

// Rows in output order, each pair (from l, from r): L, R, C, SL, SR.
inline constexpr int kSteerRows = 10;
inline constexpr float kSteerMatrix[kSteerRows][5] = {
    {0.273f, -0.293f, 0.13f, 0.299f, 0.299f},       // L from l
    {0.0f, 0.0f, 0.0f, 0.408f, -0.408f},            // L from r
    {0.0f, 0.0f, 0.0f, 0.408f, -0.408f},            // R from l
    {0.273f, 0.13f, -0.293f, 0.299f, 0.299f},       // R from r
    {0.193f, 0.5f, -0.077f, -0.207f, 0.092f},       // C from l
    {0.193f, -0.077f, 0.5f, -0.207f, 0.092f},       // C from r
    {-0.274f, 0.612f, 0.204f, 0.324f, -0.254f},     // SL from l
    {-0.136f, 0.0547f, -0.354f, -0.0649f, 0.146f},  // SL from r
    {0.136f, 0.354f, -0.0547f, 0.0649f, -0.146f},   // SR from l
    {0.274f, -0.204f, -0.612f, -0.324f, 0.254f},    // SR from r
};

// Frame slots of the five outputs, in row-pair order.
inline constexpr int kSteerOutSlots[5] = {0, 1, 2, 4, 5};

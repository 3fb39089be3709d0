// One column of a BiquadState held in locals, so a sample loop keeps the recursion in
// registers and writes the state back once per call.
//
// Step() forms the output in double precision and rounds it once to float: the scalar
// kernel set. StepFloat() rounds after every operation, exactly like one lane of
// BiquadLanes::Step: the SSE2 set's single-recursion filter.
#pragma once

#include "kernels/Biquad.h"

struct BiquadColumn {
    float x1, x2, y1, y2;

    static BiquadColumn Load(const BiquadState& s, int col) {
        return {s.m[0][col], s.m[1][col], s.m[2][col], s.m[3][col]};
    }
    void Store(BiquadState& s, int col) const {
        s.m[0][col] = x1;
        s.m[1][col] = x2;
        s.m[2][col] = y1;
        s.m[3][col] = y2;
    }
    float Step(const BiquadCoeffs& c, float x) {
        const double y = ((double(c.b1) * x1 + double(c.b0) * x) + double(c.b0) * x2) -
                         double(c.a1) * y1 - double(c.a2) * y2;
        const float yf = float(y);
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = yf;
        return yf;
    }
    float StepFloat(const BiquadCoeffs& c, float x) {
        float y = c.b1 * x1 + c.b0 * x;
        y = y + c.b0 * x2;
        y = y - c.a1 * y1;
        y = y - c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// HVKernelState: everything one stream processes with, shared by both kernel sets of that
// stream so the engine may switch sets between chunks without a discontinuity.
//
// One object per stream (owned by its engine); nothing here is process-wide. Zero at
// construction. Threads: the audio thread of its stream only, except m_dwSRate, which a
// status display may read from another thread through std::atomic_ref.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"
#include "kernels/Biquad.h"

struct HVKernelState {
    const HVLIB_CONFIG* m_pConfig = nullptr;  // configuration in force for the current chunk

    // Derived constants (CalcStaticConstants only).
    uint32_t m_dwSRate = 0;        // Hz; other threads read it only through std::atomic_ref
    BiquadCoeffs m_coefSplit{};    // high-pass 1200 Hz: band split of the steered decoder
    BiquadCoeffs m_coefSteer{};    // low-pass 7.95 Hz: steering smoother
    BiquadCoeffs m_coefBass{};     // high-pass dwLFECutoff: bass redirection
    BiquadCoeffs m_coefSurrHP{};   // high-pass 100 Hz: encoder surround band limit
    BiquadCoeffs m_coefSurrLP{};   // low-pass 7000 Hz: encoder band limit, decoder shelf
    uint32_t m_dwDelayMusic[6]{};  // samples, L R C Sub SL SR, with the Music surround delay
    uint32_t m_dwDelayMovie[6]{};  // the same with the Movie surround delay
    uint32_t m_dwSurrDelayMusic = 0;
    uint32_t m_dwSurrDelayMovie = 0;
    float m_fTrim[6]{};  // linear; Sub carries the LFE polarity
    float m_fMasterGain = 0.0f;
    float m_fCentreWeight = 0.0f;  // W: share of the decoded centre kept in C (Music)
    float m_fCentreSpill = 0.0f;   // (1 - W) / 2: share added to each of L and R

    // Processing history.
    BiquadState m_stSplit{};
    BiquadState m_stSteerX[2]{};  // 0 high band, 1 low band
    BiquadState m_stSteerY[2]{};
    HVFrames m_bufHigh;
    HVFrames m_bufLow;
    HVBuffer<float> m_bufSteerX[2];
    HVBuffer<float> m_bufSteerY[2];
    BiquadState m_stShelf{};
    BiquadState m_stSurrHP{};
    BiquadState m_stSurrLP{};
    BiquadState m_stPhase{};  // 4 all-pass sections x (x1, x2, y1, y2) x (SL, SR)
    BiquadState m_stBass{};
    HVBuffer<float> m_delay[6];  // ring delay lines L R C Sub SL SR

    // Recomputes every derived constant from *m_pConfig for sample rate fs (Hz).
    // fs == 0 changes nothing.
    void CalcStaticConstants(uint32_t fs);
    // Filter memories to zero and the delay lines restarted, keeping every allocation
    // (the work buffers' contents are rewritten by every chunk before they are read).
    void ClearHistory();
    // The same, releasing the work buffers and delay lines.
    void FreeHistory();
};

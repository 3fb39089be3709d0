// CHVFn: the kernel interface. Every piece of sample arithmetic runs behind it.
//
// Two implementations, CHVFnx87 (scalar: each output formed in double precision, rounded
// once to float) and CHVFnSSE2 (4-lane single precision, rounded after every operation),
// chosen per chunk. The kernel objects hold no data: every filter memory, delay line, work
// buffer and derived constant is a static of CHVFn shared by both sets, so the engine may
// switch sets between chunks without a discontinuity.
//
// Threads: every operation runs on the audio thread, one chunk at a time; the statics are
// not locked (the host serialises chunk processing).
// Buffers: every operation processes exactly m_dwCount frames, in place unless stated.
#pragma once

#include <cstdint>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"
#include "kernels/Biquad.h"

class CHVFn {
public:
    virtual ~CHVFn();                                                                    // 0
    virtual void DecodeActive(HVFrames& chunk) = 0;                                      // 1
    virtual void DetectSteering(BiquadState& stX, BiquadState& stY, const HVFrames& in,  // 2
                                HVBuffer<float>& outX, HVBuffer<float>& outY) = 0;
    virtual void DecodePassive(HVFrames& chunk) = 0;                                     // 3
    virtual void ProcessHeadphones(uint32_t code, HVFrames& chunk) = 0;                  // 4
    virtual void EncodeMatrix(uint32_t code, HVFrames& chunk) = 0;                       // 5
    virtual void ShiftSurroundPhase(BiquadState& st, HVFrames& chunk) = 0;               // 6
    virtual void FilterSamples(const BiquadCoeffs& c, BiquadState& st,                   // 7
                               HVBuffer<float>& buf) = 0;
    virtual void FilterSurrounds(const BiquadCoeffs& c, BiquadState& st,                 // 8
                                 HVFrames& chunk) = 0;
    virtual void SplitBands(const BiquadCoeffs& c, BiquadState& st, const HVFrames& in,  // 9
                            HVFrames& high, HVFrames& low) = 0;
    virtual void RedirectBass(const BiquadCoeffs& c, BiquadState& st, HVFrames& chunk) = 0;  // 10
    virtual void DelayChannels(HVFrames& chunk, uint32_t flag) = 0;                      // 11
    virtual void ApplyGains(HVFrames& chunk, uint32_t flag) = 0;                         // 12

    // Integer host audio in (13-27). Sources are little-endian; 24-bit samples are three
    // bytes, sign-extended; 8-bit samples are unsigned with 128 as zero.
    virtual void ConvertU8Mono(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;       // 13
    virtual void ConvertS16Mono(const int16_t* src, uint32_t n, HVFrames& dst) = 0;      // 14
    virtual void ConvertS24Mono(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;      // 15
    virtual void ConvertS32Mono(const int32_t* src, uint32_t n, HVFrames& dst) = 0;      // 16
    virtual void ConvertU8Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;     // 17
    virtual void ConvertS16Stereo(const int16_t* src, uint32_t n, HVFrames& dst) = 0;    // 18
    virtual void ConvertS24Stereo(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;    // 19
    virtual void ConvertS32Stereo(const int32_t* src, uint32_t n, HVFrames& dst) = 0;    // 20
    virtual void ConvertS16Five(const int16_t* src, uint32_t n, HVFrames& dst) = 0;      // 21
    virtual void ConvertS24Five(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;      // 22
    virtual void ConvertS32Five(const int32_t* src, uint32_t n, HVFrames& dst) = 0;      // 23
    virtual void ConvertS16Six(const int16_t* src, uint32_t n, HVFrames& dst) = 0;       // 24
    virtual void ConvertS24Six(const uint8_t* src, uint32_t n, HVFrames& dst) = 0;       // 25
    virtual void ConvertS32Six(const int32_t* src, uint32_t n, HVFrames& dst) = 0;       // 26
    virtual void ConvertSilence(uint32_t n, HVFrames& dst) = 0;                          // 27
    // Integer out (28-29): scale by 2^15 / 2^23, saturate. Scalar truncates, SSE2 rounds.
    virtual void OutputS16Six(const HVFrames& src, HVBuffer<HVCHUNK_S16SIX>& dst) = 0;   // 28
    virtual void OutputS24Six(const HVFrames& src, HVBuffer<HVCHUNK_S24SIX>& dst) = 0;   // 29
    // Float host audio in and out (30-37); identical in both sets.
    virtual void ConvertFloatMono(const float* src, uint32_t n, HVFrames& dst) = 0;      // 30
    virtual void ConvertFloatStereo(const float* src, uint32_t n, HVFrames& dst) = 0;    // 31
    virtual void ConvertFloatFive(const float* src, uint32_t n, HVFrames& dst) = 0;      // 32
    virtual void ConvertFloatSix(const float* src, uint32_t n, HVFrames& dst) = 0;       // 33
    virtual void OutputFloatMono(const HVFrames& src, HVBuffer<float>& dst) = 0;         // 34
    virtual void OutputFloatStereo(const HVFrames& src, HVBuffer<HVCHUNK_02>& dst) = 0;  // 35
    virtual void OutputFloatFive(const HVFrames& src, HVBuffer<HVCHUNK_05>& dst) = 0;    // 36
    virtual void OutputFloatSix(const HVFrames& src, HVBuffer<HVCHUNK_06>& dst) = 0;     // 37

    // Recompute every derived constant below from *m_pConfig for sample rate fs (Hz).
    // fs == 0 changes nothing.
    static void CalcStaticConstants(uint32_t fs);

    // ---- Shared state (one copy for both sets). Zero at load. ----
    static const HVLIB_CONFIG* m_pConfig;  // configuration in force for the current chunk

    // Derived constants (CalcStaticConstants only).
    static uint32_t m_dwSRate;  // also read by other threads: only through std::atomic_ref
    static BiquadCoeffs m_coefSplit;   // high-pass 1200 Hz: band split of the steered decoder
    static BiquadCoeffs m_coefSteer;   // low-pass 7.95 Hz: steering smoother
    static BiquadCoeffs m_coefBass;    // high-pass dwLFECutoff: bass redirection
    static BiquadCoeffs m_coefSurrHP;  // high-pass 100 Hz: encoder surround band limit
    static BiquadCoeffs m_coefSurrLP;  // low-pass 7000 Hz: encoder band limit, decoder shelf
    static uint32_t m_dwDelayMusic[6];  // samples, L R C Sub SL SR, with the Music surround delay
    static uint32_t m_dwDelayMovie[6];  // the same with the Movie surround delay
    static uint32_t m_dwSurrDelayMusic;
    static uint32_t m_dwSurrDelayMovie;
    static float m_fTrim[6];  // linear; Sub carries the LFE polarity
    static float m_fMasterGain;
    static float m_fCentreWeight;  // W: share of the decoded centre kept in C (Music)
    static float m_fCentreSpill;   // (1 - W) / 2: share added to each of L and R

    // Processing history (cleared by the engine reset).
    static BiquadState m_stSplit;
    static BiquadState m_stSteerX[2];  // 0 high band, 1 low band
    static BiquadState m_stSteerY[2];
    static HVFrames m_bufHigh;
    static HVFrames m_bufLow;
    static HVBuffer<float> m_bufSteerX[2];
    static HVBuffer<float> m_bufSteerY[2];
    static BiquadState m_stShelf;
    static BiquadState m_stSurrHP;
    static BiquadState m_stSurrLP;
    static BiquadState m_stPhase;  // 4 all-pass sections x (x1, x2, y1, y2) x (SL, SR)
    static BiquadState m_stBass;
    static HVBuffer<float> m_delay[6];  // ring delay lines L R C Sub SL SR
};

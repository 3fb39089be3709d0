// Headphone stage through the partitioned convolver: user responses, the built-in bank at
// rates it was not made for, and first blocks shorter than 8192 frames.
//
// Sources and responses. The five inputs are the frame slots L, R, C, SL, SR, convolved with
// the FL, FR, FC, SL, SR pairs of the set in force; both ears summed per source. The LFE:
//   built-in bank  added to L and R at HP_LFE_GAIN, exactly as the block engine does;
//   user responses added to C at unity gain (it plays through the FC pair; nTrimSub trims it).
// The built-in bank is BuiltinHeadphoneSet(flavour) (its output scale included) resampled
// once to the stream's rate; a user set is used for both flavours, as stored, resampled once
// when its rate differs from the stream's. No other scale is applied.
//
// Timing. The stage hands back the frames in step with the block engine's stream: the first
// firstBlock - 1 output frames after a reset (the convolver's delay) are dropped, so a chunk
// of n frames comes back with n - min(n, frames still to drop) frames, and held() frames are
// owed to the stream (returned as silence when the mode is left). A streaming host that
// wants a constant delay holds firstBlock - 1 frames, as for the block engine.
//
// Allocation. Prepare() resamples and transforms (allocates); Process() and Reset() do not.
// Threads: the audio thread of the stream that owns the stage.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/HVBuffer.h"
#include "engine/HVConfig.h"
#include "headphone/HrirSet.h"
#include "headphone/PartitionedConvolver.h"

// The built-in bank of `flavour` (0 Music, 1 Movie) as a response set at 44.1 kHz, with the
// block engine's output level (its -1 dB output scale folded into the taps): convolving a
// source with it gives what the block engine gives for that source.
HrirSet BuiltinHeadphoneSet(int flavour);
// The rate the built-in bank's taps are sampled at (also used unchanged at 48 kHz).
inline constexpr double kBuiltinBankRate = 44100.0;

class HVPartitionedHeadphone {
  public:
    // What a stream asks for: its responses (nullptr: the built-in bank) and first block.
    void SetResponses(std::shared_ptr<const HrirSet> set) {
        m_user = std::move(set);
        ++m_generation;
    }
    const std::shared_ptr<const HrirSet>& Responses() const { return m_user; }
    void SetBlock(uint32_t block) {
        m_block = block;
        ++m_generation;
    }
    uint32_t Block() const { return m_block; }

    // True when the stream at `rate` runs through this stage rather than the block engine:
    // user responses, a block below 8192, or a rate other than 44.1 and 48 kHz.
    bool Selected(uint32_t rate) const;

    // Makes the convolvers for `rate` unless they exist for this rate, block and set
    // (resamples, allocates; throws what HrirSet::resampled throws). History silent.
    void Prepare(uint32_t rate);
    bool PreparedFor(uint32_t rate) const;

    // Runs one chunk of frames in place with the flavour of `cfg` (see above). Prepare()d.
    void Process(const HVLIB_CONFIG& cfg, HVFrames& chunk);

    // Frames taken whose output has not come back yet (0 .. firstBlock - 1).
    uint32_t Held() const { return m_owed; }
    // Silent history, nothing held.
    void Reset();

  private:
    std::shared_ptr<const HrirSet> m_user;
    uint32_t m_block = 8192;
    uint64_t m_generation = 0;  // counts the requests (a new set may reuse an old one's address)

    // What the convolvers were made for.
    uint32_t m_rate = 0;
    uint64_t m_preparedGeneration = 0;
    bool m_prepared = false;
    bool m_builtin = true;

    PartitionedConvolver m_conv[2];  // per flavour; a user set uses [0] for both
    int m_flavour = -1;              // the convolver in use since the last reset
    uint32_t m_owed = 0;             // delay frames dropped so far: owed to the stream
};

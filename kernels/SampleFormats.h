// Host sample formats: reading integer PCM and the channel-to-slot maps of the layouts.
//
// Integer sources are little-endian. A 24-bit sample is three bytes, sign-extended; an 8-bit
// sample is unsigned with 128 as zero. The readers return the integer that is multiplied by
// the layout's scale constant (FDIV8, FDIV16, FDIV32; a 24-bit sample enters as x * 256 with
// FDIV32), so every integer format reaches full scale at about 0.707.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/HVChunk.h"

// Frame slots filled by each host layout, in the host's interleaved channel order.
inline constexpr int kSlotsMono[1] = {HV_C};
inline constexpr int kSlotsStereo[2] = {HV_L, HV_R};
inline constexpr int kSlotsFive[5] = {HV_L, HV_R, HV_C, HV_SL, HV_SR};
inline constexpr int kSlotsSix[6] = {HV_L, HV_R, HV_C, HV_LFE, HV_SL, HV_SR};

struct ReadU8 {  // (b - 128), scale FDIV8
    const uint8_t* p;
    int32_t operator()(uint32_t j) const { return int32_t(p[j]) - 128; }
};
struct ReadS16 {  // x, scale FDIV16
    const int16_t* p;
    int32_t operator()(uint32_t j) const {
        int16_t v;
        std::memcpy(&v, p + j, sizeof v);
        return v;
    }
};
struct ReadS24 {  // x * 256, scale FDIV32: the sample moved to the top of a 32-bit word
    const uint8_t* p;
    int32_t operator()(uint32_t j) const {
        const uint8_t* b = p + 3 * size_t(j);
        return int32_t(uint32_t(b[0]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 24);
    }
};
struct ReadS32 {  // x, scale FDIV32
    const int32_t* p;
    int32_t operator()(uint32_t j) const {
        int32_t v;
        std::memcpy(&v, p + j, sizeof v);
        return v;
    }
};

// 24-bit little-endian store of the low three bytes of v.
inline void StoreS24(uint8_t* b, int32_t v) {
    const uint32_t u = uint32_t(v);
    b[0] = uint8_t(u);
    b[1] = uint8_t(u >> 8);
    b[2] = uint8_t(u >> 16);
}

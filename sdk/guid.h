// GUID: the 128-bit identifier that names services, DSP presets and configuration variables.
//
// Binary layout (16 bytes, no padding): Data1 u32, Data2 u16, Data3 u16, Data4 8 bytes.
// In streams and preset files a GUID is written field by field little-endian
// (Data1, Data2, Data3 LE, Data4 as is); see GuidToBytes/GuidFromBytes.
#pragma once

#include <cstdint>
#include <cstring>

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");

inline bool operator==(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, 8) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

inline constexpr GUID pfc_guid_null = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// The 16-byte stream form of a GUID (little-endian fields).
inline void GuidToBytes(const GUID& g, uint8_t out[16]) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(g.Data1 >> (8 * i));
    out[4] = uint8_t(g.Data2);
    out[5] = uint8_t(g.Data2 >> 8);
    out[6] = uint8_t(g.Data3);
    out[7] = uint8_t(g.Data3 >> 8);
    std::memcpy(out + 8, g.Data4, 8);
}

inline GUID GuidFromBytes(const uint8_t in[16]) {
    GUID g;
    g.Data1 = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
    g.Data2 = uint16_t(in[4] | in[5] << 8);
    g.Data3 = uint16_t(in[6] | in[7] << 8);
    std::memcpy(g.Data4, in + 8, 8);
    return g;
}

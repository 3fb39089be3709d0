// Speaker masks of the player's channel layouts (the Windows speaker-mask bits: front left 1,
// front right 2, front centre 4, LFE 8, back left 16, back right 32, ...).
#pragma once

#include <cstdint>

// The usual mask for `channels` interleaved channels when the file names none:
// 1 C (4), 2 L R (3), 3 L R C (7), 4 L R BL BR (51), 5 L R C BL BR (55), 6 5.1 (63),
// 7 6.1 (319), 8 7.1 (1599); other counts 0 (no assignment).
inline uint32_t DefaultChannelMask(unsigned channels) {
    switch (channels) {
    case 1: return 0x4;
    case 2: return 0x3;
    case 3: return 0x7;
    case 4: return 0x33;
    case 5: return 0x37;
    case 6: return 0x3F;
    case 7: return 0x13F;
    case 8: return 0x63F;
    default: return 0;
    }
}

// Colours of the speaker picture on the Surround tab.
//
// The centre weight w (percent, 0..100) says how much of the decoded centre stays in C;
// the rest is spread to L and R. The picture shows this as a fade: the "C" box goes from
// black (all centre, like "L" and "R") to white (no centre, its white letter vanishes),
// while the arrows "<<" and ">>" go the other way, from white (nothing spread) to black.
#pragma once

#include <cstdint>

namespace foo_dsp_halvane {

// g = w / 100 x 255 in double precision, truncated toward zero (w = 50 gives 127).
// Weights above 100 are treated as 100.
int SpeakerGrey(uint32_t dwCentreWeight);

// Grey level (all three components equal) of the "C" box's background: 255 - g.
inline int SpeakerCentreBack(uint32_t w) { return 255 - SpeakerGrey(w); }
// Grey level of the arrows' text: g.
inline int SpeakerArrowFore(uint32_t w) { return SpeakerGrey(w); }

}  // namespace foo_dsp_halvane

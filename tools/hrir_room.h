// Simulated listening room for the response-bank generator: early reflections of a
// rectangular room by mirror images, each arriving from its own direction through the
// measured head, and a diffuse decaying tail of seeded noise.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class KemarSet;

struct RoomSpec {
    double size[3];        // m: x (towards the front wall), y (towards the left), z (up)
    double listener[3];    // m: ear height position, facing +x
    double sourceDist;     // m: every loudspeaker on a circle at ear height
    double wallGain;       // pressure reflection factor of every surface
    double wallDamping;    // one-pole pole per bounce: high frequencies lose more
    int order;             // highest mirror order
    double t60;            // s: reverberation time at 500 Hz..1 kHz
    double tailEnergy;     // energy of the diffuse tail per ear
    double tailStartMs;    // the tail rises from here ...
    double tailFullMs;     // ... to full density here
    double directScale;    // level of the direct sound (mid and high frequencies)
    uint64_t seed;
};

inline constexpr int kBankTaps = 8192;
inline constexpr int kHeadTaps = 1024;    // length of one head response
inline constexpr double kBankRate = 44100.0;

// Reflections plus tail for a loudspeaker at azimuth `azDeg` (positive to the left), both
// ears, high-passed at 100 Hz so the room adds no boom (the direct sound alone carries the
// lowest octaves), faded out over the last 1024 taps. `source` only varies the noise.
std::array<std::vector<double>, 2> RoomPart(KemarSet& kemar, const RoomSpec& room, double azDeg, int source);

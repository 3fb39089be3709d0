// Builds the headphone stage's 20 binaural room responses (2 flavours x 5 loudspeakers x
// 2 ears, 8192 taps at 44.1 kHz) from the MIT KEMAR measurements and a simulated room, and
// writes them as little-endian float32 in the order ((flavour * 5 + source) * 2 + ear).
//
//   make_hrir_bank [sofa-file] output.bin
//
// Each response is: the direct sound through the head (diffuse-field equalised, minimum
// phase, near ear starting at tap 0, far ear delayed by the interaural time), plus the
// room: mirror-image reflections from their own directions and a diffuse noise tail.
// The gain at 0 Hz is set to kDcGain exactly. Everything is deterministic: the same
// measurement file gives the same bytes. The program checks the finished set and fails
// when a property the convolution engine relies on does not hold.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "hrir_kemar.h"
#include "hrir_room.h"

namespace {
constexpr double kDcGain = 0.7375;
constexpr const char* kDefaultSofa = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

// Loudspeakers in source order L, R, C, SL, SR: azimuth (degrees, positive to the left),
// the ear on the loudspeaker's side (-1: both, the centre), far-ear delay in samples.
struct Speaker {
    double az;
    int nearEar;
    int farDelay;
};
constexpr Speaker kSpeakers[5] = {{30, 0, 10}, {-30, 1, 10}, {0, -1, 0}, {110, 0, 22}, {-110, 1, 22}};

// Music: a furnished living room. Movie: a larger, livelier room, the direct sound lower.
const RoomSpec kRooms[2] = {
    {{6.0, 4.8, 2.8}, {2.6, 2.2, 1.2}, 1.8, 0.72, 0.25, 3, 0.21, 0.14, 6.0, 22.0, 0.72, 1},
    {{9.0, 7.0, 3.6}, {4.0, 3.3, 1.2}, 2.6, 0.75, 0.30, 3, 0.23, 0.075, 10.0, 35.0, 0.60, 2},
};

int ArgMaxAbs(const std::vector<float>& h, int end) {
    int best = 0;
    for (int i = 1; i < end; ++i)
        if (std::fabs(h[i]) > std::fabs(h[best])) best = i;
    return best;
}

// Taps holding 99.9 % of the energy.
int EnergyLength(const std::vector<float>& h) {
    double total = 0.0;
    for (float v : h) total += double(v) * v;
    double acc = 0.0;
    for (size_t i = 0; i < h.size(); ++i) {
        acc += double(h[i]) * h[i];
        if (acc >= 0.999 * total) return int(i) + 1;
    }
    return int(h.size());
}

std::vector<float> BuildResponse(KemarSet& kemar, int flavour, int source, int ear,
                                 const std::array<std::vector<double>, 2>& room) {
    const RoomSpec& rm = kRooms[flavour];
    const Speaker& sp = kSpeakers[source];
    const double az = sp.az * M_PI / 180.0;
    const int index = kemar.Nearest(std::cos(az), std::sin(az), 0.0);
    std::vector<double> h = room[ear];
    double roomSum = 0.0;
    for (double v : h) roomSum += v;
    // The room is high-passed, so the direct sound sets the gain at 0 Hz.
    auto direct = kemar.Response(index, ear, rm.directScale, kDcGain - roomSum, kHeadTaps);
    int at = 0;
    if (sp.nearEar >= 0 && ear != sp.nearEar) {
        int peak = 0;
        for (int i = 1; i < kHeadTaps; ++i)
            if (std::fabs(direct[i]) > std::fabs(direct[peak])) peak = i;
        at = sp.farDelay - peak;
    }
    for (int i = 0; i < kHeadTaps; ++i) h[at + i] += direct[i];
    // What truncation left of the 0 Hz error goes into a smooth 256-tap bump.
    double sum = 0.0;
    for (double v : h) sum += v;
    double bumpSum = 0.0;
    std::vector<double> bump(256);
    for (int i = 0; i < 256; ++i) bumpSum += bump[i] = 0.5 - 0.5 * std::cos(2.0 * M_PI * (i + 1) / 257.0);
    for (int i = 0; i < 256; ++i) h[1 + i] += (kDcGain - sum) * bump[i] / bumpSum;
    return std::vector<float>(h.begin(), h.end());
}

bool Check(const std::vector<float> bank[2][5][2]) {
    static const char* kSrc[5] = {"L", "R", "C", "SL", "SR"};
    bool ok = true;
    auto fail = [&](int f, int s, int e, const char* what) {
        std::fprintf(stderr, "make_hrir_bank: flavour %d %s ear %d: %s\n", f, kSrc[s], e, what);
        ok = false;
    };
    for (int f = 0; f < 2; ++f)
        for (int s = 0; s < 5; ++s)
            for (int e = 0; e < 2; ++e) {
                const auto& h = bank[f][s][e];
                double sum = 0.0, ss = 0.0;
                for (float v : h) sum += v, ss += double(v) * v;
                const int peak = ArgMaxAbs(h, kBankTaps);
                const int len = EnergyLength(h);
                const bool near = kSpeakers[s].nearEar < 0 || kSpeakers[s].nearEar == e;
                std::printf("%s %-2s %s tap0 %+.5f largest %4d: %+.5f directpeak %2d ss %.4f sum %.4f e999 %d\n",
                            f ? "Movie" : "Music", kSrc[s], e ? "right" : "left ", h[0], peak, h[peak],
                            ArgMaxAbs(h, 60), ss, sum, len);
                if (sum < 0.725 || sum > 0.750) fail(f, s, e, "gain at 0 Hz outside 0.725..0.750");
                if (len < 2775 || len > 5016) fail(f, s, e, "99.9 % energy length outside 2775..5016");
                if (near && (peak != 0 || h[0] <= 0.0f)) fail(f, s, e, "near ear: tap 0 is not the largest");
                if (!near && s < 2 && peak != 10) fail(f, s, e, "far ear: largest tap is not 10");
                if (!near && s >= 3 && ArgMaxAbs(h, 60) != 22) fail(f, s, e, "far ear: direct sound not largest at 22");
                if (!near)
                    for (int i = 0; i < kSpeakers[s].farDelay - 1; ++i)
                        if (std::fabs(h[i]) > 0.01f) fail(f, s, e, "far ear: sound before the direct sound");
                if (f == 1 && near && !(h[0] < bank[0][s][e][0])) fail(f, s, e, "Movie direct not lower than Music");
                if (f == 1 && !(len > EnergyLength(bank[0][s][e]))) fail(f, s, e, "Movie decay not longer than Music");
            }
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_hrir_bank [sofa-file] output.bin\n");
        return 2;
    }
    const char* sofa = argc == 3 ? argv[1] : kDefaultSofa;
    const char* outPath = argv[argc - 1];
    KemarSet kemar(sofa);
    if (!kemar.Ok()) {
        std::fprintf(stderr, "make_hrir_bank: cannot read %s\n", sofa);
        return 1;
    }
    static std::vector<float> bank[2][5][2];
    for (int f = 0; f < 2; ++f)
        for (int s = 0; s < 5; ++s) {
            auto room = RoomPart(kemar, kRooms[f], kSpeakers[s].az, s);
            for (int e = 0; e < 2; ++e) bank[f][s][e] = BuildResponse(kemar, f, s, e, room);
        }
    const bool ok = Check(bank);
    FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "make_hrir_bank: cannot write %s\n", outPath);
        return 1;
    }
    for (int f = 0; f < 2; ++f)
        for (int s = 0; s < 5; ++s)
            for (int e = 0; e < 2; ++e)
                for (float v : bank[f][s][e]) {
                    uint32_t bits;
                    std::memcpy(&bits, &v, 4);
                    const unsigned char b[4] = {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
                    std::fwrite(b, 1, 4, out);
                }
    std::fclose(out);
    return ok ? 0 : 1;
}

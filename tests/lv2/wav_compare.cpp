// wav_compare REF TEST [--offsets N,N...|--range FIRST LAST] [--map C,C...] [--tol X] [--skip N] [--gain G]
//
// Compares REF frame i with TEST frame i + offset, channel c of REF with channel map[c] of
// TEST (default: the same index), for every offset given, and keeps the best. Prints one
// line "offset=N max_abs_diff=X ref_peak=Y frames=Z" and exits 0 when the difference is at
// most the tolerance (default 1e-5) and the reference is not silent. The first `skip`
// frames of REF are left out (a stream's start when the graph's start is not exact).
// --gain scales REF before the comparison (a plugin's output gain).
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Wav {
    std::vector<float> data;
    int channels = 0;
    long frames = 0;
};

bool Read(const char* path, Wav& w) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        std::fprintf(stderr, "wav_compare: cannot read %s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    w.channels = info.channels;
    w.frames = long(info.frames);
    w.data.resize(size_t(info.frames) * info.channels);
    sf_readf_float(f, w.data.data(), info.frames);
    sf_close(f);
    return true;
}

std::vector<long> List(const char* text) {
    std::vector<long> v;
    for (const char* p = text; *p;) {
        char* end;
        v.push_back(std::strtol(p, &end, 10));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p) break;
    }
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wav_compare REF TEST [--offsets N,...] [--map C,...] [--tol X] [--skip N]\n");
        return 2;
    }
    std::vector<long> offsets{0}, map;
    double tol = 1e-5;
    long skip = 0;
    double gain = 1.0;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--range") && i + 2 < argc) {
            offsets.clear();
            for (long o = std::atol(argv[i + 1]); o <= std::atol(argv[i + 2]); ++o) offsets.push_back(o);
            ++i;
            continue;
        }
        if (!std::strcmp(argv[i], "--gain")) gain = std::atof(argv[i + 1]);
        if (!std::strcmp(argv[i], "--offsets")) offsets = List(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--map")) map = List(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--tol")) tol = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--skip")) skip = std::atol(argv[i + 1]);
    }
    Wav ref, test;
    if (!Read(argv[1], ref) || !Read(argv[2], test)) return 1;
    if (map.empty())
        for (int c = 0; c < ref.channels; ++c) map.push_back(c);
    if (long(map.size()) != ref.channels) {
        std::fprintf(stderr, "wav_compare: --map needs %d entries\n", ref.channels);
        return 2;
    }
    for (long m : map)
        if (m < 0 || m >= test.channels) {
            std::fprintf(stderr, "wav_compare: %s has %d channels, map names %ld\n", argv[2], test.channels, m);
            return 1;
        }
    double best = INFINITY, peak = 0;
    long bestOffset = 0, bestFrames = 0;
    for (long off : offsets) {
        const long frames = std::min(ref.frames, test.frames - off);
        if (frames <= skip) continue;
        double diff = 0, p = 0;
        for (long i = skip; i < frames; ++i)
            for (int c = 0; c < ref.channels; ++c) {
                const double r = gain * ref.data[size_t(i) * ref.channels + c];
                const double t = test.data[size_t(i + off) * test.channels + map[c]];
                diff = std::max(diff, std::fabs(r - t));
                p = std::max(p, std::fabs(r));
            }
        if (diff < best) {
            best = diff;
            peak = p;
            bestOffset = off;
            bestFrames = frames - skip;
        }
    }
    std::printf("offset=%ld max_abs_diff=%.3g ref_peak=%.3g frames=%ld\n", bestOffset, best, peak, bestFrames);
    return (best <= tol && peak > 1e-3 && bestFrames > 0) ? 0 : 1;
}

// Head-related responses from a measured SOFA set (MIT KEMAR), diffuse-field equalised and
// made minimum phase, for the response-bank generator.
//
// Equalisation: every measured magnitude is divided by the smoothed (1/3 octave) RMS of all
// measurements of both ears, which removes the measuring loudspeaker and microphone and
// leaves the direction-dependent part of the head and pinna. Below 200 Hz (where the
// loudspeaker measured nothing useful) the magnitude is replaced by a chosen level that the
// caller uses to set the gain at 0 Hz; above 16 kHz the equaliser gain is frozen so the
// measurement's anti-alias roll-off is not boosted back.
#pragma once

#include <map>
#include <utility>
#include <vector>

struct MYSOFA_EASY;

class KemarSet {
public:
    static constexpr double kRate = 44100.0;
    static constexpr int kFft = 8192;  // analysis length (the measurements have 512 taps)

    explicit KemarSet(const char* sofaPath);
    ~KemarSet();
    bool Ok() const { return m_easy != nullptr; }

    // Index of the measurement nearest to the direction (x front, y left, z up; any length).
    int Nearest(double x, double y, double z) const;

    // Minimum-phase response of measurement `index`, ear 0 left / 1 right: equalised
    // magnitude times `scale` from 200 Hz up, `dcGain` at 0 Hz, a smooth crossover between
    // 50 and 200 Hz. `taps` samples, the last quarter faded out.
    std::vector<double> Response(int index, int ear, double scale, double dcGain, int taps) const;

    // The same with the 0 Hz level equal to the equalised level at 200 Hz (no bass shaping),
    // unit scale; cached, since the room model asks for the same directions many times.
    const std::vector<double>& Reflection(int index, int ear, int taps);

private:
    std::vector<double> EqualisedLogMagnitude(int index, int ear) const;

    MYSOFA_EASY* m_easy = nullptr;
    int m_taps = 0;                // measured length
    std::vector<double> m_eqLog;   // log equaliser gain per bin 0..kFft/2
    std::map<std::pair<int, int>, std::vector<double>> m_cache;
};

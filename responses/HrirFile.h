// Binaural responses from files: HeSuVi WAV (14 channels, or 7 with the right side
// mirrored) in any format libsndfile reads, and SOFA SimpleFreeFieldHRIR through libmysofa.
// Taps come back as stored, at the file's rate: no normalisation, no resampling (see
// HrirSet::resampled and MatchLevel for those).
//
// HeSuVi channel order, 14 channels:
//   0 FL->L  1 FL->R  2 SL->L  3 SL->R  4 RL->L  5 RL->R  6 FC->L
//   7 FR->R  8 FR->L  9 SR->R 10 SR->L 11 RR->R 12 RR->L 13 FC->R
// 7 channels are the first seven; FR->R = FL->L, FR->L = FL->R, SR->R = SL->L,
// SR->L = SL->R, FC->R = FC->L. The rear pairs (RL, RR) are not used by a 5.1 set.
//
// SOFA: each speaker takes the measurement whose source direction is nearest its own (FL
// +30, FR -30, FC 0, SL +110, SR -110 degrees azimuth, counter-clockwise from the front as
// SOFA defines, elevation 0; the largest cosine between the directions wins, the first
// measurement on a tie, distance ignored). Receiver 0 is the left ear, 1 the right. A
// Data.Delay (one per receiver or per measurement and receiver, in samples) is applied as
// leading silence, rounded to whole samples.
//
// Errors: a HrirFileError whose what() is one line, "FILE: reason".
#pragma once

#include <stdexcept>
#include <string>

#include "headphone/HrirSet.h"

class HrirFileError : public std::runtime_error {
  public:
    HrirFileError(const std::string& path, const std::string& reason)
        : std::runtime_error(path + ": " + reason), path_(path), reason_(reason) {}
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

  private:
    std::string path_, reason_;
};

// Reads a response file of either kind: HDF5 content (where SOFA files live) goes to
// LoadSofa, anything else to LoadHeSuViWav.
HrirSet LoadHrirFile(const std::string& path);
HrirSet LoadHeSuViWav(const std::string& path);
HrirSet LoadSofa(const std::string& path);

// The SOFA azimuths of the five speakers in degrees, in Speaker order.
inline constexpr double kSpeakerAzimuth[HrirSet::kSpeakers] = {30.0, -30.0, 0.0, 110.0, -110.0};

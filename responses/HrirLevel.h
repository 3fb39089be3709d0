// Level matching of response sets ("--hrir-level match"): one gain so that a set sounds as
// loud as a reference set on the same reference signal.
//
// The reference signal: each of the five speakers plays its own seeded pink noise (equal
// power per octave, about -3 dB per octave from 20 Hz up) for two seconds; the loudness is
// the mean power of both ears' output over the whole render, tails included.
#pragma once

#include "headphone/HrirSet.h"

// Mean output power of `set` on the reference signal at the set's rate.
double ReferencePower(const HrirSet& set);
// The gain that gives `set` the reference power of `reference`. A set at another rate than
// the reference is measured resampled to the reference's rate (the gain applies at either).
// Throws std::invalid_argument when either set is silent.
float MatchLevelGain(const HrirSet& set, const HrirSet& reference);
// Scales `set` by MatchLevelGain(set, reference).
void MatchLevel(HrirSet& set, const HrirSet& reference);

#pragma once
// The settings record an instance renders: the starting settings (the
// stored settings file the host names, else the saved defaults, else the
// built-in ones), then the effect name, then the options the host set.

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"
#include "transition_parameters.h"

namespace kdr::frei0r {

// The effect when neither the host nor the settings file names one.
inline constexpr const char* fallback_effect = "Ballsplt";

// Fills an initialised record. The record is complete even on failure: a
// settings file or effect name that cannot be used is left out (the record
// then starts from the defaults, or keeps the file's effect) and the
// returned error says what was left out and why.
Status build_transition_settings(EffectSettings& settings, const TransitionParameters& parameters);

}  // namespace kdr::frei0r

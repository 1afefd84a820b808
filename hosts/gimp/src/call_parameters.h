#pragma once
// The settings of a non-interactive run of the GIMP plug-in from its
// parameters: an effect name (empty: the settings file's), a stored
// settings file (empty: the saved default options), the percent, the
// frame count and the video the layer is (1 to 20). Values that cannot be
// rendered are refused with a message: an effect name that is not a plain
// file name of at most 40 characters, a percent that is not a number from
// 0 to 100, a frame count outside 1 to max_filter_frames, a video outside
// 1 to 20, and a settings file that cannot be read.
//
// Reads the registry and the file; no state.

#include <cstdint>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::gimp {

struct CallParameters {
    std::string effect;
    std::string settings_file;
    double percent = 50;
    std::int32_t frames = 100;
    std::int32_t video = 1;
};

// Fills an initialised record.
Status settings_for_call(const CallParameters& call, EffectSettings& settings);

}  // namespace kdr::gimp

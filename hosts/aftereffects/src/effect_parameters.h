#pragma once
// The effect's 21 parameters as After Effects lists them: the input layer
// (the host's own, index 0), the slider "Transition Completion" (index 1,
// 16.16 values from 0 to 100, default 0, two decimal places) and the
// layers "Source 2 Layer" to "Source 20 Layer" (indexes 2 to 20, sources B
// and up).

#include <cstdint>

#include "kaleidra/hostkit/aftereffects_records.h"

namespace kdr::aftereffects {

inline constexpr std::int32_t parameter_count = 21;
inline constexpr std::int32_t completion_parameter = 1;
inline constexpr std::int32_t first_source_parameter = 2;
inline constexpr std::int32_t last_source_parameter = 20;

// The slider as it is added.
hostkit::AeParam completion_slider();
// The layer parameter at `index` (2 to 20) as it is added.
hostkit::AeParam source_layer(std::int32_t index);

// Parameter setup: adds the slider, then the layers in order, through the
// host's add_param. Returns the first failing add's error (the count then
// stays as it was), or 0 with the output's number of parameters set to 21.
std::int32_t add_parameters(hostkit::AeInRecord& in, hostkit::AeOutRecord& out);

}  // namespace kdr::aftereffects

#pragma once
// Readable names for the values of the effect settings record, as
// kaleidra-render's --set takes them: "shadows=50", "video2.direction=90",
// "param.105=3". Each name stands for one parameter number (0..21 global
// values, (v + 1) * 100 + k value k of video v + 1).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

struct SettingName {
    const char* name;
    int index;  // global value, or value within a video's group
    const char* meaning;
};

// The names of the global values and of the per-video values (used as
// "videoN.<name>", N = 1..20).
const std::vector<SettingName>& global_setting_names();
const std::vector<SettingName>& video_setting_names();

// The parameter number a name stands for, or an error that says what is
// wrong with it. Names compare without regard to case; '-' and '_' are the
// same.
Result<int> parameter_for_name(std::string_view name);

// A value as written after '=': a number, or on/off, yes/no, true/false,
// and smooth/flat/wire for the render style.
Result<float> parse_setting_value(std::string_view text);

// Applies "NAME=VALUE" to the record.
Status apply_setting(EffectSettings& settings, std::string_view assignment);

// The table for --help.
std::string setting_names_help();

}  // namespace kdr::render_tool

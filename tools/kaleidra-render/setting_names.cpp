#include "setting_names.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "kaleidra/scene/effect_settings.h"

namespace kdr::render_tool {
namespace {

std::string normalised(std::string_view name) {
    std::string result;
    result.reserve(name.size());
    for (char c : name) {
        result += c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string lower_case(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::optional<int> whole_number(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> find(const std::vector<SettingName>& table, std::string_view name) {
    for (const SettingName& entry : table) {
        if (name == entry.name) {
            return entry.index;
        }
    }
    return std::nullopt;
}

// Other spellings people are likely to try.
struct Alias {
    const char* alias;
    const char* name;
};
constexpr Alias global_aliases[] = {
    {"fly_direction", "fly"},      {"render_style", "style"}, {"blur_percent", "blur"},
    {"antialiasing", "antialias"}, {"shadow", "shadows"},
};

}  // namespace

const std::vector<SettingName>& global_setting_names() {
    static const std::vector<SettingName> names = {
        {"fly", global_fly_direction, "fly direction: 0 off (completion 0 to 1), 1 on (1 to 0)"},
        {"style", global_render_style, "render style: 0 smooth, 1 flat, 2 wire"},
        {"render_quality", global_render_quality, "0 fastest, 1 best"},
        {"image_quality", global_image_quality, "texture filtering: 0 fastest, 1 best"},
        {"antialias", global_antialias, "0 off, 1 on (draws at twice the size)"},
        {"lighting", global_lighting, "0 off, 1 on"},
        {"shadows", global_shadows, "0..100 percent"},
        {"blur", global_blur_percent, "motion blur, 0..100 percent"},
        {"blur_count", global_blur_count, "motion blur sub-frames, 0..10"},
        {"filter_placement", global_filter_placement,
         "1 places the filter source by the values below"},
        {"light_direction", global_light_direction, "0..360 degrees"},
        {"filter_frames", global_filter_frames, "filter frame count, 10..200 (0 = no filter)"},
        {"filter_percent", global_filter_percent, "0..100"},
        {"filter_source", global_filter_source, "video the filter shows, 0-based"},
        {"transition_period", global_transition_period, "0..100 percent of the clip; 0 = all"},
        {"filter_rotation_x", global_filter_rotation_x, "0..360 degrees"},
        {"filter_rotation_y", global_filter_rotation_y, "0..360 degrees"},
        {"filter_rotation_z", global_filter_rotation_z, "0..360 degrees"},
        {"filter_distance", global_filter_distance, "0..200"},
    };
    return names;
}

const std::vector<SettingName>& video_setting_names() {
    static const std::vector<SettingName> names = {
        {"shine", video_shine, "0..100 percent"},
        {"transparency", video_transparency, "0..100 percent"},
        {"luminosity", video_luminosity, "0..100 percent"},
        {"trail_count", video_trail_count, "0..20 copies"},
        {"direction", video_direction, "path rotation about Z, 0..360 degrees"},
        {"follows_direction", video_follows_direction, "0 or 1: the object turns with its path"},
        {"trail_spacing", video_trail_spacing, "0..20"},
    };
    return names;
}

Result<int> parameter_for_name(std::string_view raw_name) {
    const std::string name = normalised(raw_name);
    if (name.rfind("param.", 0) == 0) {
        std::optional<int> number = whole_number(std::string_view(name).substr(6));
        const bool global = number && *number >= 0 && *number < parameter_global_count;
        const bool video = number && *number >= 100 && *number < (video_group_count + 1) * 100 &&
                           *number % 100 < video_value_count;
        if (!global && !video) {
            return Error{"\"" + std::string(raw_name) +
                         "\" is no parameter number (0..21, or 100 * video + value 0..9)"};
        }
        return *number;
    }
    if (name.rfind("video", 0) == 0) {
        const std::size_t dot = name.find('.');
        std::optional<int> video = dot == std::string::npos
                                       ? std::nullopt
                                       : whole_number(std::string_view(name).substr(5, dot - 5));
        if (!video || *video < 1 || *video > video_group_count) {
            return Error{"\"" + std::string(raw_name) +
                         "\": per-video values are named videoN.NAME with N from 1 to 20"};
        }
        std::optional<int> index =
            find(video_setting_names(), std::string_view(name).substr(dot + 1));
        if (!index) {
            return Error{"\"" + std::string(raw_name) + "\": unknown per-video value \"" +
                         name.substr(dot + 1) + "\" (see --help)"};
        }
        return *video * 100 + *index;
    }
    std::string global = name;
    for (const Alias& alias : global_aliases) {
        if (global == alias.alias) {
            global = alias.name;
        }
    }
    if (std::optional<int> index = find(global_setting_names(), global)) {
        return *index;
    }
    return Error{"unknown setting \"" + std::string(raw_name) + "\" (see --help)"};
}

Result<float> parse_setting_value(std::string_view raw_text) {
    const std::string text = lower_case(raw_text);
    if (text == "on" || text == "yes" || text == "true") {
        return 1.0f;
    }
    if (text == "off" || text == "no" || text == "false") {
        return 0.0f;
    }
    if (text == "smooth") {
        return 0.0f;
    }
    if (text == "flat") {
        return 1.0f;
    }
    if (text == "wire") {
        return 2.0f;
    }
    float value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return Error{"\"" + std::string(raw_text) + "\" is not a number"};
    }
    return value;
}

Status apply_setting(EffectSettings& settings, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        return Error{"--set takes NAME=VALUE, not \"" + std::string(assignment) + "\""};
    }
    Result<int> number = parameter_for_name(assignment.substr(0, equals));
    if (!number) {
        return Error{number.error()};
    }
    Result<float> value = parse_setting_value(assignment.substr(equals + 1));
    if (!value) {
        return Error{"--set " + std::string(assignment) + ": " + value.error()};
    }
    settings_set_parameter(settings, *number, *value);
    return Status::success();
}

std::string setting_names_help() {
    std::string text = "Global values (--set NAME=VALUE):\n";
    char line[160];
    for (const SettingName& entry : global_setting_names()) {
        std::snprintf(line, sizeof line, "  %-20s %s\n", entry.name, entry.meaning);
        text += line;
    }
    text +=
        "Values of video N = 1..20 (--set videoN.NAME=VALUE; video1 is source A,\n"
        "video2 source B, video3 on the extra sources):\n";
    for (const SettingName& entry : video_setting_names()) {
        std::snprintf(line, sizeof line, "  %-20s %s\n", entry.name, entry.meaning);
        text += line;
    }
    text +=
        "Any value by its parameter number: param.N (0..21 global, 100 * N + 0..9\n"
        "per video). VALUE is a number, on/off, yes/no, true/false, or\n"
        "smooth/flat/wire for the style.\n";
    return text;
}

}  // namespace kdr::render_tool

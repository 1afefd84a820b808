#pragma once
// The user-interface preferences of the selection dialog, all values of the
// package's registry key (a missing number reads 0, a missing string
// empty). The Settings page edits them; the effect page, the preview and
// the hosts' render driver read them. Strings are cut to 40 characters, the
// size of the fields they are kept in.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::gui {

inline constexpr std::size_t preference_text_length = 40;

struct UiPreferences {
    std::uint32_t eff_display = 0;      // "Eff_Display": 0 icons, 1 names, 2 both
    std::uint32_t eff_autoreverse = 0;  // "Eff_Autoreverse"
    std::string org_file;               // "OrgFile": read and written back unchanged
    std::uint32_t prev_quality = 0;     // "Prev_Quality": 0 32 pixels, 1 64, 2 128
    std::string prev_engine;            // "Prev_Engine"
    std::uint32_t prev_frames = 0;      // "Prev_Frames": 1..200, below 6 one still frame
    std::uint32_t prev_render = 0;      // "Prev_Render": render on every change
    std::uint32_t prev_speed = 0;       // "Prev_Speed": frames per second, 1..30
    std::string engine;                 // "Engine": final renders
    std::uint32_t rnd_logging = 0;      // "Rnd_Logging": 0 off, 1 summary, 2 detailed
    std::uint32_t rnd_multi = 0;        // "Rnd_Multi": multithreaded final rendering

    friend bool operator==(const UiPreferences&, const UiPreferences&) = default;
};

UiPreferences read_preferences();

// Writes every preference, in the order "Eff_Display", "Eff_Autoreverse",
// "OrgFile", "Prev_Quality", "Prev_Engine", "Prev_Frames", "Prev_Render",
// "Prev_Speed", "Engine", "Rnd_Logging", "Rnd_Multi" (numbers as numbers,
// strings as strings). A value that cannot be written is passed over (the
// caller keeps its values in memory); the first failure is reported.
Status write_preferences(const UiPreferences& preferences);

// The preview speed as a timer divisor: 0 (never written) counts as 1.
std::uint32_t usable_speed(std::uint32_t speed);
// Milliseconds between two preview frames.
int frame_period_ms(std::uint32_t speed);

// The engine that draws into a window; never offered for previews.
inline constexpr const char* window_engine = "Rnd_Hardware";
// The engine that may render with two threads.
inline constexpr const char* memory_engine = "Rnd_Generic";

// The engines installed in "LIBS": every "Rnd_*" library, named without the
// platform's library suffix, sorted. Names longer than 40 characters are
// left out (they could not be stored).
std::vector<std::string> installed_engines();

}  // namespace kdr::gui

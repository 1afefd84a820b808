#pragma once
// kdr-dump --eval: builds the frame scene of an effect at one completion and
// prints what the renderer would draw (each item after paths and envelopes),
// to debug effects without rendering.

#include <cstdint>
#include <optional>
#include <string>

namespace kdr::dump {

struct EvalOptions {
    std::string effect_file;    // a "KDRE" file
    float completion = 0;       // 0..1
    std::string settings_file;  // optional "KDRR" memory block as hosts keep it
    // Optional frame position and total: the frame record then has pictures
    // in the slots of the effect's videos, so trails are made.
    std::optional<std::uint32_t> position;
    std::uint32_t total = 0;
};

// Prints to stdout; errors go to stderr. Returns the exit status (0 or 1).
int run_eval(const EvalOptions& options);

}  // namespace kdr::dump

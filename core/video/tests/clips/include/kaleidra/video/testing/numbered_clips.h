#pragma once
// Test clips whose every frame shows its own number, made by the ffmpeg
// program at test time: 16 bits as a 4 x 4 grid of light and dark cells,
// large enough to survive any codec at ordinary quality. A decoded frame
// says which source frame it is, so tests check frame exactness without
// comparing against a second decoder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kdr::video::testing {

// Frame `number` as packed BGR, top row first.
std::vector<std::uint8_t> numbered_picture(std::uint32_t width, std::uint32_t height,
                                           std::uint32_t number);

// The number a picture shows, or -1 when a cell is neither light nor dark.
// `pixels` holds 24-bit BGR rows of `stride` bytes, bottom row first when
// `bottom_up`.
int read_number(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                std::uint32_t stride, bool bottom_up);

struct ClipRequest {
    std::uint32_t width = 160;
    std::uint32_t height = 96;
    std::uint32_t frames = 30;
    std::string rate = "30";       // as ffmpeg reads it: "30000/1001"
    std::string output_arguments;  // codec and options: "-c:v libx264 -bf 2"
    bool with_audio = false;       // a tone for the clip's length, in both channels
    int tone_hz = 440;
    std::uint32_t first_number = 0;  // frame f shows first_number + f
};

// Writes the numbered frames through the ffmpeg program into `file` (the
// extension picks the container). Throws std::runtime_error with ffmpeg's
// message when it fails.
void make_numbered_clip(const std::filesystem::path& file, const ClipRequest& request);

// Runs a shell command (testing/program_run.h) and gives its standard output
// and error; throws std::runtime_error when it exits non-zero.
std::string program_output(const std::string& command);
bool have_program(const std::string& name);
// The path quoted for the shell.
std::string shell_quoted(const std::filesystem::path& path);

}  // namespace kdr::video::testing

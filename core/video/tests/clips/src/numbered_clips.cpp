#include "kaleidra/video/testing/numbered_clips.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "kaleidra/testing/program_run.h"

namespace kdr::video::testing {
namespace {

constexpr std::uint32_t grid = 4;
constexpr std::uint8_t light[3] = {200, 225, 180};  // blue, green, red
constexpr std::uint8_t dark[3] = {40, 25, 60};

bool bit_of(std::uint32_t number, std::uint32_t cell) {
    return ((number >> cell) & 1u) != 0;
}

}  // namespace

std::vector<std::uint8_t> numbered_picture(std::uint32_t width, std::uint32_t height,
                                           std::uint32_t number) {
    std::vector<std::uint8_t> bytes(std::size_t{width} * height * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t cell = (y * grid / height) * grid + x * grid / width;
            const std::uint8_t* colour = bit_of(number, cell) ? light : dark;
            std::uint8_t* p = &bytes[(std::size_t{y} * width + x) * 3];
            p[0] = colour[0];
            p[1] = colour[1];
            p[2] = colour[2];
        }
    }
    return bytes;
}

int read_number(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                std::uint32_t stride, bool bottom_up) {
    int number = 0;
    for (std::uint32_t cell = 0; cell < grid * grid; ++cell) {
        // The middle half of the cell, away from edges that codecs blur.
        const std::uint32_t x0 = (cell % grid) * width / grid;
        const std::uint32_t y0 = (cell / grid) * height / grid;
        const std::uint32_t cell_width = width / grid;
        const std::uint32_t cell_height = height / grid;
        double sum = 0;
        int count = 0;
        for (std::uint32_t y = y0 + cell_height / 4; y < y0 + cell_height * 3 / 4; ++y) {
            const std::uint32_t row = bottom_up ? height - 1 - y : y;
            for (std::uint32_t x = x0 + cell_width / 4; x < x0 + cell_width * 3 / 4; ++x) {
                const std::uint8_t* p = pixels + std::size_t{row} * stride + std::size_t{x} * 3;
                sum += p[1];
                ++count;
            }
        }
        if (count == 0) {
            return -1;
        }
        const double green = sum / count;
        if (std::abs(green - light[1]) < 40) {
            number |= 1 << cell;
        } else if (std::abs(green - dark[1]) >= 40) {
            return -1;
        }
    }
    return number;
}

std::string shell_quoted(const std::filesystem::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

bool have_program(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string program_output(const std::string& command) {
    const kdr::test::ProgramRun run = kdr::test::run_program(command);
    if (run.exit_code != 0) {
        throw std::runtime_error(command + " failed (exit code " + std::to_string(run.exit_code) +
                                 "):\n" + run.output);
    }
    return run.output;
}

void make_numbered_clip(const std::filesystem::path& file, const ClipRequest& request) {
    const std::filesystem::path raw = file.string() + ".bgr";
    {
        std::FILE* out = std::fopen(raw.c_str(), "wb");
        if (out == nullptr) {
            throw std::runtime_error("cannot write " + raw.string());
        }
        for (std::uint32_t f = 0; f < request.frames; ++f) {
            const std::vector<std::uint8_t> bytes =
                numbered_picture(request.width, request.height, request.first_number + f);
            std::fwrite(bytes.data(), 1, bytes.size(), out);
        }
        std::fclose(out);
    }
    std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr24 -s " +
                          std::to_string(request.width) + "x" + std::to_string(request.height) +
                          " -r " + request.rate + " -i " + shell_quoted(raw);
    if (request.with_audio) {
        command += " -f lavfi -i sine=frequency=" + std::to_string(request.tone_hz) +
                   ":sample_rate=48000 -ac 2 -shortest";
    }
    command += " " + request.output_arguments + " " + shell_quoted(file);
    try {
        program_output(command);
    } catch (...) {
        std::filesystem::remove(raw);
        throw;
    }
    std::filesystem::remove(raw);
}

}  // namespace kdr::video::testing

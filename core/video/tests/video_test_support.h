#pragma once
// Pictures with large differences from frame to frame, comparison of decoded
// frames with them, and running the ffmpeg and ffprobe programs in a test's
// temporary folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/testing/program_run.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::video::test {

// Frame f of a test movie, top row first, packed BGR: a gradient whose level
// rises by 15 every frame and a white square that moves 4 pixels a frame.
inline std::vector<std::uint8_t> picture(std::uint32_t width, std::uint32_t height,
                                         std::uint32_t f) {
    std::vector<std::uint8_t> bytes(std::size_t{width} * height * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = &bytes[(std::size_t{y} * width + x) * 3];
            const bool square = x >= 4 * f % width && x < 4 * f % width + 8 && y >= 8 && y < 16;
            p[0] = square ? 255 : static_cast<std::uint8_t>(15 * f + x / 2);
            p[1] = square ? 255 : static_cast<std::uint8_t>(15 * f + y / 2 + 20);
            p[2] = square ? 255 : static_cast<std::uint8_t>(200 - 15 * f + (x + y) / 4);
        }
    }
    return bytes;
}

// The same picture as a device-independent bitmap: bottom row first, rows
// padded to 4 bytes.
inline std::vector<std::uint8_t> bitmap_of(const std::vector<std::uint8_t>& top_down,
                                           std::uint32_t width, std::uint32_t height) {
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(stride * height, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::copy_n(&top_down[std::size_t{height - 1 - y} * width * 3], width * 3,
                    &bytes[y * stride]);
    }
    return bytes;
}

struct Difference {
    double mean = 0;
    int max = 0;
};

// Mean and largest channel difference between a decoded frame and picture f.
inline Difference compare(const VideoFrame& frame, std::uint32_t f) {
    const std::vector<std::uint8_t> expected =
        bitmap_of(picture(frame.width, frame.height, f), frame.width, frame.height);
    Difference difference;
    double sum = 0;
    for (std::uint32_t y = 0; y < frame.height; ++y) {
        for (std::uint32_t x = 0; x < frame.width * 3; ++x) {
            const std::size_t at = std::size_t{y} * frame.stride + x;
            const int d = std::abs(int{frame.pixels[at]} - int{expected[at]});
            sum += d;
            difference.max = std::max(difference.max, d);
        }
    }
    difference.mean = sum / (double(frame.width) * frame.height * 3);
    return difference;
}

// Checks that `frame` is picture f within the tolerance, and closer to it
// than to its neighbours.
inline void expect_frame(const VideoFrame& frame, std::uint32_t f, std::uint32_t frame_count,
                         double mean_tolerance, int max_tolerance) {
    const Difference own = compare(frame, f);
    EXPECT_LE(own.mean, mean_tolerance) << "frame " << f << " differs from its picture";
    EXPECT_LE(own.max, max_tolerance) << "frame " << f << " differs from its picture";
    // For frame 0, f - 1 wraps round past the frame count and is skipped.
    for (std::uint32_t other : {f - 1, f + 1}) {
        if (other < frame_count) {
            EXPECT_GT(compare(frame, other).mean, own.mean + 5)
                << "frame " << f << " looks like frame " << other;
        }
    }
}

inline bool have_program(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string quoted(const std::filesystem::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

// Runs a shell command (testing/program_run.h); returns its output, failing
// the test when it exits non-zero.
inline std::string run(const std::string& command) {
    const kdr::test::ProgramRun run = kdr::test::run_program(command);
    EXPECT_EQ(run.exit_code, 0) << command << "\n" << run.output;
    return run.output;
}

// Writes `count` pictures as one raw BGR file and turns it into an AVI with
// the ffmpeg program, passing `codec_arguments` for the output.
inline std::filesystem::path make_avi_with_ffmpeg(const std::filesystem::path& folder,
                                                  const std::string& name, std::uint32_t width,
                                                  std::uint32_t height, std::uint32_t count,
                                                  const std::string& codec_arguments) {
    const std::filesystem::path raw = folder / (name + ".bgr");
    {
        std::ofstream out(raw, std::ios::binary);
        for (std::uint32_t f = 0; f < count; ++f) {
            const std::vector<std::uint8_t> bytes = picture(width, height, f);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
    }
    const std::filesystem::path avi = folder / (name + ".avi");
    run("ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr24 -s " + std::to_string(width) + "x" +
        std::to_string(height) + " -r 10 -i " + quoted(raw) + " " + codec_arguments + " " +
        quoted(avi));
    return avi;
}

}  // namespace kdr::video::test

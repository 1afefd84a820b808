#pragma once
// Golden-image comparison for rendering tests. A picture is compared with a
// stored reference (a PNG file) within two limits: the largest difference
// of any channel of any pixel, and the root-mean-square difference over all
// channels. A failure names the worst pixel and writes the actual picture,
// the expected one and their difference beside each other into the test's
// output folder ($KALEIDRA_TEST_OUTPUT_DIR, else "golden-failures" in the
// working folder, which CTest makes the build folder).
//
// With KALEIDRA_UPDATE_GOLDEN=1 in the environment the reference is
// (re)written from the actual picture and the comparison passes; look at
// every picture written this way before committing it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kdr::test {

// 8-bit red, green, blue, top row first, no padding.
struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;

    Picture() = default;
    Picture(std::uint32_t w, std::uint32_t h) : width(w), height(h), rgb(std::size_t{w} * h * 3) {}
    std::uint8_t* at(std::uint32_t x, std::uint32_t y) {
        return rgb.data() + (std::size_t{y} * width + x) * 3;
    }
    const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
        return rgb.data() + (std::size_t{y} * width + x) * 3;
    }
};

struct Tolerance {
    int max_difference = 0;  // per channel, 0..255
    double max_rms = 0;      // over every channel of every pixel
};

struct PictureDifference {
    int max_difference = 0;
    double rms = 0;
    std::uint32_t worst_x = 0;
    std::uint32_t worst_y = 0;
};

// Both pictures must have the same size.
PictureDifference compare_pictures(const Picture& expected, const Picture& actual);

bool read_png(const std::filesystem::path& file, Picture& picture, std::string& error);
bool write_png(const std::filesystem::path& file, const Picture& picture);

// The golden reference `name` (a path relative to `golden_folder`, without
// ".png") compared with `actual` within `tolerance`. When several renderers
// share one reference, only the one given `may_update` rewrites it.
::testing::AssertionResult matches_golden(const Picture& actual,
                                          const std::filesystem::path& golden_folder,
                                          const std::string& name, const Tolerance& tolerance,
                                          bool may_update = true);

// Two rendered pictures compared with each other (no stored reference); on
// failure both are written to the output folder under `name`.
::testing::AssertionResult pictures_match(const Picture& expected, const Picture& actual,
                                          const std::string& name, const Tolerance& tolerance);

}  // namespace kdr::test

#include "kaleidra/testing/picture_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "stb_image.h"
#include "stb_image_write.h"

namespace kdr::test {

namespace {

std::filesystem::path output_folder() {
    const char* folder = std::getenv("KALEIDRA_TEST_OUTPUT_DIR");
    if (folder != nullptr && *folder != '\0') {
        return folder;
    }
    return std::filesystem::current_path() / "golden-failures";
}

bool updating_golden() {
    const char* value = std::getenv("KALEIDRA_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

Picture difference_picture(const Picture& expected, const Picture& actual) {
    // Differences scaled up so that small ones show.
    Picture difference(expected.width, expected.height);
    for (std::size_t i = 0; i < difference.rgb.size(); ++i) {
        const int d = std::abs(int{expected.rgb[i]} - int{actual.rgb[i]});
        difference.rgb[i] = static_cast<std::uint8_t>(std::min(255, d * 8));
    }
    return difference;
}

std::string describe(const Picture& expected, const Picture& actual,
                     const PictureDifference& difference, const Tolerance& tolerance) {
    std::ostringstream text;
    const std::uint8_t* e = expected.at(difference.worst_x, difference.worst_y);
    const std::uint8_t* a = actual.at(difference.worst_x, difference.worst_y);
    text << "largest difference " << difference.max_difference << " (limit "
         << tolerance.max_difference << "), RMS " << difference.rms << " (limit "
         << tolerance.max_rms << "); worst pixel (" << difference.worst_x << ", "
         << difference.worst_y << "): expected rgb(" << int{e[0]} << ", " << int{e[1]} << ", "
         << int{e[2]} << "), actual rgb(" << int{a[0]} << ", " << int{a[1]} << ", " << int{a[2]}
         << ")";
    return text.str();
}

std::string save_failure(const std::string& name, const Picture* expected, const Picture* actual) {
    const std::filesystem::path folder = output_folder();
    std::error_code ignored;
    std::filesystem::create_directories(folder / std::filesystem::path(name).parent_path(),
                                        ignored);
    const std::filesystem::path base = folder / name;
    std::string written;
    if (expected != nullptr && write_png(base.string() + ".expected.png", *expected)) {
        written += " " + base.string() + ".expected.png";
    }
    if (actual != nullptr && write_png(base.string() + ".actual.png", *actual)) {
        written += " " + base.string() + ".actual.png";
        if (expected != nullptr && actual->width == expected->width &&
            actual->height == expected->height &&
            write_png(base.string() + ".difference.png", difference_picture(*expected, *actual))) {
            written += " " + base.string() + ".difference.png";
        }
    }
    return written.empty() ? std::string("; could not write the pictures") : "; written:" + written;
}

}  // namespace

PictureDifference compare_pictures(const Picture& expected, const Picture& actual) {
    PictureDifference result;
    double squares = 0;
    for (std::uint32_t y = 0; y < expected.height; ++y) {
        for (std::uint32_t x = 0; x < expected.width; ++x) {
            const std::uint8_t* e = expected.at(x, y);
            const std::uint8_t* a = actual.at(x, y);
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int{e[c]} - int{a[c]});
                squares += double(d) * d;
                if (d > result.max_difference) {
                    result.max_difference = d;
                    result.worst_x = x;
                    result.worst_y = y;
                }
            }
        }
    }
    const double count = double(expected.rgb.size());
    result.rms = count > 0 ? std::sqrt(squares / count) : 0.0;
    return result;
}

bool read_png(const std::filesystem::path& file, Picture& picture, std::string& error) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(file.c_str(), &width, &height, &channels, 3);
    if (pixels == nullptr) {
        error = "cannot read \"" + file.string() + "\": " + stbi_failure_reason();
        return false;
    }
    picture = Picture(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    std::copy(pixels, pixels + picture.rgb.size(), picture.rgb.begin());
    stbi_image_free(pixels);
    return true;
}

bool write_png(const std::filesystem::path& file, const Picture& picture) {
    return stbi_write_png(file.c_str(), static_cast<int>(picture.width),
                          static_cast<int>(picture.height), 3, picture.rgb.data(),
                          static_cast<int>(picture.width * 3)) != 0;
}

::testing::AssertionResult pictures_match(const Picture& expected, const Picture& actual,
                                          const std::string& name, const Tolerance& tolerance) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure()
               << name << ": size " << actual.width << " x " << actual.height << ", expected "
               << expected.width << " x " << expected.height
               << save_failure(name, &expected, &actual);
    }
    const PictureDifference difference = compare_pictures(expected, actual);
    if (difference.max_difference > tolerance.max_difference ||
        difference.rms > tolerance.max_rms) {
        return ::testing::AssertionFailure()
               << name << ": " << describe(expected, actual, difference, tolerance)
               << save_failure(name, &expected, &actual);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult matches_golden(const Picture& actual,
                                          const std::filesystem::path& golden_folder,
                                          const std::string& name, const Tolerance& tolerance,
                                          bool may_update) {
    const std::filesystem::path file = golden_folder / (name + ".png");
    if (may_update && updating_golden()) {
        std::error_code ignored;
        std::filesystem::create_directories(file.parent_path(), ignored);
        if (!write_png(file, actual)) {
            return ::testing::AssertionFailure() << "cannot write the reference " << file;
        }
        std::printf("reference written: %s\n", file.c_str());
        return ::testing::AssertionSuccess();
    }
    Picture expected;
    std::string error;
    if (!read_png(file, expected, error)) {
        return ::testing::AssertionFailure()
               << error << " (run with KALEIDRA_UPDATE_GOLDEN=1 to create it)"
               << save_failure(name, nullptr, &actual);
    }
    return pictures_match(expected, actual, name, tolerance);
}

}  // namespace kdr::test

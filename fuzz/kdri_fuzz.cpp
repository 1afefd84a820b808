// Reads arbitrary bytes as an image file (form KDRI) and as an embedded image
// chunk.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"

namespace {

const std::filesystem::path& temporary_file() {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("kdr-kdri-fuzz-" + std::to_string(::getpid()) + ".kdt");
    return file;
}

void check(const kdr::ImageRecord& image) {
    if (image.buffer == nullptr) {
        return;
    }
    // Every byte the row addressing reaches must lie in the buffer.
    std::uint32_t sum = 0;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row = kdr::image_row(image, y);
        if (row < image.buffer ||
            row + std::size_t{image.width} * image.bytes_per_pixel > image.buffer + image.size) {
            __builtin_trap();
        }
        for (std::uint32_t x = 0; x < image.width * image.bytes_per_pixel; ++x) {
            sum += row[x];
        }
    }
    (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kdr::ImageRecord image;
    kdr::image_construct(image);
    if (kdr::read_embedded_image(image, data, static_cast<std::uint32_t>(size))) {
        check(image);
    }
    kdr::image_release_all(image);

    std::FILE* file = std::fopen(temporary_file().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    if (kdr::read_image_file(image, temporary_file())) {
        check(image);
    }
    kdr::image_release_all(image);
    return 0;
}

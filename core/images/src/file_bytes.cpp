#include "file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace kdr::images_detail {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

Result<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& file,
                                                  std::size_t max_size) {
    std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(file.c_str(), "rb"));
    if (!stream) {
        return Error{"cannot open \"" + file.string() + "\": " + std::strerror(errno)};
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, stream.get());
        if (got > 0) {
            if (bytes.size() + got > max_size) {
                return Error{"\"" + file.string() + "\" is larger than " +
                             std::to_string(max_size >> 20) +
                             " MiB, more than any picture it may hold"};
            }
            bytes.insert(bytes.end(), block, block + got);
        }
        if (got < sizeof block) {
            break;
        }
    }
    if (std::ferror(stream.get())) {
        return Error{"cannot read \"" + file.string() + "\": " + std::strerror(errno)};
    }
    return bytes;
}

}  // namespace kdr::images_detail

#include "kaleidra/settings_files/numbered_settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "kaleidra/chunks/chunk_id.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::settings_files {
namespace {

std::string file_name(std::int32_t number, const char* extension) {
    return std::to_string(number) + "." + extension;
}

// The work folder, found without regard to case.
std::optional<std::filesystem::path> work_folder() {
    std::optional<std::filesystem::path> base = install::install_folder();
    if (!base) {
        return std::nullopt;
    }
    return platform::resolve_entry(*base, install::folder_work);
}

// True when the folder holds the file of `name` in some case of its own.
bool taken_in_other_case(const std::filesystem::path& folder, const std::string& name) {
    return platform::resolve_entry(folder, name) != folder / name;
}

}  // namespace

std::int32_t next_settings_number(std::int32_t number) {
    if (number < 1) {
        return 1;
    }
    return number == 99 ? 101 : number + 1;
}

std::optional<std::filesystem::path> settings_file_path(std::int32_t number,
                                                        const char* extension) {
    if (number < 1 || extension == nullptr) {
        return std::nullopt;
    }
    return install::build_path(install::folder_work, std::to_string(number).c_str(), extension);
}

bool load_settings_bytes(EffectSettings& settings, const void* data, std::size_t size) {
    // A settings file is the stored block without its leading size word.
    constexpr chunks::ChunkId form = chunks::make_id("KDRR");
    if (data == nullptr || size < 4 || size > hostkit::max_stored_settings - 4 ||
        std::memcmp(data, &form, 4) != 0) {
        return false;
    }
    std::vector<std::uint8_t> block(size + 4);
    const auto total = static_cast<std::uint32_t>(block.size());
    std::memcpy(block.data(), &total, 4);
    std::memcpy(block.data() + 4, data, size);
    EffectSettings fresh;
    if (!settings_initialise(fresh)) {
        return false;
    }
    // A damaged file (cut inside a chunk) is not half taken: the settings
    // stay as they were.
    const bool read =
        settings_from_block(fresh, block.data(), block.size()) && settings_copy(settings, fresh);
    settings_destroy(fresh);
    return read;
}

bool load_settings_file(EffectSettings& settings, const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    // Read at most one byte more than a settings file may hold, so that a
    // larger file (or an endless one) is refused without reading it all.
    const std::size_t limit = hostkit::max_stored_settings - 4;
    std::vector<char> bytes;
    char buffer[65536];
    while (in && bytes.size() <= limit) {
        in.read(buffer, sizeof buffer);
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    }
    if (in.bad() || bytes.size() > limit) {
        return false;
    }
    return load_settings_bytes(settings, bytes.data(), bytes.size());
}

bool load_numbered_settings(EffectSettings& settings, std::int32_t number, const char* extension) {
    std::optional<std::filesystem::path> file = settings_file_path(number, extension);
    return file && load_settings_file(settings, *file);
}

Result<std::int32_t> claim_settings_number(const std::filesystem::path& folder,
                                           const char* extension) {
    for (std::int32_t number = 1; number <= max_settings_number;
         number = next_settings_number(number)) {
        const std::string name = file_name(number, extension);
        const std::filesystem::path file = folder / name;
        // Created only when it did not exist: of two writers asking at
        // once, one gets the number and the other moves on.
        if (taken_in_other_case(folder, name)) {
            continue;
        }
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return number;
        }
        if (errno != EEXIST) {
            // A missing or read-only folder will not become writable by
            // trying the next number.
            return Error{"Cannot create the settings file \"" + file.string() +
                         "\": " + std::strerror(errno)};
        }
    }
    return Error{"The work folder \"" + folder.string() + "\" holds no free settings number."};
}

Result<std::int32_t> save_settings_file(const EffectSettings& settings,
                                        const std::filesystem::path& folder, std::int32_t number,
                                        const char* extension) {
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    if (block.size() < 4) {
        return Error{"Not enough memory to save the settings."};
    }
    bool claimed = false;
    if (number < 1) {
        Result<std::int32_t> fresh = claim_settings_number(folder, extension);
        if (!fresh) {
            return fresh;
        }
        number = *fresh;
        claimed = true;
    }
    std::filesystem::path file = platform::resolve_entry(folder, file_name(number, extension));
    // The file without the block's size word, replacing the old one in one
    // step.
    Status written = platform::write_file_atomically(file, block.data() + 4, block.size() - 4);
    if (!written) {
        if (claimed) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
        return Error{"Cannot save the settings: " + written.error()};
    }
    return number;
}

Result<std::int32_t> save_numbered_settings(const EffectSettings& settings, std::int32_t number,
                                            const char* extension) {
    std::optional<std::filesystem::path> folder = work_folder();
    if (!folder) {
        return Error{"Cannot find the installation's work folder."};
    }
    return save_settings_file(settings, *folder, number, extension);
}

}  // namespace kdr::settings_files

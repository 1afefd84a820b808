#include "selection_dialog.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "kaleidra/host/starting_settings.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/scene/effect_settings.h"

extern char** environ;

namespace kdr::gimp {
namespace {

// kaleidra-select's exit codes.
constexpr int select_ok = 0;
constexpr int select_cancelled = 1;

// A file of its own in the temporary folder, removed with this object.
class TemporaryFile {
  public:
    TemporaryFile() {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        if (error) {
            return;
        }
        const std::string pattern = (folder / "kaleidra-gimp-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = ::mkstemp(name.data());
        if (descriptor >= 0) {
            ::close(descriptor);
            m_path = name.data();
        }
    }
    ~TemporaryFile() {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove(m_path, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

}  // namespace

std::filesystem::path select_program() {
    if (std::optional<std::filesystem::path> folder = install::install_folder()) {
        const std::filesystem::path program = *folder / "bin" / "kaleidra-select";
        std::error_code error;
        if (std::filesystem::exists(program, error)) {
            return program;
        }
    }
    return "kaleidra-select";
}

DialogResult run_selection_dialog(EffectSettings& settings, const std::filesystem::path& program) {
    TemporaryFile file;
    if (file.path().empty()) {
        return {DialogAnswer::failed, "No temporary file for the settings could be made."};
    }
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    std::ofstream(file.path(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(block.size()));

    std::string program_text = program.string();
    std::string option = "--filter";
    std::string file_text = file.path().string();
    char* arguments[] = {program_text.data(), option.data(), file_text.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, program_text.c_str(), nullptr, nullptr, arguments, environ) != 0) {
        return {DialogAnswer::failed,
                "The selection dialog " + program_text + " could not be run."};
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return {DialogAnswer::failed, "The selection dialog was lost."};
        }
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == select_cancelled) {
        return {DialogAnswer::cancelled, {}};
    }
    if (code != select_ok) {
        return {DialogAnswer::failed, "The selection dialog could not be shown (" + program_text +
                                          " ended with " + std::to_string(code) + ")."};
    }
    if (Status read = host::read_settings_file(settings, file.path()); !read) {
        return {DialogAnswer::failed, read.error()};
    }
    return {DialogAnswer::ok, {}};
}

}  // namespace kdr::gimp

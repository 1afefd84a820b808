#include "output_guard.h"

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "frame_pattern.h"

namespace kdr::render_tool {
namespace {

struct NamedFile {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
};

std::optional<NamedFile> existing(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return NamedFile{name, info.st_dev, info.st_ino};
}

// The files a name stands for: every existing picture of a pattern, or the
// file itself when it exists.
void add_files(const std::string& name, std::vector<NamedFile>& files) {
    if (std::optional<FramePattern> pattern = FramePattern::parse(name)) {
        for (std::uint32_t number : pattern->numbers_present()) {
            if (std::optional<NamedFile> file = existing(pattern->name_for(number))) {
                files.push_back(*file);
            }
        }
        return;
    }
    if (std::optional<NamedFile> file = existing(name)) {
        files.push_back(*file);
    }
}

bool is_picture_name(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".png" || extension == ".bmp" || extension == ".tga" || extension == ".img";
}

}  // namespace

Status check_output_is_not_a_source(const RenderOptions& options) {
    struct Role {
        const std::string* name;
        std::string role;
    };
    std::vector<Role> roles = {{&options.source_a, "source A"}, {&options.source_b, "source B"}};
    for (std::size_t i = 0; i < options.extras.size(); ++i) {
        roles.push_back({&options.extras[i], "extra source " + std::to_string(i + 1)});
    }
    if (!options.settings_file.empty()) {
        roles.push_back({&options.settings_file, "the settings file"});
    }

    std::vector<NamedFile> outputs;
    add_files(options.output, outputs);
    // A plain picture name is numbered when more than one frame is written.
    const std::filesystem::path output(options.output);
    if (!FramePattern::parse(options.output) && is_picture_name(output)) {
        add_files(
            (output.parent_path() / output.stem()).string() + "%04d" + output.extension().string(),
            outputs);
    }
    if (outputs.empty()) {
        return Status::success();
    }
    for (const Role& role : roles) {
        std::vector<NamedFile> sources;
        add_files(*role.name, sources);
        for (const NamedFile& source : sources) {
            for (const NamedFile& out : outputs) {
                if (source.device == out.device && source.inode == out.inode) {
                    const std::string which =
                        source.name == *role.name ? "" : " (\"" + source.name + "\")";
                    return Error{"the output \"" + out.name + "\" is " + role.role + " \"" +
                                 *role.name + "\"" + which +
                                 "; writing it would destroy what is read: choose another "
                                 "--out"};
                }
            }
        }
    }
    return Status::success();
}

}  // namespace kdr::render_tool

#include "kaleidra/editor/preferences.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/folder_case.h"

namespace kdr::editor {
namespace {

using platform::RegistryType;
using platform::RegistryValue;

constexpr std::size_t max_recent_string = 255;

const char* const recent_project_names[recent_project_count] = {"LastProject1", "LastProject2",
                                                                "LastProject3", "LastProject4"};

// The values of the key as one snapshot, looked up by name.
class Snapshot {
  public:
    explicit Snapshot(const platform::Registry& registry) {
        Result<std::vector<RegistryValue>> values = registry.list(editor_registry_key);
        if (values) {
            m_values = std::move(*values);
        }
    }

    const RegistryValue* find(std::string_view name) const {
        for (const RegistryValue& value : m_values) {
            if (value.name.size() == name.size() &&
                std::equal(name.begin(), name.end(), value.name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                })) {
                return &value;
            }
        }
        return nullptr;
    }

    // A 4-byte number: a number value, or a binary value of exactly 4 bytes.
    std::optional<std::uint32_t> number(std::string_view name) const {
        const RegistryValue* value = find(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        if (value->type == RegistryType::number) {
            return value->number;
        }
        if (value->type == RegistryType::binary && value->bytes.size() == 4) {
            return static_cast<std::uint32_t>(value->bytes[0]) |
                   static_cast<std::uint32_t>(value->bytes[1]) << 8 |
                   static_cast<std::uint32_t>(value->bytes[2]) << 16 |
                   static_cast<std::uint32_t>(value->bytes[3]) << 24;
        }
        return std::nullopt;
    }

    const std::vector<std::uint8_t>* binary(std::string_view name) const {
        const RegistryValue* value = find(name);
        return value != nullptr && value->type == RegistryType::binary ? &value->bytes : nullptr;
    }

    std::optional<std::string> text(std::string_view name) const {
        const RegistryValue* value = find(name);
        if (value == nullptr || value->type != RegistryType::string) {
            return std::nullopt;
        }
        return value->text.substr(0, max_recent_string);
    }

  private:
    std::vector<RegistryValue> m_values;
};

// The optional parameter block that follows one options value.
void read_parameters(const Snapshot& values, const char* size_name, const char* block_name,
                     video::CompressOptions& options) {
    std::optional<std::uint32_t> size = values.number(size_name);
    if (!size || *size == 0 || *size > video::max_parameter_size) {
        set_parameters(options, {});
        return;
    }
    std::vector<std::uint8_t> block(*size, 0);
    if (const std::vector<std::uint8_t>* stored = values.binary(block_name)) {
        std::copy_n(stored->begin(), std::min<std::size_t>(stored->size(), block.size()),
                    block.begin());
    }
    set_parameters(options, std::move(block));
}

RegistryValue number_value(const char* name, std::int32_t value) {
    return RegistryValue::make_number(name, static_cast<std::uint32_t>(value));
}

RegistryValue options_value(const char* name, const video::CompressOptions& options) {
    const auto bytes = encode_compress_options(options);
    return RegistryValue::make_binary(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace

Preferences::Preferences(platform::Registry registry) : m_registry(std::move(registry)) {}

bool Preferences::read_defaults(OutputSettings& settings) const {
    const Snapshot values(m_registry);
    std::int32_t* const numbers[] = {&settings.main_window.left,
                                     &settings.main_window.top,
                                     &settings.main_window.width,
                                     &settings.main_window.height,
                                     &settings.player_window.left,
                                     &settings.player_window.top,
                                     &settings.player_window.width,
                                     &settings.player_window.height,
                                     &settings.preview_width,
                                     &settings.preview_height,
                                     &settings.final_width,
                                     &settings.final_height,
                                     &settings.rate,
                                     &settings.field_mode};
    const char* const names[] = {"MainWinLeft", "MainWinTop", "MainWinWidth", "MainWinHeight",
                                 "PlayWinLeft", "PlayWinTop", "PlayWinWidth", "PlayWinHeight",
                                 "PrevWidth",   "PrevHeight", "OutWidth",     "OutHeight",
                                 "OutRate",     "OutField"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        std::optional<std::uint32_t> value = values.number(names[i]);
        if (!value) {
            return false;
        }
        *numbers[i] = static_cast<std::int32_t>(*value);
    }
    const std::vector<std::uint8_t>* final_options = values.binary("OutOptions");
    if (final_options == nullptr || final_options->size() != video::compress_options_size) {
        return false;
    }
    settings.final_options = decode_compress_options(final_options->data());
    read_parameters(values, "OutExtraSz", "OutExtra", settings.final_options);
    const std::vector<std::uint8_t>* preview_options = values.binary("PrevOptions");
    if (preview_options == nullptr || preview_options->size() != video::compress_options_size) {
        return false;
    }
    settings.preview_options = decode_compress_options(preview_options->data());
    read_parameters(values, "PrevExtraSz", "PrevExtra", settings.preview_options);
    return true;
}

bool Preferences::write_defaults(const OutputSettings& settings) const {
    const auto set = [&](const RegistryValue& value) {
        return m_registry.set(editor_registry_key, value).ok();
    };
    const RegistryValue leading[] = {number_value("MainWinLeft", settings.main_window.left),
                                     number_value("MainWinTop", settings.main_window.top),
                                     number_value("MainWinWidth", settings.main_window.width),
                                     number_value("MainWinHeight", settings.main_window.height),
                                     number_value("PlayWinLeft", settings.player_window.left),
                                     number_value("PlayWinTop", settings.player_window.top),
                                     number_value("PlayWinWidth", settings.player_window.width),
                                     number_value("PlayWinHeight", settings.player_window.height),
                                     number_value("PrevWidth", settings.preview_width),
                                     number_value("PrevHeight", settings.preview_height),
                                     options_value("PrevOptions", settings.preview_options)};
    for (const RegistryValue& value : leading) {
        if (!set(value)) {
            return false;
        }
    }
    // The parameter block follows its size only when the size was written.
    const auto& preview_block = settings.preview_options.parameters;
    if (set(RegistryValue::make_number("PrevExtraSz",
                                       static_cast<std::uint32_t>(preview_block.size())))) {
        (void)set(RegistryValue::make_binary("PrevExtra", preview_block));
    }
    const RegistryValue trailing[] = {number_value("OutWidth", settings.final_width),
                                      number_value("OutHeight", settings.final_height),
                                      number_value("OutRate", settings.rate),
                                      number_value("OutField", settings.field_mode),
                                      options_value("OutOptions", settings.final_options)};
    for (const RegistryValue& value : trailing) {
        if (!set(value)) {
            return false;
        }
    }
    const auto& final_block = settings.final_options.parameters;
    if (set(RegistryValue::make_number("OutExtraSz",
                                       static_cast<std::uint32_t>(final_block.size())))) {
        (void)set(RegistryValue::make_binary("OutExtra", final_block));
    }
    return true;
}

bool Preferences::create_defaults() const {
    return write_defaults(default_output_settings());
}

std::optional<RecentValues> Preferences::read_recent() const {
    const Snapshot values(m_registry);
    RecentValues recent;
    std::optional<std::string> video = values.text("LastVideo");
    std::optional<std::string> output = values.text("LastOutput");
    if (!video || !output) {
        return std::nullopt;
    }
    recent.last_video = std::move(*video);
    recent.last_output = std::move(*output);
    for (int i = 0; i < recent_project_count; ++i) {
        std::optional<std::string> project = values.text(recent_project_names[i]);
        if (!project) {
            return std::nullopt;
        }
        recent.projects[i] = std::move(*project);
    }
    std::optional<std::uint32_t> index = values.number("LastIndex");
    if (!index) {
        return std::nullopt;
    }
    recent.next_index = *index < recent_project_count ? *index : 0;
    return recent;
}

bool Preferences::write_recent(const RecentValues& recent) const {
    std::vector<RegistryValue> values = {
        RegistryValue::make_string("LastVideo", recent.last_video),
        RegistryValue::make_string("LastOutput", recent.last_output)};
    for (int i = 0; i < recent_project_count; ++i) {
        values.push_back(RegistryValue::make_string(recent_project_names[i], recent.projects[i]));
    }
    values.push_back(RegistryValue::make_number("LastIndex", recent.next_index));
    for (const RegistryValue& value : values) {
        if (!m_registry.set(editor_registry_key, value)) {
            return false;
        }
    }
    return true;
}

Result<RecentValues> Preferences::start_up() const {
    OutputSettings scratch = default_output_settings();
    if (!read_defaults(scratch)) {
        if (!create_defaults() || !write_recent(RecentValues{})) {
            return Error{"cannot write the editor's defaults to the registry store " +
                         m_registry.file().string()};
        }
    }
    if (std::optional<RecentValues> recent = read_recent()) {
        return *recent;
    }
    // Some recent value is missing or unusable: write that one empty and
    // keep the others.
    const Snapshot values(m_registry);
    std::vector<RegistryValue> repairs;
    for (const char* name : {"LastVideo", "LastOutput"}) {
        if (!values.text(name)) {
            repairs.push_back(RegistryValue::make_string(name, ""));
        }
    }
    for (const char* name : recent_project_names) {
        if (!values.text(name)) {
            repairs.push_back(RegistryValue::make_string(name, ""));
        }
    }
    if (!values.number("LastIndex")) {
        repairs.push_back(RegistryValue::make_number("LastIndex", 0));
    }
    for (const RegistryValue& value : repairs) {
        if (Status written = m_registry.set(editor_registry_key, value); !written) {
            return Error{written.error()};
        }
    }
    if (std::optional<RecentValues> recent = read_recent()) {
        return *recent;
    }
    return Error{"the recent-file values in the registry store " + m_registry.file().string() +
                 " cannot be read"};
}

bool Preferences::save_defaults(const OutputSettings& settings, const RecentValues& recent) const {
    return write_recent(recent) && write_defaults(settings);
}

std::string untitled_project_name() {
    std::optional<std::filesystem::path> path =
        install::build_path(install::folder_projects, "Untitled", "KDP");
    return path ? path->string() : std::string("Untitled.KDP");
}

std::filesystem::path proposed_final_path(const Project& project, const RecentValues& recent) {
    if (!project.output.last_final.empty()) {
        return project.output.last_final;
    }
    if (!recent.last_output.empty()) {
        return std::filesystem::path(recent.last_output) / "Untitled.avi";
    }
    if (std::optional<std::filesystem::path> work = install::install_folder()) {
        return platform::resolve_entry(*work, install::folder_work) / "Untitled.avi";
    }
    return "Untitled.avi";
}

void clear_project(Project& project, const Preferences& preferences) {
    OutputSettings settings = project.output;
    (void)preferences.read_defaults(settings);
    project.clear(settings, untitled_project_name());
}

}  // namespace kdr::editor

#include "kaleidra/updater/commands.h"

#include "kaleidra/updater/file_ops.h"

namespace kdr::updater {
namespace {

using platform::MessageKind;
using platform::RegistryValue;

constexpr std::chrono::milliseconds command_pause{100};

Status copy_into(int update_folder, const std::string& source, const std::string& destination) {
    Result<UniqueFd> input = open_for_reading(update_folder, source);
    if (!input) {
        return Error{input.error()};
    }
    Result<EntryRef> target = open_parent(update_folder, destination);
    if (!target) {
        return Error{target.error()};
    }
    if (Status status = replace_file(input->get(), target->folder.get(), target->name); !status) {
        return Error{"\"" + destination + "\": " + status.error()};
    }
    return Status::success();
}

bool key_exists(const platform::Registry& registry, const std::string& key) {
    Result<std::vector<RegistryValue>> values = registry.list(key);
    return values.ok() && !values->empty();
}

class Runner {
  public:
    Runner(const Script& script, const CommandSettings& settings, Progress& progress)
        : m_script(script), m_settings(settings), m_progress(progress) {}

    CommandOutcome run() {
        for (const CommandRecord& record : m_script.records) {
            run_one(record);
        }
        m_progress.lower("");
        return m_outcome;
    }

  private:
    void run_one(const CommandRecord& record) {
        switch (record.letter) {
            case 'C':
                if (refused(record)) {
                    return;
                }
                copy(record);
                m_progress.pause(command_pause);
                return;
            case '9':
                m_progress.detail("Skipped (for the older system family only): " + record.line);
                return;
            case 'D':
                if (refused(record)) {
                    return;
                }
                remove(record);
                m_progress.pause(command_pause);
                return;
            case 'K':
                if (refused(record)) {
                    return;
                }
                write_registry(record);
                m_progress.pause(command_pause);
                return;
            case 'R':
                if (refused(record)) {
                    return;
                }
                ++m_outcome.replace_count;
                m_outcome.replace_names.push_back(record.argument(0));
                return;
            default:
                ++m_outcome.failed;
                m_progress.detail("Not a command: \"" + record.line + "\"");
                m_progress.box("Invalid command", MessageKind::information);
                return;
        }
    }

    bool refused(const CommandRecord& record) {
        if (!record.needs_installation) {
            return false;
        }
        ++m_outcome.failed;
        m_progress.box(unknown_installation_message(m_script, record), MessageKind::warning);
        return true;
    }

    void copy(const CommandRecord& record) {
        const std::string& folder = record.argument(0);
        const std::string& source = record.argument(1);
        m_progress.lower("Copying " + source + " to " + folder);
        Status status = copy_into(m_settings.update_folder, source, folder + source);
        if (!status) {
            ++m_outcome.failed;
            m_progress.detail(status.error());
            m_progress.box("File copy failed!", MessageKind::warning);
        }
    }

    void remove(const CommandRecord& record) {
        const std::string& file = record.argument(0);
        m_progress.lower("Deleting File " + file);
        bool missing = false;
        Status status = delete_file(m_settings.update_folder, file, missing);
        if (!status) {
            ++m_outcome.failed;
            m_progress.detail(status.error());
        } else if (missing) {
            m_progress.detail("\"" + file + "\" was not there");
        }
    }

    void write_registry(const CommandRecord& record) {
        const std::string& type = record.argument(0);
        const std::string& name = record.argument(1);
        const std::string& data = record.argument(2);
        m_progress.lower("Updating Registry");
        if (!key_exists(*m_settings.registry, m_script.key)) {
            ++m_outcome.failed;
            m_progress.detail("The key \"" + m_script.key + "\" does not exist; \"" + name +
                              "\" was not written");
            return;
        }
        RegistryValue value;
        std::string shown;
        if (!type.empty() && type.front() == 'S') {
            value = RegistryValue::make_string(name, data);
            shown = "\"" + data + "\"";
        } else {
            std::uint32_t number = static_cast<std::uint32_t>(parse_decimal(data));
            value = RegistryValue::make_number(name, number);
            shown = std::to_string(number);
        }
        Status status = m_settings.registry->set(m_script.key, value);
        if (!status) {
            ++m_outcome.failed;
            m_progress.detail("\"" + name + "\" was not written: " + status.error());
            return;
        }
        m_progress.detail(name + " = " + shown);
    }

    const Script& m_script;
    const CommandSettings& m_settings;
    Progress& m_progress;
    CommandOutcome m_outcome;
};

}  // namespace

std::string unknown_installation_message(const Script& script, const CommandRecord& record) {
    return "The installation folder is unknown: \"Path\" under \"" + script.key +
           "\" is missing or not an absolute folder.  Not done: " + record.line;
}

CommandOutcome run_commands(const Script& script, const CommandSettings& settings,
                            Progress& progress) {
    return Runner(script, settings, progress).run();
}

}  // namespace kdr::updater

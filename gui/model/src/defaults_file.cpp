#include "kaleidra/gui/defaults_file.h"

#include <cstring>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui {
namespace {

constexpr chunks::ChunkId settings_form = chunks::make_id("KDRR");

// A record that is destroyed however the function that made it ends.
struct ScratchRecord {
    EffectSettings record;
    bool valid = settings_initialise(record);
    ScratchRecord() = default;
    ~ScratchRecord() {
        if (valid) {
            settings_destroy(record);
        }
    }
    ScratchRecord(const ScratchRecord&) = delete;
    ScratchRecord& operator=(const ScratchRecord&) = delete;
};

}  // namespace

std::optional<std::filesystem::path> defaults_file_path() {
    return install::build_path(install::folder_work, "Defaults", "KRI");
}

DefaultsSave save_defaults(const EffectSettings& record) {
    std::optional<std::filesystem::path> file = defaults_file_path();
    if (!file) {
        return DefaultsSave::no_file_name;
    }
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, *file, settings_form);
    if (stream.status() != chunks::ready) {
        return DefaultsSave::cannot_create;
    }
    settings_write(record, stream);
    const int written = stream.status();
    const int closed = stream.close();
    // A write or rename that fails after the file was opened is a failure
    // too: the old file stays, and the user must hear of it.
    if (written != chunks::ready || closed != chunks::ready) {
        return DefaultsSave::cannot_create;
    }
    return DefaultsSave::saved;
}

bool load_defaults(EffectSettings& record) {
    std::optional<std::filesystem::path> file = defaults_file_path();
    if (!file) {
        return false;
    }
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, *file, settings_form);
    if (stream.status() != chunks::ready) {
        return false;
    }
    ScratchRecord scratch;
    if (!scratch.valid) {
        return false;
    }
    settings_read(scratch.record, stream);
    if (stream.status() != chunks::end_of_data || !settings_copy(record, scratch.record)) {
        return false;
    }
    std::memset(record.name, 0, sizeof record.name);
    return true;
}

}  // namespace kdr::gui

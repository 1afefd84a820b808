#include "kaleidra/gui/catalogue_refresh.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {
namespace {

namespace fs = std::filesystem;
using chunks::make_id;

bool is_item_chunk(chunks::ChunkId id) {
    switch (id) {
        case make_id("CAM0"):
        case make_id("LIT0"):
        case make_id("OBJ0"):
        case make_id("SRF0"):
        case make_id("PTH0"):
        case make_id("ENV0"):
        case make_id("WRP0"):
            return true;
        default:
            return false;
    }
}

bool has_effect_extension(const fs::path& file) {
    const std::string extension = file.extension().string();
    if (extension.size() != 4) {
        return false;
    }
    static constexpr char wanted[] = ".kdr";
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(extension[i])) != wanted[i]) {
            return false;
        }
    }
    return true;
}

void record_effect_count(std::uint32_t count) {
    // A value that cannot be written only means the next start checks again.
    (void)platform::Registry::open_default().set(
        install::registry_key(), platform::RegistryValue::make_number(effect_count_value, count));
}

}  // namespace

std::optional<EffectHeader> read_effect_header(const std::string& effect_name) {
    std::optional<fs::path> file =
        install::build_path(install::folder_effects, effect_name.c_str(), "KDR");
    if (!file) {
        return std::nullopt;
    }
    chunks::ChunkStream stream = chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, *file,
                                                                chunks::make_id("KDRE"));
    Scene header;
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        if (is_item_chunk(chunk.id)) {
            break;
        }
        header.parse_chunk(chunk);
    }
    if (stream.status() != chunks::ready && stream.status() != chunks::end_of_data) {
        return std::nullopt;
    }
    return EffectHeader{header.name, header.allow};
}

std::uint32_t count_effect_files() {
    std::optional<fs::path> base = install::install_folder();
    if (!base) {
        return 0;
    }
    const fs::path folder = platform::resolve_entry(*base, "Effects");
    std::uint32_t count = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code type_error;
        if (it->is_regular_file(type_error) && has_effect_extension(it->path())) {
            ++count;
        }
    }
    return count;
}

RefreshCheck check_catalogue() {
    RefreshCheck check;
    check.effect_files = count_effect_files();
    const std::uint32_t recorded = install::read_number(effect_count_value);
    bool current_exists = false;
    if (std::optional<fs::path> current = catalogue_path("current")) {
        std::error_code error;
        current_exists = fs::is_regular_file(*current, error);
    }
    check.needed = !(check.effect_files == recorded && current_exists);
    return check;
}

Catalogue rebuild_current_list(const Catalogue& master, const RebuildProgress& progress) {
    const std::size_t total = master.item_total();
    std::size_t done = 0;
    Catalogue current;
    for (const CatalogueGroup& group : master.groups()) {
        bool group_added = false;
        for (const std::string& item : group.items) {
            if (progress) {
                progress(done, total);
            }
            ++done;
            std::optional<EffectHeader> header = read_effect_header(item);
            if (!header || (header->allow & 1u) == 0) {
                continue;
            }
            if (!group_added) {
                current.add_group(group.name);
                group_added = true;
            }
            // An effect that stores no name of its own keeps its file's name,
            // so the list never holds an item that names nothing.
            (void)current.add_item(header->name.empty() ? item : header->name);
        }
    }
    if (progress) {
        progress(total, total);
    }
    return current;
}

RefreshResult refresh_catalogue(const RebuildRunner& runner) {
    const RefreshCheck check = check_catalogue();
    if (!check.needed) {
        return RefreshResult::up_to_date;
    }
    std::optional<fs::path> master_file = master_list_path();
    Catalogue master;
    if (!master_file || !read_catalogue(master, *master_file)) {
        return RefreshResult::master_unreadable;
    }
    bool written = false;
    const RebuildWork work = [&](const RebuildProgress& progress) {
        const Catalogue current = rebuild_current_list(master, progress);
        std::optional<fs::path> file = catalogue_path("current");
        if (file) {
            std::error_code ignored;  // a missing folder shows as a failed write
            fs::create_directories(file->parent_path(), ignored);
        }
        written = file && write_catalogue(current, *file).ok();
        return written;
    };
    if (runner) {
        runner(work);
    } else {
        work({});
    }
    if (!written) {
        return RefreshResult::write_failed;
    }
    record_effect_count(check.effect_files);
    return RefreshResult::rebuilt;
}

}  // namespace kdr::gui

#include "kaleidra/updater/mount_table.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "kaleidra/updater/file_ops.h"

namespace kdr::updater {
namespace {

constexpr std::size_t mount_table_limit = std::size_t{16} << 20;

// Block-device file systems that a search must not visit: optical and
// compressed images are read-only, and a file system in user space may be a
// network share whatever its source says ("fuseblk" is a local disk).
constexpr std::array<std::string_view, 6> excluded_types = {
    "squashfs", "iso9660", "udf", "erofs", "fuse", "cramfs",
};

std::string unescape(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            char a = field[i + 1];
            char b = field[i + 2];
            char c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                text += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::vector<std::string_view> split_blanks(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t position = 0;
    while (position < line.size()) {
        std::size_t start = line.find_first_not_of(" \t", position);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find_first_of(" \t", start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(start, end - start));
        position = end;
    }
    return fields;
}

std::vector<std::string> split_options(std::string_view text) {
    std::vector<std::string> options;
    std::size_t position = 0;
    while (position <= text.size()) {
        std::size_t end = text.find(',', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > position) {
            options.emplace_back(text.substr(position, end - position));
        }
        position = end + 1;
    }
    return options;
}

}  // namespace

std::vector<MountEntry> parse_mount_table(std::string_view text) {
    std::vector<MountEntry> table;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::vector<std::string_view> fields = split_blanks(text.substr(position, end - position));
        position = end + 1;
        if (fields.size() < 4) {
            continue;
        }
        MountEntry entry;
        entry.device = unescape(fields[0]);
        entry.mount_point = unescape(fields[1]);
        entry.type = unescape(fields[2]);
        entry.options = split_options(unescape(fields[3]));
        table.push_back(std::move(entry));
    }
    return table;
}

bool is_local_disk(const MountEntry& entry) {
    if (entry.mount_point.empty() || entry.mount_point.front() != '/') {
        return false;
    }
    bool block_device = entry.device.starts_with("/dev/") || entry.type == "zfs";
    if (!block_device) {
        return false;
    }
    for (std::string_view excluded : excluded_types) {
        if (entry.type == excluded) {
            return false;
        }
    }
    if (entry.type.starts_with("fuse.")) {
        return false;
    }
    return std::find(entry.options.begin(), entry.options.end(), "ro") == entry.options.end();
}

std::vector<std::string> local_disk_roots(const std::vector<MountEntry>& table) {
    std::unordered_map<std::string_view, std::size_t> last_mount;
    for (std::size_t i = 0; i < table.size(); ++i) {
        last_mount[table[i].mount_point] = i;
    }
    std::vector<std::string> roots;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (last_mount[table[i].mount_point] == i && is_local_disk(table[i])) {
            roots.push_back(table[i].mount_point);
        }
    }
    return roots;
}

std::vector<std::string> mount_points(const std::vector<MountEntry>& table) {
    std::unordered_set<std::string_view> seen;
    std::vector<std::string> points;
    for (const MountEntry& entry : table) {
        if (seen.insert(entry.mount_point).second) {
            points.push_back(entry.mount_point);
        }
    }
    return points;
}

Result<std::string> read_mount_table() {
    return read_small_file(AT_FDCWD, "/proc/self/mounts", mount_table_limit);
}

}  // namespace kdr::updater

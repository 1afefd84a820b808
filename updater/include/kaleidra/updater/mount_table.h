#pragma once
// The machine's mount table in the kernel's text form (/proc/self/mounts:
// device, mount point, type, options, two numbers; spaces, tabs, new lines
// and backslashes in names written as three-digit octal escapes), and the
// choice of mounts the drive search visits: local disk file systems, which
// are the counterpart of fixed drives. Block-device file systems count
// (a source under /dev/, and ZFS datasets); pseudo, memory, network, overlay,
// optical and read-only mounts do not.

#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::updater {

struct MountEntry {
    std::string device;
    std::string mount_point;
    std::string type;
    std::vector<std::string> options;
};

// Lines with fewer than four fields are left out.
std::vector<MountEntry> parse_mount_table(std::string_view text);

bool is_local_disk(const MountEntry& entry);

// The mount points of the local disks, each once, in table order. When a
// mount point appears twice, the later mount hides the earlier and decides.
std::vector<std::string> local_disk_roots(const std::vector<MountEntry>& table);

// Every mount point in the table, each once.
std::vector<std::string> mount_points(const std::vector<MountEntry>& table);

// The text of /proc/self/mounts.
Result<std::string> read_mount_table();

}  // namespace kdr::updater

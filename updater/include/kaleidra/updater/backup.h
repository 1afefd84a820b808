#pragma once
// The copies of the files a drive search replaces, so an administrator can
// see and undo what a wide search changed. They live in a folder of the
// update folder ("backup-YYYYMMDD-HHMMSS", made on first use), each under its
// whole original path ("/home/ann/README.TXT" is kept as
// "backup-.../home/ann/README.TXT"), with "replaced.txt" listing the original
// paths one a line (a backslash, tab, CR or new line in a name written as
// "\\", "\t", "\r", "\n"). The update folder is never searched, so the
// copies are never replaced themselves. Thread-compatible.

#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/updater/file_ops.h"

namespace kdr::updater {

class BackupFolder {
  public:
    // `update_folder` is an open folder whose path is `update_path`; `name`
    // is the backup folder's name without the suffix added when it exists.
    BackupFolder(int update_folder, std::string update_path, std::string name);

    // Copies the regular file `name` of the open folder `folder`, whose whole
    // path is `path`, into the backup. An existing copy is never overwritten.
    Status keep(int folder, const std::string& name, const std::string& path);
    // Adds `path` to "replaced.txt".
    Status list(const std::string& path);

    bool used() const { return m_folder.valid(); }
    // The backup folder's whole path; empty until first used.
    const std::string& path() const { return m_path; }

  private:
    Status create();

    int m_update_folder;
    std::string m_update_path;
    std::string m_name;
    std::string m_path;
    UniqueFd m_folder;
};

// "backup-YYYYMMDD-HHMMSS" for the local time now.
std::string backup_folder_name();

// The escaped form of a path as "replaced.txt" holds it.
std::string listed_path(const std::string& path);

}  // namespace kdr::updater

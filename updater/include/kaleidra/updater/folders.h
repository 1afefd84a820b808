#pragma once
// What the script's folder macros mean on this platform.
//
// {KDRDIR}: the installation folder, the string value "Path" under the
//   script's key in the registry store the updater was given. A missing,
//   empty or relative value leaves it unknown, and every command naming it is
//   refused (an empty expansion would turn "{KDRDIR}/x" into "/x").
// {WINDIR}: the folder of system-wide configuration that the package and its
//   hosts read: $KALEIDRA_WINDIR, else the first absolute folder of
//   $XDG_CONFIG_DIRS, else "/etc/xdg".
// {SYSDIR}: the folder of shared libraries and host plug-ins installed for
//   every user: $KALEIDRA_SYSDIR, else "/usr/local/lib".
// The texts carry no trailing "/", as scripts add their own.

#include <string>

#include "kaleidra/platform/registry.h"
#include "kaleidra/updater/script.h"

namespace kdr::updater {

struct SystemFolders {
    std::string windows;
    std::string system;
};

// The {WINDIR} and {SYSDIR} folders from the environment as described above.
SystemFolders system_folders_from_environment();

// The folder values for the script key `key`.
FolderValues fetch_folder_values(const platform::Registry& registry, const std::string& key,
                                 const SystemFolders& system);

}  // namespace kdr::updater

#pragma once
// The file-backed registry: keys named by backslash paths
// ("Software\Talvane\Kaleidra\3.0") holding typed values (32-bit number,
// string, binary). Key and value names compare without regard to ASCII case.
//
// The store is one human-readable text file, `$KALEIDRA_REGISTRY` when set,
// else `$XDG_CONFIG_HOME/kaleidra/registry` (`~/.config/kaleidra/registry`).
// Nothing is cached: every read parses the file afresh, so a change made by
// another process is seen at the next read. Every write takes an advisory
// lock on a lock file beside the store, reads the current contents, changes
// them and replaces the file atomically, so concurrent writers in several
// processes lose nothing and readers never see half a file.
//
// Registry objects hold only the file name; they may be used from any thread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::platform {

enum class RegistryType { number, string, binary };

struct RegistryValue {
    std::string name;
    RegistryType type = RegistryType::string;
    std::uint32_t number = 0;
    std::string text;
    std::vector<std::uint8_t> bytes;

    static RegistryValue make_number(std::string name, std::uint32_t value);
    static RegistryValue make_string(std::string name, std::string value);
    static RegistryValue make_binary(std::string name, std::vector<std::uint8_t> value);
};

const char* registry_type_name(RegistryType type);

class Registry {
  public:
    explicit Registry(std::filesystem::path file);

    // `$KALEIDRA_REGISTRY`, else the XDG configuration file.
    static std::filesystem::path default_file();
    static Registry open_default() { return Registry(default_file()); }

    const std::filesystem::path& file() const { return m_file; }

    // The value, or nothing when the file, the key or the value is absent or
    // cannot be read.
    std::optional<RegistryValue> get(std::string_view key, std::string_view name) const;
    // Every value of the key in stored order; an absent file or key gives an
    // empty list, an unreadable file an error.
    Result<std::vector<RegistryValue>> list(std::string_view key) const;
    // Every key in the store.
    Result<std::vector<std::string>> keys() const;

    Status set(std::string_view key, const RegistryValue& value) const;
    // Sets each value that the key does not hold yet, in one locked update;
    // values already present are kept as they are.
    Status set_missing(std::string_view key, const std::vector<RegistryValue>& values) const;
    // True when a value was removed, false when there was none.
    Result<bool> remove(std::string_view key, std::string_view name) const;

  private:
    std::filesystem::path m_file;
};

}  // namespace kdr::platform

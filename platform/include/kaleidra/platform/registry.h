#pragma once
// The file-backed registry: keys named by backslash paths
// ("Software\Talvane\Kaleidra\3.0") holding typed values (32-bit number,
// string, binary). Key and value names compare without regard to ASCII case.
//
// A store is one human-readable text file. The machine's values live in the
// system store, which the installation writes and every user reads
// (`kaleidra/registry` under the first folder of `$XDG_CONFIG_DIRS`, by
// default /etc/xdg); each user's own store
// (`$XDG_CONFIG_HOME/kaleidra/registry`, by default ~/.config/...) lies over
// it and holds the values that user changed. The default registry reads the
// user's store over the system stores and writes the user's store.
// `$KALEIDRA_REGISTRY`, when set, names one single store that is both read
// and written instead (tests, private set-ups).
//
// Nothing is cached: every read parses the files afresh, so a change made by
// another process is seen at the next read. Every write takes an advisory
// lock on a lock file beside the store, reads the current contents, changes
// the lines of the values it writes and replaces the file atomically, so
// concurrent writers in several processes lose nothing, readers never see
// half a file, and lines the store does not understand are kept as they
// were.
//
// Registry objects hold only file names; they may be used from any thread.

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

// A value and the store it was read from.
struct RegistryEntry {
    RegistryValue value;
    std::filesystem::path store;
};

// Larger stores are refused as unreadable.
inline constexpr std::uintmax_t max_registry_store_bytes = 16u << 20;

class Registry {
  public:
    // One single store, read and written.
    explicit Registry(std::filesystem::path file);
    // Writes `file` and reads it over `below` (earlier stores over later
    // ones). A shared store is made readable by everyone when written.
    Registry(std::filesystem::path file, std::vector<std::filesystem::path> below, bool shared);

    // `$KALEIDRA_REGISTRY`, else the user's store.
    static std::filesystem::path default_file();
    // The system stores, most important first: kaleidra/registry under each
    // folder of `$XDG_CONFIG_DIRS` (default /etc/xdg). Empty when
    // `$KALEIDRA_REGISTRY` is set.
    static std::vector<std::filesystem::path> system_files();
    // `$KALEIDRA_REGISTRY` alone, else the user's store over the system stores.
    static Registry open_default();
    // `$KALEIDRA_REGISTRY` alone, else the first system store alone, shared.
    static Registry open_system();

    // The store written.
    const std::filesystem::path& file() const { return m_stores.front(); }
    // Every store read, the written one first.
    const std::vector<std::filesystem::path>& stores() const { return m_stores; }

    // The value from the first store that holds it; nothing when no store
    // does. Fails when no store holds it and a store exists but cannot be
    // read, or holds only an unreadable line for the value.
    Result<std::optional<RegistryValue>> lookup(std::string_view key, std::string_view name) const;
    // The same, with every failure read as "no value".
    std::optional<RegistryValue> get(std::string_view key, std::string_view name) const;
    // Every value of the key, each from the first store that holds it,
    // in stored order (the written store's values first); an absent store or
    // key adds nothing, an unreadable store is an error.
    Result<std::vector<RegistryEntry>> entries(std::string_view key) const;
    Result<std::vector<RegistryValue>> list(std::string_view key) const;
    // Every key holding a value in any store.
    Result<std::vector<std::string>> keys() const;

    // Changes to the written store.
    Status set(std::string_view key, const RegistryValue& value) const;
    // Sets each value that the written store's key does not hold yet, in
    // one locked update; values already present are kept as they are.
    Status set_missing(std::string_view key, const std::vector<RegistryValue>& values) const;
    // True when a value was removed, false when the written store had none.
    Result<bool> remove(std::string_view key, std::string_view name) const;

  private:
    std::vector<std::filesystem::path> m_stores;
    bool m_shared = false;
};

}  // namespace kdr::platform

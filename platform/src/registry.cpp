#include "kaleidra/platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <system_error>

#include "kaleidra/platform/atomic_file.h"
#include "registry_text.h"

namespace kdr::platform {
namespace {

using registry_text::Key;
using registry_text::names_equal;

// Holds an exclusive advisory lock on the store's lock file for its lifetime.
class StoreLock {
  public:
    explicit StoreLock(const std::filesystem::path& store) {
        std::filesystem::path lock_file = store;
        lock_file += ".lock";
        m_fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_error =
                "cannot open the lock file \"" + lock_file.string() + "\": " + std::strerror(errno);
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = "cannot lock \"" + lock_file.string() + "\": " + std::strerror(errno);
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~StoreLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool locked() const { return m_fd >= 0; }
    const std::string& error() const { return m_error; }

  private:
    int m_fd = -1;
    std::string m_error;
};

// The store's keys; an absent file is an empty store.
Result<std::vector<Key>> load(const std::filesystem::path& file) {
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) {
        return std::vector<Key>{};
    }
    Result<std::string> text = read_whole_file(file);
    if (!text) {
        return Error{text.error()};
    }
    return registry_text::parse(*text);
}

bool valid_key_name(std::string_view key) {
    if (key.empty()) {
        return false;
    }
    for (unsigned char c : key) {
        if (c < 0x20 || c == '[' || c == ']' || c == 0x7f) {
            return false;
        }
    }
    return true;
}

Key* find_key(std::vector<Key>& keys, std::string_view name) {
    for (Key& key : keys) {
        if (names_equal(key.name, name)) {
            return &key;
        }
    }
    return nullptr;
}

// Runs `change` on the store's contents under the lock and writes the result
// back atomically when `change` reports that something changed.
Status update(const std::filesystem::path& file,
              const std::function<bool(std::vector<Key>&)>& change) {
    std::error_code ignored;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ignored);
    }
    StoreLock lock(file);
    if (!lock.locked()) {
        return Error{lock.error()};
    }
    Result<std::vector<Key>> keys = load(file);
    if (!keys) {
        return Error{keys.error()};
    }
    if (!change(*keys)) {
        return Status::success();
    }
    return write_file_atomically(file, registry_text::format(*keys));
}

void put(Key& key, const RegistryValue& value) {
    for (RegistryValue& existing : key.values) {
        if (names_equal(existing.name, value.name)) {
            existing = value;
            return;
        }
    }
    key.values.push_back(value);
}

}  // namespace

RegistryValue RegistryValue::make_number(std::string name, std::uint32_t value) {
    RegistryValue result;
    result.name = std::move(name);
    result.type = RegistryType::number;
    result.number = value;
    return result;
}

RegistryValue RegistryValue::make_string(std::string name, std::string value) {
    RegistryValue result;
    result.name = std::move(name);
    result.type = RegistryType::string;
    result.text = std::move(value);
    return result;
}

RegistryValue RegistryValue::make_binary(std::string name, std::vector<std::uint8_t> value) {
    RegistryValue result;
    result.name = std::move(name);
    result.type = RegistryType::binary;
    result.bytes = std::move(value);
    return result;
}

const char* registry_type_name(RegistryType type) {
    switch (type) {
        case RegistryType::number:
            return "number";
        case RegistryType::string:
            return "string";
        case RegistryType::binary:
            return "binary";
    }
    return "unknown";
}

Registry::Registry(std::filesystem::path file) : m_file(std::move(file)) {}

std::filesystem::path Registry::default_file() {
    if (const char* explicit_file = std::getenv("KALEIDRA_REGISTRY");
        explicit_file != nullptr && *explicit_file != '\0') {
        return explicit_file;
    }
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        config = "/tmp";
    }
    return config / "kaleidra" / "registry";
}

std::optional<RegistryValue> Registry::get(std::string_view key, std::string_view name) const {
    Result<std::vector<Key>> keys = load(m_file);
    if (!keys) {
        return std::nullopt;
    }
    Key* found = find_key(*keys, key);
    if (found == nullptr) {
        return std::nullopt;
    }
    for (RegistryValue& value : found->values) {
        if (names_equal(value.name, name)) {
            return std::move(value);
        }
    }
    return std::nullopt;
}

Result<std::vector<RegistryValue>> Registry::list(std::string_view key) const {
    Result<std::vector<Key>> keys = load(m_file);
    if (!keys) {
        return Error{keys.error()};
    }
    Key* found = find_key(*keys, key);
    if (found == nullptr) {
        return std::vector<RegistryValue>{};
    }
    return std::move(found->values);
}

Result<std::vector<std::string>> Registry::keys() const {
    Result<std::vector<Key>> keys = load(m_file);
    if (!keys) {
        return Error{keys.error()};
    }
    std::vector<std::string> names;
    for (const Key& key : *keys) {
        if (!key.values.empty()) {
            names.push_back(key.name);
        }
    }
    return names;
}

Status Registry::set(std::string_view key, const RegistryValue& value) const {
    if (!valid_key_name(key)) {
        return Error{"\"" + std::string(key) + "\" is not a valid key name"};
    }
    return update(m_file, [&](std::vector<Key>& keys) {
        Key* found = find_key(keys, key);
        if (found == nullptr) {
            keys.push_back(Key{std::string(key), {}});
            found = &keys.back();
        }
        put(*found, value);
        return true;
    });
}

Status Registry::set_missing(std::string_view key, const std::vector<RegistryValue>& values) const {
    if (!valid_key_name(key)) {
        return Error{"\"" + std::string(key) + "\" is not a valid key name"};
    }
    return update(m_file, [&](std::vector<Key>& keys) {
        Key* found = find_key(keys, key);
        if (found == nullptr) {
            keys.push_back(Key{std::string(key), {}});
            found = &keys.back();
        }
        bool changed = false;
        for (const RegistryValue& value : values) {
            bool present = false;
            for (const RegistryValue& existing : found->values) {
                present = present || names_equal(existing.name, value.name);
            }
            if (!present) {
                found->values.push_back(value);
                changed = true;
            }
        }
        return changed;
    });
}

Result<bool> Registry::remove(std::string_view key, std::string_view name) const {
    bool removed = false;
    Status status = update(m_file, [&](std::vector<Key>& keys) {
        Key* found = find_key(keys, key);
        if (found == nullptr) {
            return false;
        }
        std::erase_if(found->values, [&](const RegistryValue& value) {
            bool match = names_equal(value.name, name);
            removed = removed || match;
            return match;
        });
        return removed;
    });
    if (!status) {
        return Error{status.error()};
    }
    return removed;
}

}  // namespace kdr::platform

#include "kaleidra/platform/registry.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "registry_store.h"
#include "registry_text.h"

namespace kdr::platform {
namespace {

using registry_text::Document;
using registry_text::names_equal;

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

Status check_key_name(std::string_view key) {
    if (!valid_key_name(key)) {
        return Error{"\"" + std::string(key) + "\" is not a valid key name"};
    }
    return Status::success();
}

// Calls `visit` with the lines of each store that exists, nearest first;
// fails at the first store that exists but cannot be read.
Status visit_stores(
    const std::vector<std::filesystem::path>& stores,
    const std::function<void(const Document&, const std::filesystem::path&)>& visit) {
    for (const std::filesystem::path& store : stores) {
        Result<std::optional<Document>> document = registry_store::load(store);
        if (!document) {
            return Error{document.error()};
        }
        if (document->has_value()) {
            visit(**document, store);
        }
    }
    return Status::success();
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

Registry::Registry(std::filesystem::path file) : m_stores{std::move(file)} {}

Registry::Registry(std::filesystem::path file, std::vector<std::filesystem::path> below,
                   bool shared)
    : m_shared(shared) {
    m_stores.push_back(std::move(file));
    for (std::filesystem::path& store : below) {
        if (std::find(m_stores.begin(), m_stores.end(), store) == m_stores.end()) {
            m_stores.push_back(std::move(store));
        }
    }
}

Result<std::optional<RegistryValue>> Registry::lookup(std::string_view key,
                                                      std::string_view name) const {
    std::string problem;
    for (const std::filesystem::path& store : m_stores) {
        Result<std::optional<Document>> document = registry_store::load(store);
        if (!document) {
            problem = problem.empty() ? document.error() : problem;
            continue;
        }
        if (!document->has_value()) {
            continue;
        }
        std::size_t bad_line = 0;
        if (std::optional<RegistryValue> value = (*document)->get(key, name, &bad_line)) {
            return value;
        }
        if (bad_line != 0 && problem.empty()) {
            problem = "cannot read the store: line " + std::to_string(bad_line) + " of \"" +
                      store.string() + "\" names the value \"" + std::string(name) +
                      "\" but cannot be read: " + (*document)->line(bad_line).text;
        }
    }
    if (!problem.empty()) {
        return Error{problem};
    }
    return std::optional<RegistryValue>{};
}

std::optional<RegistryValue> Registry::get(std::string_view key, std::string_view name) const {
    Result<std::optional<RegistryValue>> found = lookup(key, name);
    return found ? std::move(*found) : std::nullopt;
}

Result<std::vector<RegistryEntry>> Registry::entries(std::string_view key) const {
    std::vector<RegistryEntry> entries;
    Status read =
        visit_stores(m_stores, [&](const Document& document, const std::filesystem::path& store) {
            for (RegistryValue& value : document.list(key)) {
                const bool shadowed =
                    std::any_of(entries.begin(), entries.end(), [&](const RegistryEntry& entry) {
                        return names_equal(entry.value.name, value.name);
                    });
                if (!shadowed) {
                    entries.push_back(RegistryEntry{std::move(value), store});
                }
            }
        });
    if (!read) {
        return Error{read.error()};
    }
    return entries;
}

Result<std::vector<RegistryValue>> Registry::list(std::string_view key) const {
    Result<std::vector<RegistryEntry>> found = entries(key);
    if (!found) {
        return Error{found.error()};
    }
    std::vector<RegistryValue> values;
    values.reserve(found->size());
    for (RegistryEntry& entry : *found) {
        values.push_back(std::move(entry.value));
    }
    return values;
}

Result<std::vector<std::string>> Registry::keys() const {
    std::vector<std::string> names;
    Status read =
        visit_stores(m_stores, [&](const Document& document, const std::filesystem::path&) {
            for (std::string& key : document.keys()) {
                if (std::none_of(names.begin(), names.end(), [&](const std::string& known) {
                        return names_equal(known, key);
                    })) {
                    names.push_back(std::move(key));
                }
            }
        });
    if (!read) {
        return Error{read.error()};
    }
    return names;
}

Status Registry::set(std::string_view key, const RegistryValue& value) const {
    if (Status valid = check_key_name(key); !valid) {
        return valid;
    }
    return registry_store::update(file(), m_shared, [&](Document& document) {
        document.set(key, value);
        return true;
    });
}

Status Registry::set_missing(std::string_view key, const std::vector<RegistryValue>& values) const {
    if (Status valid = check_key_name(key); !valid) {
        return valid;
    }
    return registry_store::update(file(), m_shared, [&](Document& document) {
        bool changed = false;
        for (const RegistryValue& value : values) {
            if (!document.get(key, value.name)) {
                document.set(key, value);
                changed = true;
            }
        }
        return changed;
    });
}

Result<bool> Registry::remove(std::string_view key, std::string_view name) const {
    bool removed = false;
    Status status = registry_store::update(file(), m_shared, [&](Document& document) {
        removed = document.remove(key, name);
        return removed;
    });
    if (!status) {
        return Error{status.error()};
    }
    return removed;
}

}  // namespace kdr::platform

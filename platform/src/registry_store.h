#pragma once
// One registry store file (private to the platform library): reading it
// whole, and changing it under an advisory lock with an atomic replace.

#include <filesystem>
#include <functional>
#include <optional>

#include "kaleidra/platform/result.h"
#include "registry_text.h"

namespace kdr::platform::registry_store {

// The store's lines; nothing when the file does not exist. Fails with
// "cannot read the store: why" when it exists but cannot be read (no
// permission, a folder, an I/O error, larger than max_registry_store_bytes).
Result<std::optional<registry_text::Document>> load(const std::filesystem::path& file);

// Runs `change` on the store's lines under the lock and replaces the file
// when `change` reports that something changed. A shared store (and a
// folder made for it) is made readable by everyone.
Status update(const std::filesystem::path& file, bool shared,
              const std::function<bool(registry_text::Document&)>& change);

}  // namespace kdr::platform::registry_store

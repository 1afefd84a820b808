#include "kaleidra/platform/folder_case.h"

#include <cctype>
#include <string>
#include <system_error>

namespace kdr::platform {
namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::filesystem::path resolve_entry(const std::filesystem::path& folder, std::string_view name) {
    std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
    std::error_code error;
    if (std::filesystem::exists(exact, error)) {
        return exact;
    }
    std::string best;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (equal_ignoring_case(entry, name) && (best.empty() || entry < best)) {
            best = entry;
        }
    }
    return best.empty() ? exact : folder / best;
}

std::filesystem::path resolve_below(const std::filesystem::path& base,
                                    const std::filesystem::path& relative) {
    std::filesystem::path result = base;
    for (const std::filesystem::path& component : relative) {
        result = resolve_entry(result, component.string());
    }
    return result;
}

}  // namespace kdr::platform

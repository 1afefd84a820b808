#include "kaleidra/gui/catalogue.h"

#include <algorithm>

namespace kdr::gui {
namespace {

// The text up to the first NUL, at most `length` characters.
std::string cut(std::string_view text, std::size_t length) {
    text = text.substr(0, std::min(text.find('\0'), length));
    return std::string(text);
}

}  // namespace

void Catalogue::add_group(std::string_view name) {
    m_groups.push_back({cut(name, group_name_length), {}});
}

bool Catalogue::add_item(std::string_view name) {
    if (m_groups.empty() || m_groups.back().items.size() >= max_items) {
        return false;
    }
    m_groups.back().items.push_back(cut(name, item_name_length));
    return true;
}

std::size_t Catalogue::item_total() const {
    std::size_t total = 0;
    for (const CatalogueGroup& group : m_groups) {
        total += group.items.size();
    }
    return total;
}

std::optional<CataloguePlace> Catalogue::find(std::string_view name) const {
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        const std::vector<std::string>& items = m_groups[g].items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == name) {
                return CataloguePlace{static_cast<int>(g), static_cast<int>(i)};
            }
        }
    }
    return std::nullopt;
}

}  // namespace kdr::gui

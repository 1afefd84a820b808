#pragma once
// The effect catalogue in memory: named groups of at most sixteen effect
// names, in order. Names are cut to their stored fields (41 characters for
// a group, 40 for an effect) as they are added; adding an effect to a full
// group, or before any group exists, does nothing. A plain value type; one
// thread at a time.

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdr::gui {

struct CatalogueGroup {
    std::string name;
    std::vector<std::string> items;
};

// Where an effect sits: group index and item index within the group.
struct CataloguePlace {
    int group = -1;
    int item = -1;
    friend bool operator==(const CataloguePlace&, const CataloguePlace&) = default;
};

class Catalogue {
  public:
    static constexpr std::size_t max_items = 16;
    static constexpr std::size_t group_name_length = 41;
    static constexpr std::size_t item_name_length = 40;

    void clear() { m_groups.clear(); }
    void add_group(std::string_view name);
    // Adds to the latest group; false when there is none or it is full.
    bool add_item(std::string_view name);

    const std::vector<CatalogueGroup>& groups() const { return m_groups; }
    int group_count() const { return static_cast<int>(m_groups.size()); }
    bool empty() const { return m_groups.empty(); }
    // The number of items of every group together.
    std::size_t item_total() const;

    // The first item, in group order, whose name equals `name` exactly.
    std::optional<CataloguePlace> find(std::string_view name) const;

    friend bool operator==(const Catalogue& a, const Catalogue& b) {
        return a.m_groups.size() == b.m_groups.size() &&
               std::equal(a.m_groups.begin(), a.m_groups.end(), b.m_groups.begin(),
                          [](const CatalogueGroup& x, const CatalogueGroup& y) {
                              return x.name == y.name && x.items == y.items;
                          });
    }

  private:
    std::vector<CatalogueGroup> m_groups;
};

}  // namespace kdr::gui

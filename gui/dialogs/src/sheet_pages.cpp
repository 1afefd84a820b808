#include "sheet_pages.h"

#include "effect_page.h"
#include "selection_session.h"
#include "settings_page.h"

namespace kdr::gui {
namespace {

struct PageEntry {
    int dialog_id;
    bool filter_mode_only;
    std::unique_ptr<OptionPage> (*make)(SelectionSession& session);
};

template <class Page>
std::unique_ptr<OptionPage> make_page(SelectionSession& session) {
    return std::make_unique<Page>(session);
}

// In the sheet's order. The Options (103), Filter Options (113) and
// Objects (104) pages join here, between the effect page and Settings.
constexpr PageEntry sheet_page_table[] = {
    {102, false, make_page<EffectPage>},
    {114, false, make_page<SettingsPage>},
};

}  // namespace

std::vector<std::unique_ptr<OptionPage>> make_sheet_pages(SelectionSession& session) {
    std::vector<std::unique_ptr<OptionPage>> pages;
    for (const PageEntry& entry : sheet_page_table) {
        if (entry.filter_mode_only && !session.filter_mode()) {
            continue;
        }
        pages.push_back(entry.make(session));
        session.add_page(pages.back().get());
    }
    return pages;
}

}  // namespace kdr::gui

#include "sheet_pages.h"

#include "effect_page.h"
#include "filter_page.h"
#include "objects_page.h"
#include "options_page.h"
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

// In the sheet's order.
constexpr PageEntry sheet_page_table[] = {
    {102, false, make_page<EffectPage>},   {103, false, make_page<OptionsPage>},
    {113, true, make_page<FilterPage>},    {104, false, make_page<ObjectsPage>},
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

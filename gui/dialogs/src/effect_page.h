#pragma once
// The FX page (dialog 102): the catalogue's groups in list 1026 and the
// shown group's effects as icon buttons 1001 to 1016. Choosing a button
// selects that effect for the record: it empties the record's own paths
// (they belong to the effect they were made for), names the effect in the
// record and loads its scene for every page. A record without an effect
// gets the saved defaults and the first effect of the first group; a record
// whose effect the catalogue does not list keeps it, with no button
// selected.

#include <array>

#include "kaleidra/gui/catalogue.h"
#include "option_page.h"

class QComboBox;

namespace kdr::gui {

class IconButton;

class EffectPage : public OptionPage {
    Q_OBJECT

  public:
    explicit EffectPage(SelectionSession& session);

    const Catalogue& catalogue() const { return m_catalogue; }
    int group_shown() const { return m_group_shown; }
    int selected_group() const { return m_selected_group; }
    int selected_index() const { return m_selected_index; }
    IconButton* button(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }

    // Shows group `group` (any index; one outside the catalogue shows no
    // buttons and clears the list's selection).
    void show_group(int group);
    // Selects item `index` of the group shown, when it has one.
    void select_item(int index);

  protected:
    void create_page_controls() override;

  private:
    void load_selected_scene();
    void effect_clicked(int index);
    void group_chosen(int group);
    void mark_selection();

    Catalogue m_catalogue;
    int m_group_shown = -1;
    int m_selected_group = -1;
    int m_selected_index = -1;
    QComboBox* m_groups = nullptr;
    std::array<IconButton*, Catalogue::max_items> m_buttons{};
};

}  // namespace kdr::gui

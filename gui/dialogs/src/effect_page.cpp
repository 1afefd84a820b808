#include "effect_page.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <cstring>

#include "icon_button.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/defaults_file.h"
#include "kaleidra/scene/effect_settings.h"
#include "record_image.h"
#include "selection_session.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry effect_page_controls[] = {
    {-1, ControlKind::group_box, "FX Group", 10, 5, 190, 30},
    {1026, ControlKind::drop_down_list, nullptr, 15, 17, 180, 175},
    {1043, ControlKind::group_box, "FX Icons", 10, 35, 190, 195},
};
constexpr int button_columns[] = {20, 65, 110, 155};
constexpr int button_rows[] = {55, 95, 135, 175};
constexpr int first_button_id = 1001;

QImage effect_icon(const std::string& effect_name) {
    Scene header;
    if (!header.load(effect_name.c_str(), chunks::make_id("IMG0"))) {
        return {};
    }
    return record_to_image(header.preview);
}

}  // namespace

EffectPage::EffectPage(SelectionSession& session) : OptionPage(session, 102, "   FX") {}

void EffectPage::create_page_controls() {
    create_controls(this, effect_page_controls, units());
    m_groups = findChild<QComboBox*>("1026");
    m_groups->setMaxVisibleItems(12);
    for (int i = 0; i < static_cast<int>(Catalogue::max_items); ++i) {
        auto* button = new IconButton(this, [this] { return session().preferences().eff_display; });
        button->setObjectName(QString::number(first_button_id + i));
        button->setGeometry(units().rect(button_columns[i % 4], button_rows[i / 4], 35, 30));
        connect(button, &QAbstractButton::clicked, this, [this, i] { effect_clicked(i); });
        m_buttons[static_cast<std::size_t>(i)] = button;
    }
    connect(m_groups, &QComboBox::activated, this, &EffectPage::group_chosen);

    if (std::optional<std::filesystem::path> file = catalogue_path("current")) {
        (void)read_catalogue(m_catalogue, *file);  // what was read before a failure stays
    }
    for (const CatalogueGroup& group : m_catalogue.groups()) {
        m_groups->addItem(QString::fromStdString(group.name));
    }

    EffectSettings& record = session().record();
    if (record.name[0] == '\0') {
        (void)load_defaults(record);  // leaves the name empty
        show_group(0);
        select_item(0);
    } else {
        const std::string name(record.name, strnlen(record.name, sizeof record.name));
        const std::optional<CataloguePlace> place = m_catalogue.find(name);
        if (place) {
            show_group(place->group);
            m_selected_group = place->group;
            m_selected_index = place->item;
        } else {
            show_group(-1);
        }
        session().selected().name = name;
        load_selected_scene();
        mark_selection();
        session().effect_changed();
        refresh_panel();
    }
    after_command();
}

void EffectPage::show_group(int group) {
    m_group_shown = group;
    const bool valid = group >= 0 && group < m_catalogue.group_count();
    const std::vector<std::string> none;
    const std::vector<std::string>& items =
        valid ? m_catalogue.groups()[static_cast<std::size_t>(group)].items : none;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        IconButton* button = m_buttons[i];
        if (i < items.size()) {
            button->set_item(QString::fromStdString(items[i]), effect_icon(items[i]));
            button->setEnabled(true);
            button->show();
        } else {
            button->clear_item();
            button->setEnabled(false);
            button->hide();
        }
    }
    const QSignalBlocker quiet(m_groups);
    m_groups->setCurrentIndex(valid ? group : -1);
    mark_selection();
}

void EffectPage::select_item(int index) {
    if (m_group_shown < 0 || m_group_shown >= m_catalogue.group_count()) {
        return;
    }
    const std::vector<std::string>& items =
        m_catalogue.groups()[static_cast<std::size_t>(m_group_shown)].items;
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return;
    }
    m_selected_group = m_group_shown;
    m_selected_index = index;
    const std::string& name = items[static_cast<std::size_t>(index)];
    session().selected().name = name;
    EffectSettings& record = session().record();
    if (std::strncmp(record.name, name.c_str(), sizeof record.name) != 0) {
        std::memset(record.name, 0, sizeof record.name);
        std::memcpy(record.name, name.data(), std::min(name.size(), sizeof record.name - 1));
        load_selected_scene();
        session().effect_changed();
        if (OptionPage* current = session().current_page()) {
            current->refresh_panel();
        }
        refresh_panel();
    }
    mark_selection();
}

void EffectPage::load_selected_scene() {
    SelectedEffect& selected = session().selected();
    selected.loaded = selected.scene.load(session().record().name);
}

void EffectPage::mark_selection() {
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->set_selected(m_group_shown >= 0 && m_group_shown == m_selected_group &&
                                   static_cast<int>(i) == m_selected_index);
    }
}

void EffectPage::effect_clicked(int index) {
    if (Scene* scene = settings_scene(session().record())) {
        scene->remove_items_if(
            [](const scene::SceneItem& item) { return item.kind() == scene::ItemKind::path; });
        scene->link();
    }
    select_item(index);
    after_command();
}

void EffectPage::group_chosen(int group) {
    if (group != m_group_shown) {
        show_group(group);
    }
    after_command();
}

}  // namespace kdr::gui

#include "settings_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "about_box.h"
#include "kaleidra/gui/defaults_file.h"
#include "kaleidra/platform/message_box.h"
#include "selection_session.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry settings_controls[] = {
    {-1, ControlKind::group_box, "FX Page Settings", 5, 5, 195, 55},
    {1500, ControlKind::radio_button, "Show Icon", 15, 15, 0, 10, starts_group},
    {1501, ControlKind::radio_button, "Show Name", 70, 15, 0, 10},
    {1502, ControlKind::radio_button, "Show Both", 125, 15, 0, 10},
    {1080, ControlKind::check_box, "Reverse 1 and 2 when FX is reversed.", 15, 30, 140, 10},
    {-1, ControlKind::group_box, "Preview Settings", 5, 60, 195, 90},
    {-1, ControlKind::label, "Quality:", 15, 71, 38, 8, label_for_next},
    {1515, ControlKind::radio_button, "Low", 55, 70, 0, 10, starts_group},
    {1516, ControlKind::radio_button, "Medium", 90, 70, 0, 10},
    {1517, ControlKind::radio_button, "High", 135, 70, 0, 10},
    {-1, ControlKind::label, "Rendering Engine:", 15, 87, 60, 8, label_for_next},
    {1504, ControlKind::drop_down_list, nullptr, 75, 85, 115, 60, sorted},
    {-1, ControlKind::label, "Frames:", 15, 102, 60, 8, label_for_next},
    {1505, ControlKind::trackbar, nullptr, 80, 100, 95, 13},
    {1506, ControlKind::label, nullptr, 177, 102, 20, 8},
    {1081, ControlKind::check_box, "Automatic Preview Render", 15, 120, 105, 10},
    {-1, ControlKind::label, "Preview Speed (fps):", 15, 133, 70, 8, label_for_next},
    {1509, ControlKind::trackbar, nullptr, 85, 131, 90, 13},
    {1510, ControlKind::label, nullptr, 177, 133, 20, 8},
    {-1, ControlKind::group_box, "Render Settings", 5, 150, 195, 60},
    {-1, ControlKind::label, "Rendering Engine:", 15, 162, 65, 8, label_for_next},
    {1511, ControlKind::drop_down_list, nullptr, 80, 160, 110, 48, sorted},
    {1082, ControlKind::check_box, "Multithreaded Rendering", 20, 180, 105, 10},
    {-1, ControlKind::label, "Logging:", 15, 196, 38, 8, label_for_next},
    {1512, ControlKind::radio_button, "Off", 55, 195, 0, 10, starts_group},
    {1513, ControlKind::radio_button, "Summary", 80, 195, 0, 10},
    {1514, ControlKind::radio_button, "Detailed", 125, 195, 0, 10},
    {1088, ControlKind::push_button, "Save default options", 5, 215, 75, 14},
    {2001, ControlKind::push_button, "About Kaleidra", 125, 215, 75, 14},
};

struct RadioGroup {
    int first_id;
    int count;
};
constexpr RadioGroup display_radios{1500, 3};
constexpr RadioGroup quality_radios{1515, 3};
constexpr RadioGroup logging_radios{1512, 3};

// The index of the checked button, or `fallback` when none is checked.
std::uint32_t checked_index(const QWidget* page, RadioGroup group, std::uint32_t fallback) {
    for (int i = 0; i < group.count; ++i) {
        auto* radio = page->findChild<QRadioButton*>(QString::number(group.first_id + i));
        if (radio != nullptr && radio->isChecked()) {
            return static_cast<std::uint32_t>(i);
        }
    }
    return fallback;
}

void check_index(QWidget* page, RadioGroup group, std::uint32_t index) {
    for (int i = 0; i < group.count; ++i) {
        auto* radio = page->findChild<QRadioButton*>(QString::number(group.first_id + i));
        if (radio != nullptr && static_cast<std::uint32_t>(i) == index) {
            radio->setChecked(true);
        }
    }
}

// Selects the first entry that begins with `name`; none when no entry does.
void select_starting_with(QComboBox* list, const std::string& name) {
    const QString wanted = QString::fromStdString(name);
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(wanted)) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

// The selected entry when there is one that fits the field; else `kept`.
std::string selected_text(const QComboBox* list, const std::string& kept) {
    if (list->currentIndex() < 0) {
        return kept;
    }
    const std::string text = list->currentText().toStdString();
    return text.size() <= preference_text_length ? text : kept;
}

}  // namespace

SettingsPage::SettingsPage(SelectionSession& session) : OptionPage(session, 114, "Settings") {}

void SettingsPage::create_page_controls() {
    create_controls(this, settings_controls, units());
    m_frames = findChild<QSlider*>("1505");
    m_speed = findChild<QSlider*>("1509");
    m_frames_value = findChild<QLabel*>("1506");
    m_speed_value = findChild<QLabel*>("1510");
    m_preview_engine = findChild<QComboBox*>("1504");
    m_final_engine = findChild<QComboBox*>("1511");
    m_reverse = findChild<QCheckBox*>("1080");
    m_auto_render = findChild<QCheckBox*>("1081");
    m_multi = findChild<QCheckBox*>("1082");

    m_speed->setRange(1, 30);
    m_speed->setPageStep(5);
    m_speed->setTickInterval(5);
    m_frames->setRange(1, 200);
    m_frames->setPageStep(10);
    m_frames->setTickInterval(10);
    fill_engine_lists();
    m_multi->setEnabled(true);
    show_preferences();

    for (int id : {1500, 1501, 1502, 1515, 1516, 1517, 1512, 1513, 1514, 1080, 1081, 1082}) {
        auto* button = findChild<QAbstractButton*>(QString::number(id));
        connect(button, &QAbstractButton::clicked, this,
                [this] { write_preferences_from_controls(); });
    }
    for (QComboBox* list : {m_preview_engine, m_final_engine}) {
        connect(list, &QComboBox::activated, this, [this] { write_preferences_from_controls(); });
    }
    for (auto [slider, value] : {std::pair{m_frames, m_frames_value}, {m_speed, m_speed_value}}) {
        connect(slider, &QSlider::valueChanged, this,
                [this, slider = slider, value = value] { trackbar_moved(slider, value); });
        connect(slider, &QSlider::sliderReleased, this,
                [this] { write_preferences_from_controls(); });
    }
    connect(findChild<QPushButton*>("1088"), &QPushButton::clicked, this,
            &SettingsPage::save_defaults_clicked);
    connect(findChild<QPushButton*>("2001"), &QPushButton::clicked, this,
            &SettingsPage::about_clicked);
}

void SettingsPage::fill_engine_lists() {
    m_preview_engine->clear();
    m_final_engine->clear();
    for (const std::string& engine : installed_engines()) {
        const QString name = QString::fromStdString(engine);
        m_final_engine->addItem(name);
        // The engine that draws into a window does not make previews.
        if (engine != window_engine) {
            m_preview_engine->addItem(name);
        }
    }
}

void SettingsPage::show_preferences() {
    m_showing = true;
    const UiPreferences& p = session().preferences();
    check_index(this, display_radios, p.eff_display);
    m_reverse->setChecked(p.eff_autoreverse != 0);
    check_index(this, quality_radios, p.prev_quality);
    select_starting_with(m_preview_engine, p.prev_engine);
    m_frames->setValue(static_cast<int>(p.prev_frames));
    m_frames_value->setNum(m_frames->value());
    m_auto_render->setChecked(p.prev_render != 0);
    m_speed->setValue(static_cast<int>(usable_speed(p.prev_speed)));
    m_speed_value->setNum(m_speed->value());
    select_starting_with(m_final_engine, p.engine);
    m_multi->setChecked(p.rnd_multi != 0);
    check_index(this, logging_radios, p.rnd_logging);
    m_multi->setEnabled(p.engine == memory_engine);
    m_showing = false;
}

void SettingsPage::trackbar_moved(QSlider* slider, QLabel* value) {
    value->setNum(slider->value());
    // While the thumb is dragged only the number follows; the release writes.
    if (!m_showing && !slider->isSliderDown()) {
        write_preferences_from_controls();
    }
}

void SettingsPage::write_preferences_from_controls() {
    if (m_showing) {
        return;
    }
    UiPreferences& p = session().preferences();
    const UiPreferences old = p;
    p.eff_display = checked_index(this, display_radios, p.eff_display);
    p.eff_autoreverse = m_reverse->isChecked() ? 1 : 0;
    p.prev_quality = checked_index(this, quality_radios, p.prev_quality);
    p.prev_engine = selected_text(m_preview_engine, p.prev_engine);
    p.prev_frames = static_cast<std::uint32_t>(m_frames->value());
    p.prev_render = m_auto_render->isChecked() ? 1 : 0;
    p.prev_speed = static_cast<std::uint32_t>(m_speed->value());
    p.engine = selected_text(m_final_engine, p.engine);
    p.rnd_logging = checked_index(this, logging_radios, p.rnd_logging);
    p.rnd_multi = m_multi->isChecked() ? 1 : 0;
    // Only the memory engine renders with two threads.
    if (p.engine != memory_engine && p.rnd_multi != 0) {
        p.rnd_multi = 0;
        m_multi->setChecked(false);
    }
    m_multi->setEnabled(p.engine == memory_engine);

    (void)write_preferences(p);  // values that cannot be written stay in memory

    if (p.prev_quality != old.prev_quality || p.prev_frames != old.prev_frames ||
        p.prev_engine != old.prev_engine) {
        session().recreate_renderer(true);
    }
    if (p.prev_speed != old.prev_speed) {
        restart_display_timer();
    }
    after_command();
}

void SettingsPage::save_defaults_clicked() {
    const char* const title = "Could not save defaults";
    switch (save_defaults(session().record())) {
        case DefaultsSave::no_file_name:
            platform::show_message_box(title, "Error settings filename for defaults.",
                                       platform::MessageKind::error);
            break;
        case DefaultsSave::cannot_create:
            platform::show_message_box(title, "Could not create defaults file.",
                                       platform::MessageKind::error);
            break;
        case DefaultsSave::saved:
            break;
    }
    after_command();
}

void SettingsPage::about_clicked() {
    (void)run_about_box(window(), nullptr, nullptr, false);
    after_command();
}

}  // namespace kdr::gui

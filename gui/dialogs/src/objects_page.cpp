#include "objects_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "envelope_editor.h"
#include "file_dialogs.h"
#include "kaleidra/gui/envelope_channel.h"
#include "kaleidra/gui/number_text.h"
#include "kaleidra/gui/option_values.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/scene/value_limits.h"
#include "path_editor.h"
#include "selection_session.h"
#include "trackbar_value.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry objects_controls[] = {
    {-1, ControlKind::label, "Object:", 10, 7, 68, 10},
    {1300, ControlKind::drop_down_list, nullptr, 80, 5, 105, 95},
    {1136, ControlKind::label, "Mapped From:", 10, 27, 68, 10},
    {1309, ControlKind::drop_down_list, nullptr, 80, 25, 105, 67},
    {1137, ControlKind::label, "Filename:", 10, 42, 68, 10},
    {1131, ControlKind::push_button, "&Select", 80, 41, 25, 11},
    {1134, ControlKind::sunken_label, "<none>", 109, 42, 89, 10},
    {1138, ControlKind::label, "Frame Offset:", 10, 57, 68, 10},
    {1135, ControlKind::line_edit, nullptr, 80, 55, 40, 13, numbers_only},
    {-1, ControlKind::etched_line, nullptr, 5, 71, 195, 2},
    {-1, ControlKind::label, "Luminosity:", 10, 79, 48, 10},
    {1121, ControlKind::push_button, "E", 60, 79, 15, 10},
    {1301, ControlKind::trackbar, nullptr, 80, 77, 100, 13},
    {1302, ControlKind::label, nullptr, 182, 79, 20, 8},
    {-1, ControlKind::label, "Shine:", 10, 94, 48, 10},
    {1122, ControlKind::push_button, "E", 60, 94, 15, 10},
    {1303, ControlKind::trackbar, nullptr, 80, 92, 100, 13},
    {1304, ControlKind::label, nullptr, 182, 94, 20, 8},
    {-1, ControlKind::label, "Transparency:", 10, 109, 48, 10},
    {1123, ControlKind::push_button, "E", 60, 109, 15, 10},
    {1305, ControlKind::trackbar, nullptr, 80, 107, 100, 13},
    {1306, ControlKind::label, nullptr, 182, 109, 20, 8},
    {-1, ControlKind::etched_line, nullptr, 5, 125, 195, 2},
    {-1, ControlKind::label, "Path Rotation:", 10, 134, 48, 16},
    {1125, ControlKind::push_button, "E", 60, 137, 15, 10},
    {1119, ControlKind::trackbar, nullptr, 80, 135, 100, 13},
    {1120, ControlKind::label, nullptr, 182, 137, 20, 8},
    {1126, ControlKind::push_button, "E", 60, 153, 15, 10},
    {1312, ControlKind::check_box, "Object Rotates with Path", 85, 153, 0, 10},
    {1129, ControlKind::push_button, "&Path Editor", 30, 170, 65, 14},
    {1130, ControlKind::push_button, "&Morph Envelope", 115, 170, 65, 14},
    {-1, ControlKind::etched_line, nullptr, 5, 190, 195, 2},
    {-1, ControlKind::label, "Trail Count:", 10, 200, 48, 10},
    {1127, ControlKind::push_button, "E", 60, 200, 15, 10},
    {1307, ControlKind::trackbar, nullptr, 80, 198, 100, 13},
    {1308, ControlKind::label, nullptr, 182, 200, 20, 8},
    {-1, ControlKind::label, "Trail Spacing:", 10, 216, 48, 10},
    {1128, ControlKind::push_button, "E", 60, 216, 15, 10},
    {1320, ControlKind::trackbar, nullptr, 80, 214, 100, 13},
    {1321, ControlKind::label, nullptr, 182, 216, 20, 8},
};

constexpr const char* mapping_entries[] = {"Timeline/Multisaver", "Video For Windows (AVI)",
                                           "Bitmap Sequence (BMP)", "Targa Sequence (TGA)"};

// Each "E" button, the per-video value it drives and the control an
// envelope disables.
struct Marker {
    int button_id;
    int value;
    int control_id;
};
constexpr Marker markers[] = {
    {1121, video_luminosity, 1301},        {1122, video_shine, 1303},
    {1123, video_transparency, 1305},      {1125, video_direction, 1119},
    {1126, video_follows_direction, 1312}, {1127, video_trail_count, 1307},
    {1128, video_trail_spacing, 1320},
};

// What the mapping controls are enabled with.
constexpr int mapping_control_ids[] = {1137, 1134, 1131, 1138, 1135};

}  // namespace

ObjectsPage::ObjectsPage(SelectionSession& session) : OptionPage(session, 104, "Objects") {}

void ObjectsPage::create_page_controls() {
    create_controls(this, objects_controls, units());
    m_videos = findChild<QComboBox*>("1300");
    m_mapping = findChild<QComboBox*>("1309");
    m_file_name = findChild<QLabel*>("1134");
    m_frame_offset = findChild<QLineEdit*>("1135");
    auto trackbar = [this](int id, int maximum, int page) {
        auto* value =
            new TrackbarValue(findChild<QSlider*>(QString::number(id)),
                              findChild<QLabel*>(QString::number(id + 1)), [this] { command(); });
        value->set_up(0, maximum, page);
        return value;
    };
    m_luminosity = trackbar(1301, 100, 10);
    m_shine = trackbar(1303, 100, 10);
    m_transparency = trackbar(1305, 100, 10);
    m_direction = trackbar(1119, 360, 45);
    m_trail_count = trackbar(1307, 20, 0);
    m_trail_spacing = trackbar(1320, 20, 0);

    connect(m_videos, &QComboBox::activated, this, [this] { command(); });
    connect(m_mapping, &QComboBox::activated, this, [this] { command(); });
    connect(findChild<QCheckBox*>("1312"), &QCheckBox::clicked, this, [this] { command(); });
    connect(m_frame_offset, &QLineEdit::textEdited, this, [this] { command(); });
    connect(m_frame_offset, &QLineEdit::editingFinished, this, [this] { command(); });
    for (const Marker& marker : markers) {
        connect(findChild<QPushButton*>(QString::number(marker.button_id)), &QPushButton::clicked,
                this, [this, id = marker.button_id] { envelope_clicked(id); });
    }
    connect(findChild<QPushButton*>("1129"), &QPushButton::clicked, this,
            &ObjectsPage::path_clicked);
    connect(findChild<QPushButton*>("1130"), &QPushButton::clicked, this,
            &ObjectsPage::morph_clicked);
    connect(findChild<QPushButton*>("1131"), &QPushButton::clicked, this,
            &ObjectsPage::select_clicked);
    fill();
    after_command();
}

void ObjectsPage::page_activated() {
    const SelectedEffect& selected = session().selected();
    if (session().preferences().eff_autoreverse != 0 && selected.loaded &&
        selected.scene.type == 1) {
        // Flying on, the first two videos have changed roles.
        m_group = session().record().globals[global_fly_direction] != 0 ? 1 : 0;
    }
    fill();
}

void ObjectsPage::effect_changed() {
    m_group = 0;
    fill();
}

void ObjectsPage::fill() {
    if (!created()) {
        return;
    }
    m_filling = true;
    {
        const QSignalBlocker quiet_videos(m_videos);
        const QSignalBlocker quiet_mapping(m_mapping);
        m_videos->clear();
        const SelectedEffect& selected = session().selected();
        if (selected.loaded) {
            for (const std::string& name : selected.scene.video_names) {
                m_videos->addItem(QString::fromStdString(name));
            }
        }
        m_mapping->clear();
        for (const char* entry : mapping_entries) {
            m_mapping->addItem(entry);
        }
    }
    m_filling = false;
    show_group(m_group);
}

void ObjectsPage::show_group(int group) {
    m_group = group;
    if (!created()) {
        return;
    }
    m_filling = true;
    const EffectSettings& record = session().record();
    {
        const QSignalBlocker quiet(m_videos);
        m_videos->setCurrentIndex(group < m_videos->count() ? group : -1);
    }
    m_luminosity->show_value(group_value(record, group, video_luminosity));
    m_shine->show_value(group_value(record, group, video_shine));
    m_transparency->show_value(group_value(record, group, video_transparency));
    m_direction->show_value(group_value(record, group, video_direction));
    findChild<QCheckBox*>("1312")->setChecked(group_value(record, group, video_follows_direction) !=
                                              0);
    m_trail_count->show_value(group_value(record, group, video_trail_count));
    m_trail_spacing->show_value(group_value(record, group, video_trail_spacing));
    set_markers();
    const SelectedEffect& selected = session().selected();
    findChild<QPushButton*>("1130")->setEnabled(selected.loaded &&
                                                morph_object(selected.scene, group) != nullptr);
    const scene::Surface* mapping = find_mapping(record, group);
    {
        const QSignalBlocker quiet(m_mapping);
        const int entry = mapping != nullptr ? mapping->source_kind - 2 : 0;
        m_mapping->setCurrentIndex(entry >= 0 && entry < mapping_entry_count ? entry : 0);
    }
    if (mapping != nullptr) {
        m_file_name->setText(QString::fromUtf8(mapping->name.data()));
        m_frame_offset->setText(QString::number(
            whole_value(mapping->frame_offset_or_smoothing, INT32_MIN / 2, INT32_MAX / 2)));
    } else {
        m_file_name->setText(QString());
        m_frame_offset->setText("0");
    }
    enable_mapping(mapping != nullptr);
    m_filling = false;
}

void ObjectsPage::enable_mapping(bool on) {
    for (int id : mapping_control_ids) {
        findChild<QWidget*>(QString::number(id))->setEnabled(on);
    }
}

void ObjectsPage::set_markers() {
    const EffectSettings& record = session().record();
    for (const Marker& marker : markers) {
        const bool driven =
            settings_envelope(record, video_parameter(m_group, marker.value)) != nullptr;
        findChild<QPushButton*>(QString::number(marker.button_id))->setText(driven ? "E*" : "E");
        findChild<QWidget*>(QString::number(marker.control_id))->setEnabled(!driven);
    }
}

void ObjectsPage::store() {
    if (!created() || m_filling) {
        return;
    }
    EffectSettings& record = session().record();
    const int group = m_group;
    set_group_value(record, group, video_luminosity, static_cast<float>(m_luminosity->value()));
    set_group_value(record, group, video_shine, static_cast<float>(m_shine->value()));
    set_group_value(record, group, video_transparency, static_cast<float>(m_transparency->value()));
    set_group_value(record, group, video_direction, static_cast<float>(m_direction->value()));
    set_group_value(record, group, video_follows_direction,
                    findChild<QCheckBox*>("1312")->isChecked() ? 1.0f : 0.0f);
    set_group_value(record, group, video_trail_count, static_cast<float>(m_trail_count->value()));
    set_group_value(record, group, video_trail_spacing,
                    static_cast<float>(m_trail_spacing->value()));

    MappingInput input;
    input.entry = std::max(0, m_mapping->currentIndex());
    input.file_name = m_file_name->text().toStdString().substr(0, 255);
    input.frame_offset = leading_digits(m_frame_offset->text().toStdString());
    switch (store_mapping(record, group, input)) {
        case MappingStore::removed:
            enable_mapping(false);
            break;
        case MappingStore::name_cleared:
            m_file_name->setText(QString());
            enable_mapping(true);
            break;
        case MappingStore::stored:
            enable_mapping(true);
            break;
        case MappingStore::no_memory:
            break;
    }
    if (m_videos->currentIndex() >= 0 && m_videos->currentIndex() != group) {
        show_group(m_videos->currentIndex());
    }
}

void ObjectsPage::command() {
    if (m_filling) {
        return;
    }
    store();
    after_command();
}

void ObjectsPage::envelope_clicked(int button_id) {
    if (std::optional<EnvelopeChannel> channel =
            objects_channel(button_id, m_group, session().record())) {
        (void)run_envelope_editor(session(), *channel, this);
    }
    set_markers();
    store();
    after_command();
}

void ObjectsPage::morph_clicked() {
    const SelectedEffect& selected = session().selected();
    if (selected.loaded) {
        if (std::optional<EnvelopeChannel> channel = morph_channel(selected.scene, m_group)) {
            (void)run_envelope_editor(session(), *channel, this);
        }
    }
    store();
    after_command();
}

void ObjectsPage::path_clicked() {
    (void)run_path_editor(session(), m_group, this);
    after_command();
}

void ObjectsPage::select_clicked() {
    const int entry = m_mapping->currentIndex();
    if (entry < 1 || entry > 3) {
        return;
    }
    const std::optional<QString> chosen = choose_video_file(this, entry);
    if (!chosen) {
        return;
    }
    // The record keeps 255 bytes of a file name: a longer path would name
    // another file.
    if (chosen->toStdString().size() > 255) {
        platform::show_message_box("File Error", "The file's path is longer than 255 characters",
                                   platform::MessageKind::warning);
        return;
    }
    m_file_name->setText(*chosen);
    store();
    after_command();
}

}  // namespace kdr::gui

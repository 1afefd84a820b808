#include "envelope_editor.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cmath>

#include "envelope_graph.h"
#include "file_dialogs.h"
#include "kaleidra/gui/number_text.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/item_files.h"
#include "selection_session.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry envelope_controls[] = {
    {1100, ControlKind::label, "100%", 1, 5, 22, 10, align_right},
    {1101, ControlKind::label, "0%", 1, 95, 22, 10, align_right},
    {1201, ControlKind::trackbar, nullptr, 20, 108, 235, 15},
    {1202, ControlKind::label, "0%", 257, 111, 20, 10},
    {5, ControlKind::push_button, "&Previous Key", 5, 135, 50, 14},
    {4, ControlKind::push_button, "&Next Key", 5, 154, 50, 14},
    {1091, ControlKind::group_box, "Value", 60, 127, 175, 73},
    {1092, ControlKind::line_edit, nullptr, 70, 140, 50, 14},
    {6, ControlKind::push_button, "&Create Key", 125, 140, 50, 14},
    {7, ControlKind::push_button, "&Delete Key", 180, 140, 50, 14},
    {-1, ControlKind::label, "Tension", 115, 164, 38, 9},
    {-1, ControlKind::label, "Continuity", 155, 164, 38, 9},
    {-1, ControlKind::label, "Bias", 195, 164, 35, 9},
    {1099, ControlKind::check_box, "Linear", 65, 175, 45, 14},
    {1093, ControlKind::line_edit, nullptr, 115, 175, 35, 14},
    {1097, ControlKind::line_edit, nullptr, 155, 175, 35, 14},
    {1098, ControlKind::line_edit, nullptr, 195, 175, 35, 14},
    {8, ControlKind::push_button, "&Load", 280, 20, 50, 14},
    {9, ControlKind::push_button, "&Save", 280, 40, 50, 14},
    {1, ControlKind::push_button, "&OK", 355, 5, 50, 14},
    {2, ControlKind::push_button, "&Cancel", 355, 25, 50, 14},
    {3, ControlKind::push_button, "&Remove", 355, 50, 50, 14},
};
constexpr QRect graph_place{25, 5, 225, 100};

const PageGeometry envelope_geometry{{412, 210}, {275, 70, true}};

constexpr const char* text_edit_property = "kaleidra-text-on-entry";

}  // namespace

EnvelopeEditorPage::EnvelopeEditorPage(SelectionSession& session, const EnvelopeChannel& channel,
                                       scene::Envelope& envelope, EditorDialog& dialog)
    : OptionPage(session, 118, "Envelope Editor", envelope_geometry),
      m_channel(channel),
      m_envelope(envelope),
      m_dialog(dialog) {}

float EnvelopeEditorPage::current_time() const {
    return time_of_percent(m_time != nullptr ? m_time->value() : 0);
}

QString EnvelopeEditorPage::value_text(double value) const {
    return QString::fromStdString(format_g(value)) + (m_channel.percent ? "%" : "");
}

void EnvelopeEditorPage::create_page_controls() {
    create_controls(this, envelope_controls, units());
    m_graph = new EnvelopeGraph(this);
    m_graph->setGeometry(
        units().rect(graph_place.x(), graph_place.y(), graph_place.width(), graph_place.height()));
    m_graph->show();
    m_time = findChild<QSlider*>("1201");
    m_time_text = findChild<QLabel*>("1202");
    m_value_box = findChild<QGroupBox*>("1091");
    m_value = findChild<QLineEdit*>("1092");
    m_tension = findChild<QLineEdit*>("1093");
    m_continuity = findChild<QLineEdit*>("1097");
    m_bias = findChild<QLineEdit*>("1098");
    m_linear = findChild<QCheckBox*>("1099");
    m_value->setMaxLength(79);

    m_time->setRange(0, 100);
    m_time->setPageStep(10);
    m_time->setTickInterval(10);
    findChild<QLabel*>("1100")->setText(value_text(m_channel.maximum));
    findChild<QLabel*>("1101")->setText(value_text(m_channel.minimum));

    connect(m_time, &QSlider::valueChanged, this, [this] {
        update_display();
        after_command();
    });
    connect(findChild<QPushButton*>("5"), &QPushButton::clicked, this,
            [this] { go_to_key(previous_envelope_key(m_envelope.keys, current_time())); });
    connect(findChild<QPushButton*>("4"), &QPushButton::clicked, this,
            [this] { go_to_key(next_envelope_key(m_envelope.keys, current_time())); });
    connect(findChild<QPushButton*>("6"), &QPushButton::clicked, this, [this] {
        create_key();
        after_command();
    });
    connect(findChild<QPushButton*>("7"), &QPushButton::clicked, this, [this] {
        delete_key();
        after_command();
    });
    connect(m_linear, &QCheckBox::clicked, this, [this] {
        if (envelope_key_at(m_envelope.keys, current_time()) >= 0) {
            create_key();
        }
        after_command();
    });
    for (QLineEdit* edit : {m_value, m_tension, m_continuity, m_bias}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { edit_left(edit); });
    }
    connect(findChild<QPushButton*>("8"), &QPushButton::clicked, this,
            &EnvelopeEditorPage::load_file);
    connect(findChild<QPushButton*>("9"), &QPushButton::clicked, this,
            &EnvelopeEditorPage::save_file);
    connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::ok); });
    connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::cancel); });
    connect(findChild<QPushButton*>("3"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::remove); });
    findChild<QPushButton*>("1")->setDefault(true);

    m_graph->pressed = [this](GraphPoint point) { graph_pressed(point); };
    m_graph->moved = [this](GraphPoint point) { graph_moved(point); };
    m_graph->released = [this](GraphPoint point) { graph_released(point); };

    update_display();
    after_command();
}

void EnvelopeEditorPage::update_display() {
    if (m_time == nullptr) {
        return;
    }
    m_updating = true;
    const int percent = m_time->value();
    const float time = current_time();
    const EnvelopeKeyDisplay display = envelope_key_display(m_envelope.keys, time);
    m_time_text->setText(QString::number(percent) + "%");
    m_value_box->setTitle("Value at " + QString::fromStdString(format_g(percent)) + "%" +
                          (display.key_here ? " * KEY *" : ""));
    m_value->setText(value_text(display.value));
    m_tension->setText(QString::fromStdString(format_g(display.tension)));
    m_continuity->setText(QString::fromStdString(format_g(display.continuity)));
    m_bias->setText(QString::fromStdString(format_g(display.bias)));
    m_linear->setChecked(display.linear);
    findChild<QPushButton*>("5")->setEnabled(display.previous_enabled);
    findChild<QPushButton*>("4")->setEnabled(display.next_enabled);
    findChild<QPushButton*>("6")->setEnabled(display.create_enabled);
    findChild<QPushButton*>("7")->setEnabled(display.delete_enabled);
    for (QLineEdit* edit : {m_value, m_tension, m_continuity, m_bias}) {
        edit->setProperty(text_edit_property, edit->text().left(30));
    }
    m_graph->show_curve(m_channel, &m_envelope.keys, percent);
    m_updating = false;
}

void EnvelopeEditorPage::create_key() {
    const double value = leading_decimal(m_value->text().left(79).toStdString());
    if (!value_in_channel(m_channel, value)) {
        const std::string low = format_g(m_channel.minimum);
        const std::string high = format_g(m_channel.maximum);
        const std::string text = m_channel.percent
                                     ? "Value must be between " + low + "% and " + high + "%"
                                     : "Value must be between " + low + " and " + high;
        platform::show_message_box("Problem with value", text, platform::MessageKind::warning);
        return;
    }
    EnvelopeKey key;
    key.time = current_time();
    key.value = static_cast<float>(value);
    key.tension = static_cast<float>(leading_decimal(m_tension->text().toStdString()));
    key.continuity = static_cast<float>(leading_decimal(m_continuity->text().toStdString()));
    key.bias = static_cast<float>(leading_decimal(m_bias->text().toStdString()));
    key.linear = m_linear->isChecked() ? 1 : 0;
    put_envelope_key(m_envelope.keys, key);
    update_display();
}

void EnvelopeEditorPage::delete_key() {
    remove_envelope_key(m_envelope.keys, current_time());
    update_display();
}

void EnvelopeEditorPage::go_to_key(int index) {
    if (index >= 0) {
        m_time->setValue(
            round_half_up(m_envelope.keys[static_cast<std::size_t>(index)].time * 100.0));
    }
    after_command();
}

void EnvelopeEditorPage::edit_left(QLineEdit* edit) {
    if (m_updating) {
        return;
    }
    const QString on_entry = edit->property(text_edit_property).toString();
    if (edit->text().left(30) == on_entry) {
        return;
    }
    edit->setProperty(text_edit_property, edit->text().left(30));
    if (envelope_key_at(m_envelope.keys, current_time()) >= 0) {
        create_key();
    }
    after_command();
}

bool EnvelopeEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
        if (event->type() == QEvent::FocusIn) {
            edit->setProperty(text_edit_property, edit->text().left(30));
        } else if (event->type() == QEvent::FocusOut) {
            edit_left(edit);
        }
    }
    return OptionPage::eventFilter(watched, event);
}

void EnvelopeEditorPage::load_file() {
    const std::optional<std::filesystem::path> file =
        choose_item_file(this, ItemFileDialog{"Load An Envelope", "Envelopes", "*.env",
                                              "Kaleidra Envelopes (*.env)", "env", false});
    if (file) {
        scene::Envelope read;
        switch (read_envelope_file(*file, read)) {
            case ItemFileRead::read:
                // The curve only: the envelope keeps its own id, link and value.
                m_envelope.keys = std::move(read.keys);
                break;
            case ItemFileRead::other_chunk:
                break;
            case ItemFileRead::unreadable:
                platform::show_message_box("File Error", "Could not read envelope from disk",
                                           platform::MessageKind::warning);
                break;
        }
    }
    update_display();
    after_command();
}

void EnvelopeEditorPage::save_file() {
    const std::optional<std::filesystem::path> file =
        choose_item_file(this, ItemFileDialog{"Save An Envelope", "Envelopes", "*.env",
                                              "Kaleidra Envelopes (*.env)", "env", true});
    if (file && !write_envelope_file(*file, m_envelope).ok()) {
        platform::show_message_box("File Error", "Could not write envelope to disk",
                                   platform::MessageKind::warning);
    }
    update_display();
    after_command();
}

void EnvelopeEditorPage::graph_pressed(GraphPoint point) {
    const int index = press_on_graph(m_envelope.keys, m_channel, point);
    if (index < 0) {
        return;
    }
    m_dragged = index;
    m_graph->dragging = true;
    const float time = m_envelope.keys[static_cast<std::size_t>(index)].time;
    const int percent = round_half_up(time * 100.0);
    if (m_time->value() != percent) {
        m_time->setValue(percent);
    } else {
        update_display();
    }
}

void EnvelopeEditorPage::graph_moved(GraphPoint point) {
    if (m_dragged < 0 || m_dragged >= static_cast<int>(m_envelope.keys.size())) {
        return;
    }
    m_envelope.keys[static_cast<std::size_t>(m_dragged)].value = point.value;
    update_display();
}

void EnvelopeEditorPage::graph_released(GraphPoint point) {
    graph_moved(point);
    m_dragged = -1;
    m_graph->dragging = false;
    update_display();
    after_command();
}

EnvelopeEditor::EnvelopeEditor(SelectionSession& session, const EnvelopeChannel& channel,
                               scene::Envelope& envelope, QWidget* parent)
    : EditorDialog(session, parent) {
    setObjectName("118");
    setWindowTitle(channel.title);
    m_editor_page = new EnvelopeEditorPage(session, channel, envelope, *this);
    set_page(m_editor_page);
}

std::optional<EditorEnd> run_envelope_editor(SelectionSession& session,
                                             const EnvelopeChannel& channel, QWidget* parent) {
    const Scene* effect = session.selected().loaded ? &session.selected().scene : nullptr;
    std::optional<EnvelopeSession> opened = open_envelope(session.record(), channel, effect);
    if (!opened) {
        platform::show_message_box("Out of Memory", "Error creating envelope",
                                   platform::MessageKind::warning);
        return std::nullopt;
    }
    EditorEnd end = EditorEnd::cancel;
    {
        EnvelopeEditor editor(session, channel, *opened->envelope, parent);
        end = editor.run(DialogKind::envelope_editor);
    }
    end_envelope(session.record(), *opened, end);
    return end;
}

}  // namespace kdr::gui

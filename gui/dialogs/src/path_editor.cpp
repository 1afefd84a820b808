#include "path_editor.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "copy_key_dialog.h"
#include "file_dialogs.h"
#include "kaleidra/gui/envelope_editing.h"
#include "kaleidra/gui/number_text.h"
#include "kaleidra/host/engine_binding.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/item_files.h"
#include "layout_view.h"
#include "selection_session.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry path_controls[] = {
    {1201, ControlKind::trackbar, nullptr, 5, 131, 180, 15},
    {1202, ControlKind::label, "0%", 187, 134, 20, 10},
    {-1, ControlKind::group_box, "Key Tools", 5, 149, 190, 30},
    {5, ControlKind::push_button, "&Previous", 10, 160, 33, 13},
    {4, ControlKind::push_button, "&Next", 45, 160, 33, 13},
    {6, ControlKind::push_button, "&Create", 85, 160, 33, 13},
    {8, ControlKind::push_button, "Copy", 120, 160, 33, 13},
    {7, ControlKind::push_button, "&Delete", 155, 160, 33, 13},
    {1091, ControlKind::group_box, "Key Values", 5, 180, 190, 105},
    {-1, ControlKind::label, "X", 58, 190, 10, 9},
    {-1, ControlKind::label, "Y", 98, 190, 10, 9},
    {-1, ControlKind::label, "Z", 138, 190, 10, 9},
    {-1, ControlKind::label, "Position", 10, 202, 33, 10},
    {1094, ControlKind::line_edit, nullptr, 45, 200, 37, 13},
    {1100, ControlKind::line_edit, nullptr, 85, 200, 37, 13},
    {1101, ControlKind::line_edit, nullptr, 125, 200, 37, 13},
    {-1, ControlKind::label, "Rotation", 10, 217, 33, 10},
    {1095, ControlKind::line_edit, nullptr, 45, 215, 37, 13},
    {1103, ControlKind::line_edit, nullptr, 85, 215, 37, 13},
    {1104, ControlKind::line_edit, nullptr, 125, 215, 37, 13},
    {-1, ControlKind::label, "Scale", 10, 232, 33, 10},
    {1096, ControlKind::line_edit, nullptr, 45, 230, 37, 13},
    {1105, ControlKind::line_edit, nullptr, 85, 230, 37, 13},
    {1106, ControlKind::line_edit, nullptr, 125, 230, 37, 13},
    {-1, ControlKind::label, "Tension", 40, 254, 38, 9},
    {-1, ControlKind::label, "Continuity", 80, 254, 38, 9},
    {-1, ControlKind::label, "Bias", 120, 254, 38, 9},
    {-1, ControlKind::label, "Spline", 10, 267, 28, 10},
    {1093, ControlKind::line_edit, nullptr, 40, 265, 37, 13},
    {1097, ControlKind::line_edit, nullptr, 80, 265, 37, 13},
    {1098, ControlKind::line_edit, nullptr, 120, 265, 37, 13},
    {1099, ControlKind::check_box, "Linear", 160, 265, 32, 13},
    {-1, ControlKind::group_box, "Tools", 212, 0, 63, 67},
    {1133, ControlKind::push_radio, "&Move", 220, 10, 48, 12, starts_group},
    {1134, ControlKind::push_radio, "Rotate", 220, 23, 48, 12},
    {1135, ControlKind::push_radio, "Stretch", 220, 36, 48, 12},
    {1122, ControlKind::push_check, "&X", 221, 50, 15, 12},
    {1125, ControlKind::push_check, "&Y", 237, 50, 15, 12},
    {1126, ControlKind::push_check, "&Z", 253, 50, 15, 12},
    {-1, ControlKind::group_box, "Views", 212, 66, 63, 64},
    {1136, ControlKind::push_radio, "Camera", 220, 75, 48, 12, starts_group},
    {1137, ControlKind::push_radio, "Perspective", 220, 88, 48, 12},
    {1138, ControlKind::push_radio, "Top", 220, 101, 48, 12},
    {1139, ControlKind::push_radio, "Side", 220, 114, 48, 12},
    {1, ControlKind::push_button, "Ok", 280, 5, 50, 14},
    {2, ControlKind::push_button, "Cancel", 280, 25, 50, 14},
    {3, ControlKind::push_button, "Remove", 280, 45, 50, 14},
    {9, ControlKind::push_button, "Load Path", 280, 85, 50, 14},
    {10, ControlKind::push_button, "Save Path", 280, 105, 50, 14},
};
constexpr QRect view_place{5, 5, 200, 125};
// The nine value edits in motion-state order: position, rotation, scale.
constexpr int value_edit_ids[9] = {1094, 1100, 1101, 1095, 1103, 1104, 1096, 1105, 1106};

struct ViewButton {
    int id;
    std::uint32_t bits;
};
constexpr ViewButton view_buttons[] = {
    {1136, view_camera}, {1137, view_perspective}, {1138, view_top}, {1139, view_side}};

const PageGeometry path_geometry{{337, 290}, {200, 150, true}};

constexpr const char* text_on_entry = "kaleidra-text-on-entry";

QString g_text(double value) {
    return QString::fromStdString(format_g(value));
}

float read_number(const QLineEdit* edit) {
    return static_cast<float>(leading_decimal(edit->text().toStdString()));
}

}  // namespace

PathEditorPage::PathEditorPage(SelectionSession& session, std::uint16_t object_id,
                               scene::Path& path, EditorDialog& dialog)
    : OptionPage(session, 121, "Path Editor", path_geometry),
      m_object_id(object_id),
      m_path(path),
      m_dialog(dialog),
      m_engine(std::make_unique<host::EngineBinding>()) {
    frame_construct(m_frame);
}

PathEditorPage::~PathEditorPage() {
    m_engine->free_context(m_context);
    m_context = nullptr;
    m_engine->release();
    m_frame.output.buffer = nullptr;
    image_release_all(m_frame.output);
}

float PathEditorPage::current_time() const {
    return time_of_percent(m_time != nullptr ? m_time->value() : 0);
}

void PathEditorPage::create_page_controls() {
    create_controls(this, path_controls, units());
    m_view = new LayoutView(this);
    m_view->setGeometry(
        units().rect(view_place.x(), view_place.y(), view_place.width(), view_place.height()));
    m_view->show();
    m_view->lower();
    m_time = findChild<QSlider*>("1201");
    m_time_text = findChild<QLabel*>("1202");
    m_values_box = findChild<QGroupBox*>("1091");
    for (int i = 0; i < 9; ++i) {
        m_values[i] = findChild<QLineEdit*>(QString::number(value_edit_ids[i]));
    }
    m_tension = findChild<QLineEdit*>("1093");
    m_continuity = findChild<QLineEdit*>("1097");
    m_bias = findChild<QLineEdit*>("1098");
    m_linear = findChild<QCheckBox*>("1099");

    m_time->setRange(0, 100);
    m_time->setPageStep(10);
    m_time->setTickInterval(10);
    findChild<QPushButton*>("1133")->setChecked(true);
    findChild<QPushButton*>("1136")->setChecked(true);
    for (int id : {1122, 1125, 1126}) {
        findChild<QPushButton*>(QString::number(id))->setChecked(true);
    }

    connect(m_time, &QSlider::valueChanged, this, [this] {
        update_display();
        draw_view();
        after_command();
    });
    connect(findChild<QPushButton*>("5"), &QPushButton::clicked, this,
            [this] { go_to_key(previous_path_key(m_path.keys, current_time())); });
    connect(findChild<QPushButton*>("4"), &QPushButton::clicked, this,
            [this] { go_to_key(next_path_key(m_path.keys, current_time())); });
    connect(findChild<QPushButton*>("6"), &QPushButton::clicked, this, [this] {
        create_key();
        after_command();
    });
    connect(findChild<QPushButton*>("7"), &QPushButton::clicked, this, [this] {
        delete_key();
        after_command();
    });
    connect(findChild<QPushButton*>("8"), &QPushButton::clicked, this, [this] {
        copy_key();
        after_command();
    });
    connect(m_linear, &QCheckBox::clicked, this, [this] {
        if (path_key_near(m_path.keys, current_time(), 0.005f) >= 0) {
            create_key();
        }
        after_command();
    });
    for (QLineEdit* edit :
         {m_values[0], m_values[1], m_values[2], m_values[3], m_values[4], m_values[5], m_values[6],
          m_values[7], m_values[8], m_tension, m_continuity, m_bias}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { edit_left(edit); });
    }
    const std::pair<int, PathTool> tools[] = {
        {1133, PathTool::move}, {1134, PathTool::rotate}, {1135, PathTool::stretch}};
    for (auto [id, tool] : tools) {
        connect(findChild<QPushButton*>(QString::number(id)), &QPushButton::clicked, this,
                [this, tool = tool] {
                    m_tool = tool;
                    after_command();
                });
    }
    for (auto [id, flag] :
         {std::pair{1122, &AxisFlags::x}, {1125, &AxisFlags::y}, {1126, &AxisFlags::z}}) {
        auto* button = findChild<QPushButton*>(QString::number(id));
        connect(button, &QPushButton::clicked, this, [this, button, flag = flag] {
            m_axes.*flag = button->isChecked();
            after_command();
        });
    }
    for (const ViewButton& view : view_buttons) {
        connect(findChild<QPushButton*>(QString::number(view.id)), &QPushButton::clicked, this,
                [this, bits = view.bits] {
                    m_view_bits = bits;
                    draw_view();
                    after_command();
                });
    }
    connect(findChild<QPushButton*>("9"), &QPushButton::clicked, this, &PathEditorPage::load_file);
    connect(findChild<QPushButton*>("10"), &QPushButton::clicked, this, &PathEditorPage::save_file);
    connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::ok); });
    connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::cancel); });
    connect(findChild<QPushButton*>("3"), &QPushButton::clicked, this,
            [this] { m_dialog.finish(EditorEnd::remove); });
    findChild<QPushButton*>("1")->setDefault(true);

    update_display();
    prepare_view();
    draw_view();
}

void PathEditorPage::prepare_view() {
    const QSize size = m_view->view_size();
    m_frame.width = static_cast<std::uint32_t>(std::max(1, size.width()));
    m_frame.height = std::max(1, size.height());
    frame_set_aspect(m_frame);
    ImageShape shape;
    shape.format = format_bgr;
    shape.row_order = row_order_bottom_up;
    shape.bytes_per_pixel = 3;
    shape.alignment = 4;
    shape.width = m_frame.width;
    shape.height = static_cast<std::uint32_t>(m_frame.height);
    if (!image_set_shape(m_frame.output, shape)) {
        return;
    }
    m_output.assign(m_frame.output.size, 0);
    m_frame.output.buffer = m_output.data();
    m_frame.output.owns = 0;
    m_frame.position = 0;
    m_frame.total = 100;
    m_frame.flags = view_flags(m_view_bits, false);
    m_frame.highlighted_id = m_object_id;
    m_frame.device_context = nullptr;
    // The background the engines clear to: the dialog's face colour.
    const QColor face = palette().color(QPalette::Button);
    m_frame.background[0] = static_cast<float>(face.redF());
    m_frame.background[1] = static_cast<float>(face.greenF());
    m_frame.background[2] = static_cast<float>(face.blueF());
    m_frame.background[3] = 1;
    if (!m_engine->load(host::EngineRole::preview).ok()) {
        return;  // the view stays empty; editing works on
    }
    if (!m_engine->prepare(m_context, &session().record(), &m_frame).ok()) {
        m_context = nullptr;
    }
}

void PathEditorPage::draw_view() {
    if (m_context == nullptr || m_output.empty()) {
        return;
    }
    m_frame.position = static_cast<std::uint32_t>(m_time->value());
    m_frame.total = 100;
    m_frame.highlighted_id = m_object_id;
    m_frame.flags = view_flags(m_view_bits, m_dragging);
    if (m_engine->render(m_context, &session().record(), &m_frame) == 1) {
        ++m_views_drawn;
        m_view->show_picture(m_output.data(), static_cast<int>(m_frame.width), m_frame.height,
                             static_cast<int>(m_frame.output.stride));
    }
}

void PathEditorPage::update_display() {
    if (m_time == nullptr) {
        return;
    }
    m_updating = true;
    const int percent = m_time->value();
    const PathKeyDisplay display = path_key_display(m_path.keys, current_time());
    m_time_text->setText(QString::number(percent) + "%");
    m_values_box->setTitle("Values at " + g_text(percent) + "%" +
                           (display.key_here ? " * KEY *" : ""));
    for (int i = 0; i < 9; ++i) {
        m_values[i]->setText(g_text(motion_value(display.values, i + 1)));
    }
    m_tension->setText(g_text(display.values.tension));
    m_continuity->setText(g_text(display.values.continuity));
    m_bias->setText(g_text(display.values.bias));
    m_linear->setChecked(display.values.linear != 0);
    findChild<QPushButton*>("5")->setEnabled(display.previous_enabled);
    findChild<QPushButton*>("4")->setEnabled(display.next_enabled);
    findChild<QPushButton*>("6")->setEnabled(display.create_enabled);
    findChild<QPushButton*>("7")->setEnabled(display.delete_enabled);
    findChild<QPushButton*>("8")->setEnabled(display.copy_enabled);
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->setProperty(text_on_entry, edit->text());
    }
    m_updating = false;
}

bool PathEditorPage::create_key() {
    PathKey key;
    key.time = current_time();
    for (int i = 0; i < 9; ++i) {
        motion_value(key, i + 1) = read_number(m_values[i]);
    }
    if (!path_values_in_range(key)) {
        platform::show_message_box("Problem with value", "Value must be between -2000 and 2000",
                                   platform::MessageKind::warning);
        return false;
    }
    key.tension = read_number(m_tension);
    key.continuity = read_number(m_continuity);
    key.bias = read_number(m_bias);
    key.linear = m_linear->isChecked() ? 1 : 0;
    m_dragged = put_path_key(m_path.keys, key);
    update_display();
    draw_view();
    return true;
}

void PathEditorPage::delete_key() {
    remove_path_key(m_path.keys, current_time());
    update_display();
    draw_view();
}

void PathEditorPage::copy_key() {
    const std::optional<int> percent = ask_copy_time(m_time->value(), this);
    if (!percent) {
        return;
    }
    // The edits keep the current key's values for the new time.
    {
        const QSignalBlocker quiet(m_time);
        m_time->setValue(*percent);
    }
    create_key();
}

void PathEditorPage::go_to_key(int index) {
    if (index >= 0) {
        m_time->setValue(round_half_up(m_path.keys[static_cast<std::size_t>(index)].time * 100.0));
    }
    after_command();
}

void PathEditorPage::edit_left(QLineEdit* edit) {
    if (m_updating || edit->text() == edit->property(text_on_entry).toString()) {
        return;
    }
    edit->setProperty(text_on_entry, edit->text());
    create_key();
    after_command();
}

bool PathEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
        if (event->type() == QEvent::FocusIn) {
            edit->setProperty(text_on_entry, edit->text());
        } else if (event->type() == QEvent::FocusOut) {
            edit_left(edit);
        }
    }
    return OptionPage::eventFilter(watched, event);
}

void PathEditorPage::load_file() {
    const std::optional<std::filesystem::path> file = choose_item_file(
        this,
        ItemFileDialog{"Load A Path", "Paths", "*.pth", "Kaleidra Paths (*.pth)", "pth", false});
    if (file) {
        scene::Path read;
        switch (read_path_file(*file, read)) {
            case ItemFileRead::read:
                // The keys only: the path keeps its own ids.
                m_path.keys = std::move(read.keys);
                break;
            case ItemFileRead::other_chunk:
                break;
            case ItemFileRead::unreadable:
                platform::show_message_box("File Error", "Could not read path from disk",
                                           platform::MessageKind::warning);
                break;
        }
    }
    update_display();
    draw_view();
    after_command();
}

void PathEditorPage::save_file() {
    const std::optional<std::filesystem::path> file = choose_item_file(
        this,
        ItemFileDialog{"Save A Path", "Paths", "*.pth", "Kaleidra Paths (*.pth)", "pth", true});
    if (file && !write_path_file(*file, m_path).ok()) {
        platform::show_message_box("File Error", "Could not write path to disk",
                                   platform::MessageKind::warning);
    }
    after_command();
}

void PathEditorPage::mousePressEvent(QMouseEvent* event) {
    const bool button = event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (!button || m_dragging) {
        OptionPage::mousePressEvent(event);
        return;
    }
    event->accept();
    // The key at the current time (made when there is none) is dragged.
    if (!create_key()) {
        return;
    }
    m_dragging = true;
    m_last = event->globalPosition();
    setCursor(Qt::BlankCursor);
    draw_view();
}

void PathEditorPage::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        OptionPage::mouseMoveEvent(event);
        return;
    }
    event->accept();
    drag_to(event->globalPosition(), event->buttons(), event->modifiers());
}

void PathEditorPage::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging) {
        OptionPage::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    // The button that went up is no longer held.
    drag_to(event->globalPosition(), event->buttons() | event->button(), event->modifiers());
    unsetCursor();
    m_dragging = false;
    update_display();
    draw_view();
    after_command();
}

void PathEditorPage::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();  // double clicks are ignored
}

void PathEditorPage::drag_to(const QPointF& global, Qt::MouseButtons buttons,
                             Qt::KeyboardModifiers modifiers) {
    const int dx = static_cast<int>(std::lround(global.x() - m_last.x()));
    const int dy = static_cast<int>(std::lround(global.y() - m_last.y()));
    if (m_dragged < 0 || m_dragged >= static_cast<int>(m_path.keys.size())) {
        return;
    }
    PathKey& key = m_path.keys[static_cast<std::size_t>(m_dragged)];
    DragButtons held;
    held.left = (buttons & Qt::LeftButton) != 0;
    held.shift = (modifiers & Qt::ShiftModifier) != 0;
    const ChangedValues changed = drag_key(key, m_tool, m_view_bits, m_axes, held, dx, dy);
    if (changed != 0) {
        show_key_values(changed);
        draw_view();
    }
    m_last += QPointF(dx, dy);
}

void PathEditorPage::show_key_values(ChangedValues changed) {
    const PathKey& key = m_path.keys[static_cast<std::size_t>(m_dragged)];
    m_updating = true;
    for (int i = 0; i < 9; ++i) {
        if ((changed >> (i + 1)) & 1u) {
            m_values[i]->setText(g_text(motion_value(key, i + 1)));
            m_values[i]->setProperty(text_on_entry, m_values[i]->text());
        }
    }
    m_updating = false;
}

PathEditor::PathEditor(SelectionSession& session, std::uint16_t object_id, scene::Path& path,
                       QWidget* parent)
    : EditorDialog(session, parent) {
    setObjectName("121");
    setWindowTitle("Path Editor");
    m_editor_page = new PathEditorPage(session, object_id, path, *this);
    set_page(m_editor_page);
}

namespace {

// Holds the record's fly direction at fly-off and gives it back.
class FlyOff {
  public:
    explicit FlyOff(EffectSettings& record)
        : m_record(record), m_kept(record.globals[global_fly_direction]) {
        record.globals[global_fly_direction] = 0;
    }
    ~FlyOff() { m_record.globals[global_fly_direction] = m_kept; }
    FlyOff(const FlyOff&) = delete;
    FlyOff& operator=(const FlyOff&) = delete;

  private:
    EffectSettings& m_record;
    float m_kept;
};

}  // namespace

bool run_path_editor(SelectionSession& session, int group, QWidget* parent) {
    const SelectedEffect& selected = session.selected();
    if (!selected.loaded) {
        return false;
    }
    EffectSettings& record = session.record();
    // Flying on, a two-video transition's first two videos trade places:
    // the object that shows the page's video is the other one's.
    const bool fly_on = record.globals[global_fly_direction] == 1.0f;
    const FlyOff page_fly_off(record);
    const scene::Object* object =
        path_object(selected.scene, path_group(group, fly_on && selected.scene.type == 1));
    if (object == nullptr) {
        return false;
    }
    const FlyOff editor_fly_off(record);
    OwnedRecord backup;
    if (!settings_copy(backup.get(), record)) {
        return false;
    }
    scene::Path* path = path_to_edit(record, selected.scene, object->id);
    if (path == nullptr) {
        return false;
    }
    EditorEnd end = EditorEnd::cancel;
    {
        PathEditor editor(session, object->id, *path, parent);
        end = editor.run(DialogKind::path_editor);
    }
    switch (end) {
        case EditorEnd::ok:
            break;
        case EditorEnd::cancel:
            (void)settings_copy(record, backup.get());
            break;
        case EditorEnd::remove:
            remove_path(record, path);
            break;
    }
    return true;
}

}  // namespace kdr::gui

#include "filter_page.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "kaleidra/scene/value_limits.h"
#include "selection_session.h"
#include "trackbar_value.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry filter_controls[] = {
    {-1, ControlKind::label, "Source:", 10, 17, 53, 10},
    {1200, ControlKind::drop_down_list, nullptr, 65, 15, 105, 95},
    {-1, ControlKind::label, "Percent:", 10, 33, 53, 10},
    {1201, ControlKind::trackbar, nullptr, 65, 31, 95, 13},
    {1202, ControlKind::label, nullptr, 162, 33, 25, 8},
    {-1, ControlKind::label, "Frames:", 10, 52, 53, 10},
    {1203, ControlKind::trackbar, nullptr, 65, 50, 95, 13},
    {1204, ControlKind::label, nullptr, 162, 52, 25, 8},
    {-1, ControlKind::etched_line, nullptr, 5, 66, 195, 2},
    {-1, ControlKind::label, "X Rotate:", 10, 72, 53, 10},
    {1304, ControlKind::trackbar, nullptr, 65, 70, 95, 13},
    {1305, ControlKind::label, nullptr, 162, 72, 25, 8},
    {-1, ControlKind::label, "Y Rotate:", 10, 88, 53, 10},
    {1306, ControlKind::trackbar, nullptr, 65, 86, 95, 13},
    {1307, ControlKind::label, nullptr, 162, 88, 25, 8},
    {-1, ControlKind::label, "Z Rotate:", 10, 104, 53, 10},
    {1308, ControlKind::trackbar, nullptr, 65, 102, 95, 13},
    {1309, ControlKind::label, nullptr, 162, 104, 25, 8},
    {-1, ControlKind::label, "Distance:", 10, 123, 53, 10},
    {1321, ControlKind::trackbar, nullptr, 65, 121, 95, 13},
    {1322, ControlKind::label, nullptr, 162, 123, 25, 8},
};

}  // namespace

FilterPage::FilterPage(SelectionSession& session) : OptionPage(session, 113, "Filter Options") {}

void FilterPage::create_page_controls() {
    create_controls(this, filter_controls, units());
    m_source = findChild<QComboBox*>("1200");
    auto trackbar = [this](int id, int minimum, int maximum, int page) {
        auto* value =
            new TrackbarValue(findChild<QSlider*>(QString::number(id)),
                              findChild<QLabel*>(QString::number(id + 1)), [this] { command(); });
        value->set_up(minimum, maximum, page);
        return value;
    };
    m_percent = trackbar(1201, 0, 100, 10);
    m_frames = trackbar(1203, 10, 200, 20);
    m_rotate_x = trackbar(1304, 0, 360, 45);
    m_rotate_y = trackbar(1306, 0, 360, 45);
    m_rotate_z = trackbar(1308, 0, 360, 45);
    m_distance = trackbar(1321, 0, 200, 10);
    connect(m_source, &QComboBox::activated, this, [this] { command(); });
    fill();
}

void FilterPage::page_activated() {
    // The selected effect may have changed since the page was last shown.
    fill();
}

void FilterPage::fill() {
    if (!created()) {
        return;
    }
    m_filling = true;
    const EffectSettings& record = session().record();
    {
        const QSignalBlocker quiet(m_source);
        m_source->clear();
        const SelectedEffect& selected = session().selected();
        if (selected.loaded) {
            for (const std::string& name : selected.scene.video_names) {
                m_source->addItem(QString::fromStdString(name));
            }
        }
        const int source = filter_source_value(record.globals[global_filter_source]);
        m_source->setCurrentIndex(source < m_source->count() ? source : -1);
    }
    m_percent->show_value(record.globals[global_filter_percent]);
    m_frames->show_value(record.globals[global_filter_frames]);
    m_rotate_x->show_value(record.globals[global_filter_rotation_x]);
    m_rotate_y->show_value(record.globals[global_filter_rotation_y]);
    m_rotate_z->show_value(record.globals[global_filter_rotation_z]);
    m_distance->show_value(record.globals[global_filter_distance]);
    m_filling = false;
}

void FilterPage::store() {
    if (!created() || m_filling) {
        return;
    }
    float* globals = session().record().globals;
    // A list without a selection (no effect loaded) keeps the stored source.
    if (m_source->currentIndex() >= 0) {
        globals[global_filter_source] = static_cast<float>(m_source->currentIndex());
    }
    globals[global_filter_percent] = static_cast<float>(m_percent->value());
    globals[global_filter_frames] = static_cast<float>(m_frames->value());
    globals[global_filter_placement] = 1.0f;
    globals[global_filter_rotation_x] = static_cast<float>(m_rotate_x->value());
    globals[global_filter_rotation_y] = static_cast<float>(m_rotate_y->value());
    globals[global_filter_rotation_z] = static_cast<float>(m_rotate_z->value());
    globals[global_filter_distance] = static_cast<float>(m_distance->value());
}

void FilterPage::command() {
    if (m_filling) {
        return;
    }
    store();
    after_command();
}

}  // namespace kdr::gui

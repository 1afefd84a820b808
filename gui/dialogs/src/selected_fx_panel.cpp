#include "selected_fx_panel.h"

#include <QGroupBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace kdr::gui {
namespace {

// The panel's controls relative to its group box, full and compact.
struct PanelLayout {
    int height;
    QRect description, frame, preview, progress, speed, render;
};
constexpr int panel_width = 130;
const PanelLayout full_layout{225,
                              {6, 10, 120, 80},
                              {5, 95, 120, 100},
                              {10, 100, 110, 83},
                              {7, 185, 116, 8},
                              {5, 198, 84, 11},
                              {95, 196, 30, 12}};
const PanelLayout compact_layout{135,
                                 {6, 10, 120, 26},
                                 {5, 39, 120, 73},
                                 {22, 42, 86, 58},
                                 {7, 102, 116, 8},
                                 {5, 118, 84, 11},
                                 {95, 116, 30, 12}};

ControlEntry at(PanelPlace place, int id, ControlKind kind, const char* text, const QRect& area) {
    return {id, kind, text, place.x + area.x(), place.y + area.y(), area.width(), area.height()};
}

}  // namespace

PreviewView::PreviewView(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void PreviewView::show_frame(const std::vector<std::uint8_t>& pixels, int size) {
    const std::size_t row_bytes = static_cast<std::size_t>(size) * 3;
    if (size <= 0 || pixels.size() < row_bytes * static_cast<std::size_t>(size)) {
        return;
    }
    QImage image(size, size, QImage::Format_RGB888);
    for (int y = 0; y < size; ++y) {
        const std::uint8_t* source =
            pixels.data() + row_bytes * static_cast<std::size_t>(size - 1 - y);
        std::uint8_t* target = image.scanLine(y);
        for (int x = 0; x < size; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    m_frame = std::move(image);
    update();
}

void PreviewView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_frame.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(contentsRect().adjusted(1, 1, -1, -1), m_frame);
}

SelectedFxPanel::SelectedFxPanel(QWidget* page, const DialogUnits& units, bool speed_trackbar,
                                 PanelPlace place) {
    const PanelLayout& layout = place.compact ? compact_layout : full_layout;
    const ControlEntry controls[] = {
        at(place, 1040, ControlKind::group_box, "Selected FX",
           QRect(0, 0, panel_width, layout.height)),
        at(place, 1044, ControlKind::read_only_text, nullptr, layout.description),
        at(place, -1, ControlKind::sunken_frame, nullptr, layout.frame),
        at(place, 1084, ControlKind::progress_bar, nullptr, layout.progress),
        at(place, 1078, ControlKind::push_button, "Render", layout.render),
    };
    create_controls(page, controls, units);
    m_box = page->findChild<QGroupBox*>("1040");
    m_description = page->findChild<QPlainTextEdit*>("1044");
    m_progress = page->findChild<QProgressBar*>("1084");
    m_render = page->findChild<QPushButton*>("1078");
    m_preview = new PreviewView(page);
    m_preview->setObjectName("1042");
    const ControlEntry preview =
        at(place, 1042, ControlKind::sunken_frame, nullptr, layout.preview);
    m_preview->setGeometry(units.rect(preview.x, preview.y, preview.width, preview.height));
    m_preview->show();
    if (speed_trackbar) {
        const ControlEntry speed = at(place, 1062, ControlKind::trackbar, nullptr, layout.speed);
        create_controls(page, std::span(&speed, 1), units);
        m_speed = page->findChild<QSlider*>("1062");
    }
}

void SelectedFxPanel::show_effect(const QString& name, const QString& description) {
    m_box->setTitle(name);
    if (m_description->toPlainText() != description) {
        m_description->setPlainText(description);
    }
}

void SelectedFxPanel::set_render_text(const QString& text) {
    if (m_render->text() != text) {
        m_render->setText(text);
    }
}

void SelectedFxPanel::set_progress(int percent) {
    if (m_progress->value() != percent) {
        m_progress->setValue(percent);
    }
}

}  // namespace kdr::gui

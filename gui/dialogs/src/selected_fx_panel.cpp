#include "selected_fx_panel.h"

#include <QGroupBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace kdr::gui {
namespace {

constexpr ControlSpec panel_controls[] = {
    {1040, ControlKind::group_box, "Selected FX", 205, 5, 130, 225},
    {1044, ControlKind::read_only_text, nullptr, 211, 15, 120, 80},
    {-1, ControlKind::sunken_frame, nullptr, 210, 100, 120, 100},
    {1084, ControlKind::progress_bar, nullptr, 212, 190, 116, 8},
    {1078, ControlKind::push_button, "Render", 300, 201, 30, 12},
};
constexpr ControlSpec speed_control = {1062, ControlKind::trackbar, nullptr, 210, 203, 84, 11};
constexpr ControlSpec preview_place = {1042, ControlKind::sunken_frame, nullptr, 215, 105, 110, 83};

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

SelectedFxPanel::SelectedFxPanel(QWidget* page, const DialogUnits& units, bool speed_trackbar) {
    create_controls(page, panel_controls, units);
    m_box = page->findChild<QGroupBox*>("1040");
    m_description = page->findChild<QPlainTextEdit*>("1044");
    m_progress = page->findChild<QProgressBar*>("1084");
    m_render = page->findChild<QPushButton*>("1078");
    m_preview = new PreviewView(page);
    m_preview->setObjectName("1042");
    m_preview->setGeometry(
        units.rect(preview_place.x, preview_place.y, preview_place.width, preview_place.height));
    m_preview->show();
    if (speed_trackbar) {
        create_controls(page, std::span(&speed_control, 1), units);
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

#include "icon_button.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace kdr::gui {
namespace {

QFont effect_name_font() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    return font;
}

}  // namespace

IconButton::IconButton(QWidget* parent, std::function<std::uint32_t()> display)
    : QAbstractButton(parent), m_display(std::move(display)) {
    setFocusPolicy(Qt::StrongFocus);
}

void IconButton::set_item(const QString& name, const QImage& icon) {
    m_name = name;
    m_icon = icon;
    m_has_item = true;
    update();
}

void IconButton::clear_item() {
    m_name.clear();
    m_icon = QImage();
    m_has_item = false;
    m_selected = false;
    update();
}

void IconButton::set_selected(bool selected) {
    if (m_selected != selected) {
        m_selected = selected;
        update();
    }
}

void IconButton::paintEvent(QPaintEvent*) {
    if (!m_has_item) {
        return;
    }
    QPainter painter(this);
    const QRect area = rect();
    const std::uint32_t display = m_display ? m_display() : 0;
    if ((display == 0 || display == 2) && !m_icon.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(area.adjusted(2, 2, -2, -2), m_icon);
    }
    if (display == 1 || display == 2) {
        const QFont font = effect_name_font();
        painter.setFont(font);
        const QRect inside = area.adjusted(2, 2, -2, -2);
        const QString text = QFontMetrics(font).elidedText(m_name, Qt::ElideRight, inside.width());
        if (display == 2) {
            // Over a picture the name needs a calm strip to be read on.
            QRect strip = inside;
            strip.setTop(inside.bottom() - QFontMetrics(font).height());
            QColor face = palette().color(QPalette::Button);
            face.setAlpha(210);
            painter.fillRect(strip, face);
        }
        painter.setPen(palette().color(QPalette::ButtonText));
        const Qt::Alignment vertical = display == 1 ? Qt::AlignVCenter : Qt::AlignBottom;
        painter.drawText(inside, Qt::AlignHCenter | vertical | Qt::TextSingleLine, text);
    }
    // The bevel: sunken for the selected effect, raised for the others.
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    const QColor top_left = m_selected ? shadow : light;
    const QColor bottom_right = m_selected ? light : shadow;
    for (int ring = 0; ring < 2; ++ring) {
        const QRect r = area.adjusted(ring, ring, -ring, -ring);
        painter.setPen(top_left);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottom_right);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
    // The outer ring: the focus, when focus is all there is to show.
    const bool focus_only = hasFocus() && !isDown() && isEnabled();
    QPen ring_pen(focus_only ? QColor(Qt::black) : palette().color(QPalette::Button));
    ring_pen.setStyle(focus_only ? Qt::DotLine : Qt::SolidLine);
    painter.setPen(ring_pen);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

}  // namespace kdr::gui

#include "kaleidra/editor/window/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace kdr::editor::window {

QImage program_icon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // The film strip.
    QPainterPath strip;
    strip.addRoundedRect(QRectF(2, 14, 60, 36), 4, 4);
    painter.fillPath(strip, QColor(0x30, 0x30, 0x38));
    painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
    painter.setPen(Qt::NoPen);
    for (int hole = 0; hole < 7; ++hole) {
        painter.drawRoundedRect(QRectF(5 + hole * 8.3, 16.5, 4.5, 3.5), 1, 1);
        painter.drawRoundedRect(QRectF(5 + hole * 8.3, 44, 4.5, 3.5), 1, 1);
    }
    // Three frames in the track colours: blue, the turned green one, red.
    painter.setBrush(QColor(0x5A, 0x5A, 0xFF));
    painter.drawRect(QRectF(5, 23, 15, 18));
    painter.setBrush(QColor(0xDD, 0x33, 0x2C));
    painter.drawRect(QRectF(44, 23, 15, 18));
    painter.save();
    painter.translate(32, 32);
    painter.rotate(-18);
    painter.setBrush(QColor(0x45, 0xD2, 0x8B));
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 1.5));
    painter.drawRect(QRectF(-9, -12, 18, 24));
    painter.restore();
    return icon;
}

}  // namespace kdr::editor::window

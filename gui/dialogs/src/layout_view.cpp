#include "layout_view.h"

#include <QPainter>

namespace kdr::gui {

LayoutView::LayoutView(QWidget* parent) : QFrame(parent) {
    setObjectName("1128");
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void LayoutView::show_picture(const std::uint8_t* pixels, int width, int height, int stride) {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width * 3) {
        clear_picture();
        return;
    }
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
        std::uint8_t* target = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    m_picture = std::move(image);
    update();
}

void LayoutView::clear_picture() {
    m_picture = QImage();
    update();
}

void LayoutView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), m_picture);
}

}  // namespace kdr::gui

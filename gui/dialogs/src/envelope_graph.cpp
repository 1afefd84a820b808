#include "envelope_graph.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "kaleidra/scene/evaluation.h"

namespace kdr::gui {

EnvelopeGraph::EnvelopeGraph(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setObjectName("1102");
}

void EnvelopeGraph::show_curve(const EnvelopeChannel& channel, const std::vector<EnvelopeKey>* keys,
                               int percent) {
    m_channel = channel;
    m_keys = keys;
    m_percent = percent;
    update();
}

QRect EnvelopeGraph::graph_area() const {
    // Inside the sunken frame, one pixel clear of it.
    return contentsRect().adjusted(1, 1, -1, -1);
}

QPoint EnvelopeGraph::pixel_of(float time, float value) const {
    const QRect area = graph_area();
    const int width = area.width() - 1;
    const int height = area.height() - 1;
    const int x = area.left() + static_cast<int>(width * static_cast<double>(time));
    return {x, graph_row(m_channel, value, area.top() + height, height)};
}

void EnvelopeGraph::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inside = contentsRect();
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(inside, face);
    painter.setClipRect(inside);
    const QRect area = graph_area();
    const int width = area.width() - 1;
    const int height = area.height() - 1;
    const int bottom = area.top() + height;

    // The grid: every tenth of the time, and every grid step of the value.
    painter.setPen(QColor(std::max(0, face.red() - 10), std::max(0, face.green() - 10),
                          std::max(0, face.blue() - 10)));
    for (int i = 0; i <= 10; ++i) {
        const int x = area.left() + width * i / 10;
        painter.drawLine(x, area.top(), x, bottom);
    }
    if (m_channel.grid > 0 && m_channel.maximum > m_channel.minimum) {
        const int lines = static_cast<int>(
            std::floor((m_channel.maximum - m_channel.minimum) / m_channel.grid + 1e-6));
        for (int i = 0; i <= lines; ++i) {
            const int y =
                graph_row(m_channel, m_channel.minimum + i * m_channel.grid, bottom, height);
            painter.drawLine(area.left(), y, area.left() + width, y);
        }
    }
    if (m_keys == nullptr || m_keys->empty()) {
        return;
    }

    // The curve, sampled at 101 times, with the keys on it.
    const std::vector<EnvelopeKey>& keys = *m_keys;
    QPoint previous;
    for (int i = 0; i <= 100; ++i) {
        const float time = time_of_percent(i);
        const QPoint point = pixel_of(time, evaluate_envelope(keys, time));
        painter.setPen(Qt::blue);
        if (i > 0) {
            painter.drawLine(previous, point);
        }
        previous = point;
    }
    for (int i = 0; i <= 100; ++i) {
        const float time = time_of_percent(i);
        if (envelope_key_at(keys, time) >= 0) {
            const QPoint point = pixel_of(time, evaluate_envelope(keys, time));
            painter.fillRect(
                QRect(QPoint(point.x() - 3, point.y() - 3), QPoint(point.x() + 3, point.y() + 3)),
                Qt::black);
        }
    }

    // The current time, drawn so that it shows on any colour beneath.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::cyan);
    const float now = time_of_percent(m_percent);
    const QPoint marker = pixel_of(now, evaluate_envelope(keys, now));
    painter.drawLine(marker.x(), area.top(), marker.x(), bottom);
    if (envelope_key_at(keys, now) >= 0) {
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            QRect(QPoint(marker.x() - 3, marker.y() - 3), QPoint(marker.x() + 3, marker.y() + 3)));
    }
}

GraphPoint EnvelopeGraph::point_at(const QPointF& position) const {
    const QRect area = graph_area();
    return graph_point(m_channel, position.x() - area.left(), position.y() - area.top(),
                       area.width() - 1, area.height() - 1);
}

void EnvelopeGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !graph_area().contains(event->position().toPoint())) {
        QFrame::mousePressEvent(event);
        return;
    }
    if (pressed) {
        pressed(point_at(event->position()));
    }
    event->accept();
}

void EnvelopeGraph::mouseMoveEvent(QMouseEvent* event) {
    if (dragging && moved) {
        moved(point_at(event->position()));
        event->accept();
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void EnvelopeGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging && released) {
        released(point_at(event->position()));
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

void EnvelopeGraph::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is a press as far as the graph goes.
    mousePressEvent(event);
}

}  // namespace kdr::gui

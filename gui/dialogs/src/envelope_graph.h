#pragma once
// Control 1102 of the envelope editor: the envelope's curve over time on a
// grid, its keys as black squares and the current time as a cyan marker.
// Mouse presses, movements and releases inside the graph (and, while a key
// is dragged, anywhere) are handed to the editor as graph points.

#include <QFrame>

#include <functional>
#include <vector>

#include "kaleidra/gui/envelope_editing.h"

namespace kdr::gui {

class EnvelopeGraph : public QFrame {
  public:
    explicit EnvelopeGraph(QWidget* parent);

    // What the graph draws; `keys` must outlive the next paint.
    void show_curve(const EnvelopeChannel& channel, const std::vector<EnvelopeKey>* keys,
                    int percent);

    // The area curves are drawn in and points are measured from.
    QRect graph_area() const;
    // The pixel of (time, value) in the graph.
    QPoint pixel_of(float time, float value) const;

    std::function<void(GraphPoint)> pressed;
    std::function<void(GraphPoint)> moved;
    std::function<void(GraphPoint)> released;
    // Set by the editor while a key is dragged.
    bool dragging = false;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    GraphPoint point_at(const QPointF& position) const;

    EnvelopeChannel m_channel;
    const std::vector<EnvelopeKey>* m_keys = nullptr;
    int m_percent = 0;
};

}  // namespace kdr::gui

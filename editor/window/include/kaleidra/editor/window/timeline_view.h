#pragma once
// The main window's client area: the ruler with its time codes, the track
// labels, a row per track with a box per item (thumbnail and label), the
// horizontal scroll bar (1004) and the cursor line under the mouse. The
// mouse moves items (size-all cursor) and sizes them by their right edge
// (horizontal-size cursor); a place the placement check refuses shows the
// "no" cursor and leaves the item where it was. Dragging past either edge
// scrolls one frame every 200 ms.
//
// The view edits the project the window owns and tells the window through
// TimelineHost what the status bar should say, that the selection changed,
// and that an effect was double-clicked. Where the original drew the cursor
// line and the drag band in XOR mode, this view repaints. GUI thread only.

#include <QImage>
#include <QWidget>

#include <map>

#include "kaleidra/editor/project.h"
#include "kaleidra/editor/window/timeline_geometry.h"

class QScrollBar;
class QTimer;

namespace kdr::editor::window {

class TimelineHost {
  public:
    virtual void show_status(const QString& text) = 0;
    // After every mouse button: the selected item may have changed.
    virtual void selection_changed() = 0;
    virtual void effect_activated(TimelineItem& effect) = 0;
    // After every redraw of the track area (the title shows "*" once the
    // project is modified).
    virtual void timeline_redrawn() = 0;

  protected:
    ~TimelineHost() = default;
};

class TimelineView : public QWidget {
  public:
    TimelineView(Project& project, TimelineHost& host, QWidget* parent = nullptr);

    // Height of the status bar below the view: the layout counts it as
    // client area, as the window's status bar was part of it.
    void set_status_height(int height);

    // Recomputes the project's derived values for the current size and
    // repaints everything.
    void redraw();
    // Forgets the pictures drawn from items (after the project was cleared
    // or reloaded).
    void forget_pictures();

    ClientLayout layout() const;
    QScrollBar* scroll_bar() const { return m_scroll; }
    // The frame the auto-scroll timers are running for, for tests: 103
    // right, 104 left, 0 none.
    int auto_scroll_timer() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void recompute();
    void mouse_moved(QPoint position);
    void drag_to(std::int32_t row, std::int32_t frame);
    void stop_auto_scroll();
    void scrolled(int action);
    void update_scroll_bar();
    void paint_labels(class QPainter& painter, const ClientLayout& layout);
    void paint_tracks(class QPainter& painter, const ClientLayout& layout);
    void paint_item(class QPainter& painter, const TrackArea& area, const TimelineItem& item);
    void paint_ruler(class QPainter& painter, const ClientLayout& layout);
    const QImage& picture_of(const TimelineItem& item);

    Project& m_project;
    TimelineHost& m_host;
    QScrollBar* m_scroll = nullptr;
    QTimer* m_right_timer = nullptr;
    QTimer* m_left_timer = nullptr;
    QPoint m_last_mouse{-1, -1};
    int m_status_height = 0;
    Qt::CursorShape m_cursor = Qt::ArrowCursor;

    struct CachedPicture {
        const void* pixels = nullptr;
        std::int32_t width = 0;
        std::int32_t height = 0;
        QImage picture;
    };
    std::map<const TimelineItem*, CachedPicture> m_pictures;
};

// The colour of items on `track` (the table repeats after track 21).
QColor track_colour(std::int32_t track);

}  // namespace kdr::editor::window

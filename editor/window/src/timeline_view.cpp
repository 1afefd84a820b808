#include "kaleidra/editor/window/timeline_view.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "kaleidra/editor/placement.h"
#include "record_image.h"

namespace kdr::editor::window {
namespace {

// 0x00BBGGRR, by track.
constexpr std::uint32_t item_colours[] = {
    0xFFBFBF, 0xFF5A5A, 0x8BD245, 0x2C33DD, 0x45D1D2, 0x2868B0, 0xB09628, 0x46612E,
    0x612E50, 0x67A3D1, 0xA943D7, 0xCD8D8D, 0xCD2828, 0x59A013, 0x0001AB, 0x139FA0,
    0x00367E, 0x7E6400, 0x142F00, 0x2F001E, 0x35719F, 0x7711A5};

QColor colour_ref(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

const QColor track_background = colour_ref(0xC0C0C0);
const QColor selected_row_background = colour_ref(0xE0E0E0);
const QColor item_outline = colour_ref(0x5A5A5A);
const QColor selected_outline = colour_ref(0x0000FF);

QRect rect_of(const PixelRect& area) {
    return QRect(QPoint(area.left, area.top), QPoint(area.right, area.bottom));
}

// The sunken edge the window draws around its three areas, two pixels out.
void sunken_edge(QPainter& painter, const PixelRect& area, const QPalette& palette) {
    const QRect edge = rect_of(area).adjusted(-2, -2, 2, 2);
    qDrawShadePanel(&painter, edge, palette, true, 2);
}

constexpr int auto_scroll_interval = 200;

}  // namespace

QColor track_colour(std::int32_t track) {
    const std::int32_t count = static_cast<std::int32_t>(std::size(item_colours));
    return colour_ref(item_colours[((track % count) + count) % count]);
}

TimelineView::TimelineView(Project& project, TimelineHost& host, QWidget* parent)
    : QWidget(parent), m_project(project), m_host(host) {
    setObjectName("timeline");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName("1004");
    m_scroll->setRange(0, 100);
    m_scroll->setPageStep(101);
    connect(m_scroll, &QScrollBar::actionTriggered, this, [this](int action) { scrolled(action); });
    m_right_timer = new QTimer(this);
    m_right_timer->setObjectName("103");
    m_right_timer->setInterval(auto_scroll_interval);
    m_left_timer = new QTimer(this);
    m_left_timer->setObjectName("104");
    m_left_timer->setInterval(auto_scroll_interval);
    for (QTimer* timer : {m_right_timer, m_left_timer}) {
        connect(timer, &QTimer::timeout, this, [this] { mouse_moved(m_last_mouse); });
    }
}

void TimelineView::set_status_height(int height) {
    m_status_height = std::max(height, 0);
    redraw();
}

ClientLayout TimelineView::layout() const {
    return client_layout(width(), height() + m_status_height);
}

int TimelineView::auto_scroll_timer() const {
    if (m_right_timer->isActive()) {
        return 103;
    }
    return m_left_timer->isActive() ? 104 : 0;
}

void TimelineView::recompute() {
    m_project.recompute();
    m_project.recompute_view(track_area_of(layout()));
}

void TimelineView::redraw() {
    recompute();
    const ClientLayout area = layout();
    m_scroll->setGeometry(rect_of(area.scroll));
    update_scroll_bar();
    update();
    m_host.timeline_redrawn();
}

void TimelineView::forget_pictures() {
    m_pictures.clear();
}

void TimelineView::resizeEvent(QResizeEvent*) {
    redraw();
}

void TimelineView::update_scroll_bar() {
    const std::int32_t visible = std::max(m_project.visible_frames, 1);
    std::int64_t end = m_project.project_length;
    if (m_project.project_length < m_project.view_start) {
        end = std::int64_t{m_project.view_start} + visible;
    }
    const QSignalBlocker quiet(m_scroll);
    const std::int64_t top = std::max<std::int64_t>(end - visible, 0);
    const int last = static_cast<int>(std::min<std::int64_t>(top, INT32_MAX));
    m_scroll->setRange(0, std::max(last, m_project.view_start));
    m_scroll->setPageStep(visible);
    m_scroll->setSingleStep(1);
    m_scroll->setValue(m_project.view_start);
    // Disabled rather than hidden when nothing scrolls.
    m_scroll->setEnabled(end > visible || m_project.view_start > 0);
}

void TimelineView::scrolled(int action) {
    std::int64_t start = m_project.view_start;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            start -= 1;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            start += 1;
            break;
        case QAbstractSlider::SliderPageStepSub:
            start -= m_project.visible_frames;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            start += m_project.visible_frames;
            break;
        case QAbstractSlider::SliderToMinimum:
            start = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            start = std::int64_t{m_project.project_length} - m_project.visible_frames;
            break;
        case QAbstractSlider::SliderMove:
            start = m_scroll->sliderPosition();
            break;
        default:
            return;
    }
    m_project.view_start =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, max_project_frames));
    redraw();
    // The slider itself would move on by its own step after this signal.
    m_scroll->setSliderPosition(m_project.view_start);
}

void TimelineView::stop_auto_scroll() {
    m_right_timer->stop();
    m_left_timer->stop();
}

void TimelineView::mouse_moved(QPoint position) {
    m_last_mouse = position;
    const TrackArea area = track_area_of(layout());
    const bool dragging = m_project.drag_mode != DragMode::none;
    stop_auto_scroll();
    std::int32_t x = position.x() - area.left;
    const std::int32_t y = position.y() - area.top;
    Hit hit = hit_test(m_project, x, y);
    if (dragging) {
        const auto shown_width = static_cast<std::int32_t>(
            static_cast<double>(m_project.visible_frames) * m_project.pixels_per_frame);
        if (hit.frame < 0 && x >= shown_width && shown_width > 0) {
            m_right_timer->start();
            x = shown_width - 1;
            if (m_project.view_start < max_project_frames) {
                m_project.view_start += 1;
            }
            hit = hit_test(m_project, x, y);
        } else if (x < 0) {
            m_left_timer->start();
            x = 0;
            m_project.view_start = std::max(m_project.view_start - 1, 0);
            hit = hit_test(m_project, x, y);
        }
    }
    m_project.mouse_row = hit.row;
    m_project.mouse_frame = hit.frame;
    m_project.mouse_item = hit.item;

    if (dragging) {
        if (hit.row >= 0 && hit.frame >= 0) {
            drag_to(hit.row, hit.frame);
        }
        if (TimelineItem* item = m_project.selected_item) {
            const std::string name = display_name(*item);
            const std::int32_t rate = m_project.output.rate;
            m_host.show_status(
                m_project.drag_mode == DragMode::moving
                    ? QStringLiteral("Moving %1 - Start: %2")
                          .arg(QString::fromStdString(name),
                               QString::fromStdString(time_code(item->start, rate)))
                    : QStringLiteral("Sizing %1 - Length %2")
                          .arg(QString::fromStdString(name),
                               QString::fromStdString(time_code(item->length, rate))));
        }
        update_scroll_bar();
        update();
        return;
    }
    if (hit.item != nullptr) {
        const bool effect = hit.item->kind == ItemKind::effect;
        if (in_size_zone(m_project, *hit.item, x)) {
            m_cursor = Qt::SizeHorCursor;
            m_host.show_status(
                effect ? QStringLiteral("Click to size this object.  Double-click to change "
                                        "options.")
                       : QStringLiteral("Click left mouse button to size this object."));
        } else {
            m_cursor = Qt::SizeAllCursor;
            m_host.show_status(
                effect ? QStringLiteral("Click to move object.  Double-click to change options.")
                       : QStringLiteral("Click left mouse button to move this object."));
        }
    } else {
        m_cursor = Qt::ArrowCursor;
        m_host.show_status(QString());
    }
    setCursor(m_cursor);
    update();
}

void TimelineView::drag_to(std::int32_t row, std::int32_t frame) {
    TimelineItem* item = m_project.selected_item;
    if (item == nullptr) {
        return;
    }
    if (m_project.drag_mode == DragMode::moving) {
        const std::int64_t start = std::int64_t{frame} - m_project.grab_offset;
        const PlacementCheck check =
            start < INT32_MIN ? PlacementCheck{}
                              : check_placement(m_project, *item, static_cast<std::int32_t>(start),
                                                row, item->length);
        if (check.placement != Placement::free) {
            m_cursor = Qt::ForbiddenCursor;
        } else {
            if (item->start != start || item->track != row) {
                m_project.modified = true;
            }
            item->start = static_cast<std::int32_t>(start);
            if (item->track != row) {
                item->track = row;
                m_project.selected_track = row;
            }
            m_cursor = Qt::SizeAllCursor;
        }
    } else {
        const std::int64_t length = std::int64_t{frame} - item->start;
        const PlacementCheck check =
            length > INT32_MAX ? PlacementCheck{}
                               : check_placement(m_project, *item, item->start, item->track,
                                                 static_cast<std::int32_t>(length));
        if (check.placement != Placement::free) {
            m_cursor = Qt::ForbiddenCursor;
        } else {
            if (item->length != length) {
                m_project.modified = true;
            }
            item->length = static_cast<std::int32_t>(length);
            m_cursor = Qt::SizeHorCursor;
        }
    }
    setCursor(m_cursor);
    m_host.timeline_redrawn();
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    mouse_moved(event->position().toPoint());
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    mouse_moved(event->position().toPoint());
    if (m_project.mouse_row != m_project.selected_track) {
        m_project.selected_track = m_project.mouse_row;
    }
    m_project.selected_item = nullptr;
    if (TimelineItem* item = m_project.mouse_item) {
        m_project.selected_item = item;
        m_project.grab_offset = m_project.mouse_frame - item->start;
        m_project.drag_mode = m_cursor == Qt::SizeHorCursor ? DragMode::sizing : DragMode::moving;
    }
    m_host.show_status(QString());
    update();
    m_host.selection_changed();
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    mouse_moved(event->position().toPoint());
    stop_auto_scroll();
    if (m_project.drag_mode != DragMode::none) {
        m_project.drag_mode = DragMode::none;
        redraw();
        m_host.show_status(QString());
    }
    m_host.selection_changed();
}

void TimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    mouse_moved(event->position().toPoint());
    if (m_project.selected_item != nullptr && m_project.selected_item->kind == ItemKind::effect) {
        m_project.drag_mode = DragMode::none;
        m_host.effect_activated(*m_project.selected_item);
    }
    m_host.selection_changed();
}

void TimelineView::leaveEvent(QEvent*) {
    if (m_project.drag_mode == DragMode::none) {
        m_project.mouse_row = -1;
        m_project.mouse_frame = -1;
        m_project.mouse_item = nullptr;
        update();
    }
}

const QImage& TimelineView::picture_of(const TimelineItem& item) {
    CachedPicture& cached = m_pictures[&item];
    const ImageRecord& image = item.image();
    if (cached.pixels != image.buffer || cached.width != item.width ||
        cached.height != item.height) {
        cached.pixels = image.buffer;
        cached.width = item.width;
        cached.height = item.height;
        cached.picture = image.buffer != nullptr ? gui::record_to_image(image) : QImage();
    }
    return cached.picture;
}

void TimelineView::paintEvent(QPaintEvent*) {
    if (m_project.drag_mode == DragMode::none) {
        // Derived values stay as they are while a drag runs, so the item
        // does not jump under the mouse when the project grows.
        recompute();
        update_scroll_bar();
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const ClientLayout area = layout();
    paint_labels(painter, area);
    paint_tracks(painter, area);
    paint_ruler(painter, area);
}

void TimelineView::paint_labels(QPainter& painter, const ClientLayout& layout) {
    sunken_edge(painter, layout.labels, palette());
    const QRect labels = rect_of(layout.labels);
    painter.save();
    painter.setClipRect(labels);
    painter.fillRect(labels, track_background);
    const double rh = m_project.row_height;
    for (std::int32_t row = 0; row < m_project.track_rows; ++row) {
        const int top = layout.labels.top + static_cast<int>(rh * row);
        const int bottom = layout.labels.top + static_cast<int>(rh * (row + 1)) - 1;
        const QRect cell(QPoint(labels.left(), top), QPoint(labels.right(), bottom));
        if (row == m_project.selected_track) {
            painter.fillRect(cell, selected_row_background);
        }
        if (row > 0) {
            painter.setPen(Qt::black);
            painter.drawLine(labels.left(), top, labels.right(), top);
        }
        painter.setPen(Qt::black);
        painter.drawText(cell, Qt::AlignCenter,
                         row == 0 ? QStringLiteral("KDR") : QString::number(row));
    }
    painter.restore();
}

void TimelineView::paint_tracks(QPainter& painter, const ClientLayout& layout) {
    sunken_edge(painter, layout.track, palette());
    const QRect tracks = rect_of(layout.track);
    const TrackArea area = track_area_of(layout);
    painter.save();
    painter.setClipRect(tracks);
    painter.fillRect(tracks, track_background);
    const double rh = m_project.row_height;
    if (m_project.selected_track >= 0) {
        const int top = area.top + static_cast<int>(rh * m_project.selected_track);
        const int bottom = area.top + static_cast<int>(rh * (m_project.selected_track + 1)) - 1;
        painter.fillRect(QRect(QPoint(tracks.left(), top), QPoint(tracks.right(), bottom)),
                         selected_row_background);
    }
    for (const auto& item : m_project.items()) {
        if (item->track == 0) {
            paint_item(painter, area, *item);
        }
    }
    painter.setPen(Qt::black);
    for (std::int32_t row = 1; row < m_project.track_rows; ++row) {
        const int top = area.top + static_cast<int>(rh * row);
        painter.drawLine(tracks.left(), top, tracks.right(), top);
    }
    for (const auto& item : m_project.items()) {
        if (item->track != 0) {
            paint_item(painter, area, *item);
        }
    }
    painter.restore();
}

void TimelineView::paint_item(QPainter& painter, const TrackArea& area, const TimelineItem& item) {
    const ItemBox box = item_box(m_project, area, item);
    const QRect rect = rect_of(box.box);
    const bool selected = &item == m_project.selected_item;
    painter.fillRect(rect, track_colour(item.track));
    QPen pen(selected ? selected_outline : item_outline);
    pen.setStyle(selected ? Qt::DotLine : Qt::SolidLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    if (m_project.drag_mode != DragMode::none && selected) {
        return;  // outline only while the item is dragged
    }
    const ThumbnailPlace thumb = thumbnail_place(m_project, area, item);
    if (thumb.visible) {
        const QImage& picture = picture_of(item);
        if (!picture.isNull()) {
            painter.drawImage(rect_of(thumb.place), picture);
        }
    }
    painter.save();
    painter.setClipRect(rect.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    painter.setPen(Qt::black);
    painter.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs,
                     QString::fromStdString(item_label(item)));
    painter.restore();
}

void TimelineView::paint_ruler(QPainter& painter, const ClientLayout& layout) {
    sunken_edge(painter, layout.ruler, palette());
    const QRect ruler = rect_of(layout.ruler);
    const TrackArea area = track_area_of(layout);
    painter.save();
    painter.setClipRect(ruler);
    painter.fillRect(ruler, Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const int label_width = metrics.horizontalAdvance(QStringLiteral("00:00:00:00"));
    const RulerTicks ticks = ruler_ticks(m_project.pixels_per_frame, label_width);
    const int height = ruler.height();
    const std::int64_t label_step = std::int64_t{ticks.label_every} * ticks.step;
    painter.setPen(Qt::black);
    for (std::int64_t k = 0;; ++k) {
        const double x = ruler.left() + ticks.spacing * static_cast<double>(k);
        if (x > ruler.right() || k > 100000) {
            break;
        }
        const std::int64_t frame = m_project.view_start + k * ticks.step;
        const int tick_x = static_cast<int>(x);
        if (frame % label_step == 0) {
            painter.drawLine(tick_x, ruler.top() + height / 2, tick_x, ruler.bottom());
            const QString code = QString::fromStdString(time_code(frame, m_project.output.rate));
            const int text_width = metrics.horizontalAdvance(code);
            painter.drawText(
                QRect(tick_x - text_width / 2, ruler.top(), text_width, height / 2 + 2),
                Qt::AlignCenter, code);
        } else {
            painter.drawLine(tick_x, ruler.top() + height * 3 / 4, tick_x, ruler.bottom());
        }
    }
    // The drag band over the ruler, then the cursor line, both inverting
    // what lies under them.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (m_project.drag_mode != DragMode::none && m_project.selected_item != nullptr) {
        const TimelineItem& item = *m_project.selected_item;
        const int left = cursor_x(m_project, area, item.start);
        const int right =
            cursor_x(m_project, area,
                     static_cast<std::int32_t>(std::min<std::int64_t>(item.end(), INT32_MAX)));
        painter.fillRect(QRect(QPoint(left, ruler.top()), QPoint(right, ruler.bottom())),
                         QColor(0, 255, 255));
    }
    if (m_project.mouse_row >= 0 && m_project.mouse_frame >= 0) {
        const int x = cursor_x(m_project, area, m_project.mouse_frame);
        painter.fillRect(QRect(x, ruler.top(), 2, height), QColor(0, 255, 255));
    }
    painter.restore();
}

}  // namespace kdr::editor::window

#pragma once
// Dialog units and control tables. The pages and editors are laid out in
// dialog units: x units are quarters of the dialog font's average character
// width, y units eighths of its height, so a page keeps its arrangement
// whatever font the desktop uses. A page describes its controls as a table
// (id, kind, text, position in dialog units) and create_controls() makes
// the widgets, each named by its numeric id so that tests, the dialog
// script and context help find it.

#include <QFont>
#include <QRect>
#include <QSize>

#include <span>
#include <vector>

class QWidget;

namespace kdr::gui {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

    double average_width() const { return m_average_width; }
    int line_height() const { return m_height; }

  private:
    double m_average_width;
    int m_height;
};

enum class ControlKind {
    group_box,  // a titled frame drawn behind the controls it encloses
    label,      // static text; two lines high (16 units or more), it wraps
    push_button,
    radio_button,  // with style starts_group, begins a new exclusive group
    check_box,
    drop_down_list,  // the height is the dropped list's; the control keeps its own
    trackbar,        // horizontal, tick marks below
    progress_bar,    // 0 to 100, no text
    read_only_text,  // multi-line, bordered, vertical scroll bar
    sunken_frame,    // an empty sunken rectangle
    line_edit,
    sunken_label,  // static text in a sunken frame
    etched_line,   // a horizontal etched line separating groups
    push_radio,    // a push button that stays down, one of an exclusive group
    push_check,    // a push button that stays down until pressed again
};

enum ControlStyle : unsigned {
    style_none = 0,
    starts_group = 1,    // radio buttons: the first of a group
    sorted = 2,          // drop-down lists keep their entries sorted (the page sorts)
    numbers_only = 4,    // edits
    label_for_next = 8,  // labels: names the next control, which moves right
                         // (keeping its right edge) when the text needs room
    align_right = 16,    // labels: text at the right edge
};

// A width or height of 0 takes the control's natural size.
struct ControlEntry {
    int id;  // -1: a control without id (labels, frames)
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    unsigned style = style_none;
};

// Creates the controls of `entries` as children of `parent`, in table order
// (later controls lie above earlier ones), and returns them in that order.
std::vector<QWidget*> create_controls(QWidget* parent, std::span<const ControlEntry> entries,
                                      const DialogUnits& units);

// The first child of `parent` named `id`, or null.
QWidget* find_control(const QWidget* parent, int id);

}  // namespace kdr::gui

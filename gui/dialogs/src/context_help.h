#pragma once
// Context help: which help topic explains a control, and opening the help
// file there. Topics are anchors of the HTML help file "HELP/KDRSlct.html".

class QWidget;

namespace kdr::gui {

// The topic of a control id from the control-to-topic table (the first pair
// for an id wins: 1509 is the shared panel's speed, topic 7); 0 when the id
// has none.
int help_topic(int control_id);

// The id of `widget` or of its nearest ancestor whose name is a number, or
// -1.
int control_id_of(const QWidget* widget);

// Opens the help viewer of `from`'s window at `topic` (0: the contents).
void open_help(QWidget* from, int topic);

}  // namespace kdr::gui

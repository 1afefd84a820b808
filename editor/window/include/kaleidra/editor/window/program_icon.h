#pragma once
// Reelbench's icon, drawn rather than stored: a strip of film with three
// coloured frames, the middle one turned as a transition turns a picture.
// The window uses it, and the build writes it as PNG files for the
// desktop's icon theme. Needs no running application.

#include <QImage>

namespace kdr::editor::window {

QImage program_icon(int size);

}  // namespace kdr::editor::window

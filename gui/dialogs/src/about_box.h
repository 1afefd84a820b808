#pragma once
// The about box (dialog 101 "About Kaleidra"): the title in bold 28-pixel
// Arial on static 1085, the release in bold 18-pixel Arial on 1087, two
// pictures rendered by our own engine from shipped effects (125 and 126)
// and a block of contact text (1142). Any button, Enter or Escape closes it.

#include <QDialog>

namespace kdr::gui {

class AboutBox : public QDialog {
  public:
    // Null texts give "Kaleidra" and "Release 3".
    AboutBox(const char* title, const char* release, QWidget* parent);
};

// Runs the box modally over `parent` (may be null); 0 once it was shown and
// closed. `outermost` when no other dialog of the library is open (the
// dialog script then drives it).
int run_about_box(QWidget* parent, const char* title, const char* release, bool outermost);

}  // namespace kdr::gui

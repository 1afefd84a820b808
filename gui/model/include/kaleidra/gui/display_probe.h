#pragma once
// Whether a window system can be reached before anything asks Qt for one:
// Qt's X11 platform ends the whole process when it cannot connect, which a
// library inside a host must never do. A platform named in QT_QPA_PLATFORM
// (for example "offscreen") is trusted as it is; otherwise the X display in
// DISPLAY must accept a connection (Wayland desktops offer one through their
// X server; Qt may still choose Wayland itself when both are there).

#include <string>

namespace kdr::gui {

struct DisplayProbe {
    bool usable = false;
    std::string reason;  // why not, for messages of programs
};

DisplayProbe probe_display();

}  // namespace kdr::gui

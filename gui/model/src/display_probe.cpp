#include "kaleidra/gui/display_probe.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace kdr::gui {
namespace {

const char* variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

bool x_display_opens(const char* name) {
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

}  // namespace

DisplayProbe probe_display() {
    if (variable("QT_QPA_PLATFORM") != nullptr) {
        return {true, {}};
    }
    const char* x_display = variable("DISPLAY");
    if (x_display != nullptr && x_display_opens(x_display)) {
        return {true, {}};
    }
    if (x_display != nullptr) {
        return {false, std::string("the X display \"") + x_display + "\" cannot be opened"};
    }
    return {false, "no display: DISPLAY is not set"};
}

}  // namespace kdr::gui

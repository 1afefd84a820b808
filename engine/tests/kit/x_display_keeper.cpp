#include "x_display_keeper.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace kdr::test {

void keep_glx_driver_loaded() {
    static Display* kept = [] {
        XInitThreads();
        Display* display = XOpenDisplay(nullptr);
        if (display != nullptr) {
            int count = 0;
            GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
            if (configs != nullptr) {
                XFree(configs);
            }
        }
        // Never closed: the server may be gone by the time the program ends,
        // and nothing is sent on this connection after this point.
        return display;
    }();
    static_cast<void>(kept);
}

}  // namespace kdr::test

#include "kaleidra/gl/glx_surface.h"

// Xlib defines macros (None, Status, Bool) that collide with ordinary names,
// so it is included only here.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <mutex>

namespace kdr::gl {

namespace {

// X errors during creation (a visual the server refuses, a context that
// cannot be made) would otherwise reach Xlib's default handler, which ends
// the process. The trap catches them for the few requests it guards; the
// handler is process-wide, so traps are taken one at a time.
std::mutex trap_mutex;
int trapped_error = 0;

int record_error(Display* /*display*/, XErrorEvent* event) {
    trapped_error = event->error_code;
    return 0;
}

class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : m_display(display), m_lock(trap_mutex) {
        XSync(m_display, False);
        trapped_error = 0;
        m_previous = XSetErrorHandler(record_error);
    }
    ~ErrorTrap() {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // True when a guarded request failed (waits for the server's answers).
    bool failed() {
        XSync(m_display, False);
        return trapped_error != 0;
    }

  private:
    Display* m_display;
    std::lock_guard<std::mutex> m_lock;
    XErrorHandler m_previous = nullptr;
};

void* resolve_glx(const char* name, void* /*user*/) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

int attribute(Display* display, GLXFBConfig config, int name) {
    int value = 0;
    glXGetFBConfigAttrib(display, config, name, &value);
    return value;
}

// A single-buffered true-colour window configuration with 8 bits per colour
// and a 24-bit depth buffer, the depth the memory surface has, so that both
// engines resolve depth alike. Exact matches are preferred over larger ones.
GLXFBConfig choose_config(Display* display) {
    const int wanted[] = {GLX_X_RENDERABLE,
                          True,
                          GLX_DRAWABLE_TYPE,
                          GLX_WINDOW_BIT,
                          GLX_RENDER_TYPE,
                          GLX_RGBA_BIT,
                          GLX_X_VISUAL_TYPE,
                          GLX_TRUE_COLOR,
                          GLX_RED_SIZE,
                          8,
                          GLX_GREEN_SIZE,
                          8,
                          GLX_BLUE_SIZE,
                          8,
                          GLX_DEPTH_SIZE,
                          24,
                          GLX_DOUBLEBUFFER,
                          False,
                          None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    if (configs == nullptr) {
        return nullptr;
    }
    GLXFBConfig best = nullptr;
    int best_score = -1;
    for (int i = 0; i < count; ++i) {
        int score = 0;
        score += attribute(display, configs[i], GLX_RED_SIZE) == 8 ? 8 : 0;
        score += attribute(display, configs[i], GLX_DEPTH_SIZE) == 24 ? 4 : 0;
        score += attribute(display, configs[i], GLX_ACCUM_RED_SIZE) == 0 ? 2 : 0;
        score += attribute(display, configs[i], GLX_STENCIL_SIZE) == 0 ? 1 : 0;
        if (score > best_score) {
            best = configs[i];
            best_score = score;
        }
    }
    XFree(configs);
    return best;
}

}  // namespace

void prepare_xlib_threads() {
    static std::once_flag once;
    std::call_once(once, [] { XInitThreads(); });
}

struct GlxSurface::X11 {
    Display* display = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;

    ~X11() {
        if (display == nullptr) {
            return;
        }
        if (context != nullptr) {
            if (glXGetCurrentContext() == context) {
                glXMakeCurrent(display, None, nullptr);
            }
            glXDestroyContext(display, context);
        }
        if (window != 0) {
            XDestroyWindow(display, window);
        }
        if (colormap != 0) {
            XFreeColormap(display, colormap);
        }
        XCloseDisplay(display);
    }
};

GlxSurface::GlxSurface(std::uint32_t width, std::uint32_t height)
    : Surface(width, height), m_x(std::make_unique<X11>()) {}

GlxSurface::~GlxSurface() = default;

Result<std::unique_ptr<GlxSurface>> GlxSurface::create(const GlxSurfaceOptions& options) {
    if (options.width == 0 || options.height == 0 || options.width > max_surface_size ||
        options.height > max_surface_size) {
        return Error{"a window surface of " + std::to_string(options.width) + " x " +
                     std::to_string(options.height) + " pixels cannot be made"};
    }
    prepare_xlib_threads();

    std::unique_ptr<GlxSurface> surface(new GlxSurface(options.width, options.height));
    X11& x = *surface->m_x;
    x.display = XOpenDisplay(options.display_name.empty() ? nullptr : options.display_name.c_str());
    if (x.display == nullptr) {
        return Error{"cannot open the X display" + (options.display_name.empty()
                                                        ? std::string()
                                                        : " \"" + options.display_name + "\"")};
    }
    int error_base = 0;
    int event_base = 0;
    if (!glXQueryExtension(x.display, &error_base, &event_base)) {
        return Error{"the X display has no GLX extension"};
    }
    const char* missing = nullptr;
    if (!load_gl_api(surface->m_gl, resolve_glx, nullptr, &missing)) {
        return Error{std::string("the GLX library lacks ") + missing};
    }
    GLXFBConfig config = choose_config(x.display);
    if (config == nullptr) {
        return Error{"the X display offers no 24-bit window configuration with a depth buffer"};
    }
    XVisualInfo* visual = glXGetVisualFromFBConfig(x.display, config);
    if (visual == nullptr) {
        return Error{"the chosen GLX configuration has no X visual"};
    }
    {
        ErrorTrap trap(x.display);
        Window root = RootWindow(x.display, visual->screen);
        x.colormap = XCreateColormap(x.display, root, visual->visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = x.colormap;
        attributes.override_redirect = True;
        attributes.border_pixel = 0;
        attributes.background_pixmap = None;
        x.window = XCreateWindow(x.display, root, options.x, options.y, options.width,
                                 options.height, 0, visual->depth, InputOutput, visual->visual,
                                 CWColormap | CWOverrideRedirect | CWBorderPixel | CWBackPixmap,
                                 &attributes);
        XFree(visual);
        if (trap.failed() || x.window == 0) {
            x.window = 0;
            return Error{"cannot create the drawing window"};
        }
        XStoreName(x.display, x.window, "KDR_RND_WIN");
        x.context = glXCreateNewContext(x.display, config, GLX_RGBA_TYPE, nullptr, True);
        if (trap.failed() || x.context == nullptr) {
            x.context = nullptr;
            return Error{"cannot create a GLX context for the drawing window"};
        }
    }
    surface->m_pixels.assign(static_cast<std::size_t>(options.width) * options.height * 4, 0);
    return surface;
}

bool GlxSurface::make_current() {
    return glXMakeCurrent(m_x->display, m_x->window, m_x->context) == True;
}

void GlxSurface::release_current() {
    glXMakeCurrent(m_x->display, None, nullptr);
}

std::uint8_t* GlxSurface::finish_and_read() {
    // Reading waits for the drawing; only the rows in force are read. The
    // window's lowest row is the bitmap's first.
    m_gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    m_gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    m_gl.PixelStorei(GL_PACK_SKIP_ROWS, 0);
    m_gl.PixelStorei(GL_PACK_SKIP_PIXELS, 0);
    m_gl.ReadBuffer(GL_FRONT);
    const auto first = static_cast<std::size_t>(window_first_row());
    m_gl.ReadPixels(0, window_first_row(), static_cast<GLsizei>(m_width),
                    static_cast<GLsizei>(m_row_count), GL_BGRA, GL_UNSIGNED_BYTE,
                    m_pixels.data() + first * m_width * 4);
    return m_pixels.data();
}

unsigned long GlxSurface::window_id() const {
    return m_x->window;
}

void GlxSurface::show() {
    XMapRaised(m_x->display, m_x->window);
    XFlush(m_x->display);
}

}  // namespace kdr::gl

#include "kaleidra/gl/osmesa_surface.h"

#include <GL/osmesa.h>

#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

namespace kdr::gl {
namespace {

void* resolve_osmesa(const char* name, void* /*user*/) {
    return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

OSMesaContext as_context(void* context) {
    return static_cast<OSMesaContext>(context);
}

// The colour and depth textures take names far above those the drawing core
// chooses (3, 4 and 100 upward), so that no caller's name ever meets them.
constexpr GLuint colour_texture_name = 0x4b445201;
constexpr GLuint depth_texture_name = 0x4b445202;
constexpr GLuint kept_colour_name = 0x4b445203;
constexpr GLuint kept_depth_name = 0x4b445204;

#ifndef GL_PACK_INVERT_MESA
#define GL_PACK_INVERT_MESA 0x8758
#endif

}  // namespace

// The entry points beyond OpenGL 1.1 that drawing into our own framebuffer
// needs, and its objects.
struct OsMesaSurface::Framebuffer {
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLCLIPCONTROLPROC ClipControl = nullptr;
    PFNGLCLEARTEXSUBIMAGEPROC ClearTexSubImage = nullptr;
    PFNGLCOPYIMAGESUBDATAPROC CopyImageSubData = nullptr;  // may be missing: nothing is kept
    GLuint name = 0;

    bool resolve() {
        auto find = [](auto& entry, const char* entry_name) {
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
                OSMesaGetProcAddress(entry_name));
            return entry != nullptr;
        };
        return find(GenFramebuffers, "glGenFramebuffers") &&
               find(BindFramebuffer, "glBindFramebuffer") &&
               find(FramebufferTexture2D, "glFramebufferTexture2D") &&
               find(CheckFramebufferStatus, "glCheckFramebufferStatus") &&
               find(DeleteFramebuffers, "glDeleteFramebuffers") &&
               find(ClipControl, "glClipControl") && find(ClearTexSubImage, "glClearTexSubImage");
    }
    void resolve_copy() {
        CopyImageSubData =
            reinterpret_cast<PFNGLCOPYIMAGESUBDATAPROC>(OSMesaGetProcAddress("glCopyImageSubData"));
    }
};

OsMesaSurface::OsMesaSurface(std::uint32_t width, std::uint32_t height) : Surface(width, height) {}

Result<std::unique_ptr<OsMesaSurface>> OsMesaSurface::create(std::uint32_t width,
                                                             std::uint32_t height,
                                                             bool swap_red_blue,
                                                             OsMesaTarget wanted) {
    if (width == 0 || height == 0 || width > max_surface_size || height > max_surface_size) {
        return Error{"a memory surface of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels cannot be made"};
    }
    std::unique_ptr<OsMesaSurface> surface(new OsMesaSurface(width, height));
    const char* missing = nullptr;
    if (!load_gl_api(surface->m_gl, resolve_osmesa, nullptr, &missing)) {
        return Error{std::string("the off-screen OpenGL library lacks ") + missing};
    }
    // No stencil; accumulation is done by the drawing core.
    surface->m_swap_red_blue = swap_red_blue;
    surface->m_wanted = wanted;
    surface->m_context =
        OSMesaCreateContextExt(swap_red_blue ? OSMESA_RGBA : OSMESA_BGRA, 24, 0, 0, nullptr);
    if (surface->m_context == nullptr) {
        return Error{"cannot create an off-screen OpenGL context"};
    }
    surface->m_pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
    return surface;
}

OsMesaSurface::~OsMesaSurface() {
    // The context's objects, our framebuffer and its textures included, go
    // with it.
    if (m_context != nullptr) {
        OSMesaDestroyContext(as_context(m_context));
    }
}

bool OsMesaSurface::make_framebuffer() {
    auto framebuffer = std::make_unique<Framebuffer>();
    const char* extensions = reinterpret_cast<const char*>(m_gl.GetString(GL_EXTENSIONS));
    if (!framebuffer->resolve() || extensions == nullptr ||
        std::strstr(extensions, "GL_MESA_pack_invert") == nullptr) {
        return false;
    }
    GLint largest = 0;
    m_gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (static_cast<std::uint32_t>(largest) < m_width ||
        static_cast<std::uint32_t>(largest) < m_height) {
        return false;
    }
    const auto width = static_cast<GLsizei>(m_width);
    const auto height = static_cast<GLsizei>(m_height);
    const GLuint textures[2] = {colour_texture_name, depth_texture_name};
    m_gl.BindTexture(GL_TEXTURE_2D, colour_texture_name);
    m_gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                    nullptr);
    m_gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    m_gl.BindTexture(GL_TEXTURE_2D, depth_texture_name);
    m_gl.TexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width, height, 0, GL_DEPTH_COMPONENT,
                    GL_UNSIGNED_INT, nullptr);
    m_gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // The same depth precision as the library's own buffer, or pictures
    // could differ.
    GLint depth_bits = 0;
    m_gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE, &depth_bits);
    m_gl.BindTexture(GL_TEXTURE_2D, 0);

    framebuffer->GenFramebuffers(1, &framebuffer->name);
    framebuffer->BindFramebuffer(GL_FRAMEBUFFER, framebuffer->name);
    framebuffer->FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                      colour_texture_name, 0);
    framebuffer->FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D,
                                      depth_texture_name, 0);
    const bool complete = depth_bits == 24 && framebuffer->CheckFramebufferStatus(GL_FRAMEBUFFER) ==
                                                  GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        // The library's own buffer has its top row at the origin of the
        // rasteriser; the upper-left origin gives our framebuffer the same,
        // so that projection, rasterisation rules and facing are identical.
        framebuffer->ClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
        m_gl.Viewport(0, 0, width, height);
    }
    if (!complete || m_gl.GetError() != GL_NO_ERROR) {
        framebuffer->BindFramebuffer(GL_FRAMEBUFFER, 0);
        framebuffer->DeleteFramebuffers(1, &framebuffer->name);
        m_gl.DeleteTextures(2, textures);
        if (complete) {
            framebuffer->ClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
        }
        while (m_gl.GetError() != GL_NO_ERROR) {
        }
        return false;
    }
    // The library fills its table of texture store functions on first use
    // without synchronisation, so two contexts clearing a depth texture for
    // the first time at once can call through an entry not yet written. The
    // first clears of the process are made here, one thread at a time.
    static std::once_flag first_clears;
    std::call_once(first_clears, [&] {
        const std::uint8_t zero[4] = {0, 0, 0, 0};
        const GLfloat far_depth = 1;
        framebuffer->ClearTexSubImage(colour_texture_name, 0, 0, 0, 0, 1, 1, 1, GL_RGBA,
                                      GL_UNSIGNED_BYTE, zero);
        framebuffer->ClearTexSubImage(depth_texture_name, 0, 0, 0, 0, 1, 1, 1, GL_DEPTH_COMPONENT,
                                      GL_FLOAT, &far_depth);
        m_gl.Finish();
    });
    framebuffer->resolve_copy();
    m_framebuffer = std::move(framebuffer);
    return true;
}

bool OsMesaSurface::keep() {
    m_kept = false;
    if (m_target != OsMesaTarget::own_framebuffer || m_framebuffer->CopyImageSubData == nullptr) {
        return false;
    }
    const auto width = static_cast<GLsizei>(m_width);
    if (!m_kept_textures) {
        // Defined on first use only: most effects never keep anything.
        // Copies need complete textures, hence the filter without mipmaps.
        m_gl.BindTexture(GL_TEXTURE_2D, kept_colour_name);
        m_gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, static_cast<GLsizei>(m_height), 0,
                        GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        m_gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        m_gl.BindTexture(GL_TEXTURE_2D, kept_depth_name);
        m_gl.TexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width,
                        static_cast<GLsizei>(m_height), 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,
                        nullptr);
        m_gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        m_gl.BindTexture(GL_TEXTURE_2D, 0);
        if (m_gl.GetError() != GL_NO_ERROR) {
            return false;
        }
        m_kept_textures = true;
    }
    const auto y = static_cast<GLint>(window_first_row());
    const auto rows = static_cast<GLsizei>(m_row_count);
    for (auto [from, to] : {std::pair{colour_texture_name, kept_colour_name},
                            std::pair{depth_texture_name, kept_depth_name}}) {
        m_framebuffer->CopyImageSubData(from, GL_TEXTURE_2D, 0, 0, y, 0, to, GL_TEXTURE_2D, 0, 0, y,
                                        0, width, rows, 1);
    }
    if (m_gl.GetError() != GL_NO_ERROR) {
        return false;
    }
    m_kept = true;
    m_kept_first = m_first_row;
    m_kept_count = m_row_count;
    return true;
}

bool OsMesaSurface::restore_kept() {
    if (!m_kept || m_kept_first != m_first_row || m_kept_count != m_row_count) {
        return false;
    }
    const auto y = static_cast<GLint>(window_first_row());
    const auto width = static_cast<GLsizei>(m_width);
    const auto rows = static_cast<GLsizei>(m_row_count);
    for (auto [from, to] : {std::pair{kept_colour_name, colour_texture_name},
                            std::pair{kept_depth_name, depth_texture_name}}) {
        m_framebuffer->CopyImageSubData(from, GL_TEXTURE_2D, 0, 0, y, 0, to, GL_TEXTURE_2D, 0, 0, y,
                                        0, width, rows, 1);
    }
    return m_gl.GetError() == GL_NO_ERROR;
}

bool OsMesaSurface::make_current() {
    if (!m_decided) {
        m_decided = true;
        m_target = OsMesaTarget::library_buffer;
        if (m_wanted == OsMesaTarget::own_framebuffer &&
            OSMesaMakeCurrent(as_context(m_context), &m_library_pixel, GL_UNSIGNED_BYTE, 1, 1) ==
                GL_TRUE &&
            make_framebuffer()) {
            m_target = OsMesaTarget::own_framebuffer;
        }
    }
    if (m_target == OsMesaTarget::own_framebuffer) {
        return OSMesaMakeCurrent(as_context(m_context), &m_library_pixel, GL_UNSIGNED_BYTE, 1, 1) ==
               GL_TRUE;
    }
    return OSMesaMakeCurrent(as_context(m_context), m_pixels.data(), GL_UNSIGNED_BYTE,
                             static_cast<GLsizei>(m_width),
                             static_cast<GLsizei>(m_height)) == GL_TRUE;
}

void OsMesaSurface::release_current() {
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
}

void OsMesaSurface::clear(bool colour, bool depth, const float (&rgba)[4]) {
    const bool transparent = rgba[0] == 0 && rgba[1] == 0 && rgba[2] == 0 && rgba[3] == 0;
    if (m_target != OsMesaTarget::own_framebuffer || all_rows() || (colour && !transparent)) {
        // Every row through the library's clear (run by its rasteriser
        // threads); other colours than transparent black are left to it
        // too, so that they are packed exactly as it packs them.
        Surface::clear(colour, depth, rgba);
        return;
    }
    // Only the rows in force, as memory fills in the texture rows that are
    // the framebuffer's rows.
    const auto y = static_cast<GLint>(window_first_row());
    const auto width = static_cast<GLsizei>(m_width);
    const auto rows = static_cast<GLsizei>(m_row_count);
    if (colour) {
        const std::uint8_t zero[4] = {0, 0, 0, 0};
        m_framebuffer->ClearTexSubImage(colour_texture_name, 0, 0, y, 0, width, rows, 1, GL_RGBA,
                                        GL_UNSIGNED_BYTE, zero);
    }
    if (depth) {
        const GLfloat far_depth = 1;
        m_framebuffer->ClearTexSubImage(depth_texture_name, 0, 0, y, 0, width, rows, 1,
                                        GL_DEPTH_COMPONENT, GL_FLOAT, &far_depth);
    }
}

std::uint8_t* OsMesaSurface::finish_and_read() {
    if (m_target != OsMesaTarget::own_framebuffer) {
        // The library copies its colour buffer into our bitmap when drawing
        // is finished, bottom row first by default.
        m_gl.Finish();
        return m_pixels.data();
    }
    // Reading waits for the drawing. The framebuffer's first row is the
    // picture's top, so rows are packed in reverse to land bottom row first.
    m_gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    m_gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    m_gl.PixelStorei(GL_PACK_SKIP_ROWS, 0);
    m_gl.PixelStorei(GL_PACK_SKIP_PIXELS, 0);
    m_gl.PixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
    const std::size_t bottom = m_height - m_first_row - m_row_count;
    m_gl.ReadPixels(0, window_first_row(), static_cast<GLsizei>(m_width),
                    static_cast<GLsizei>(m_row_count), m_swap_red_blue ? GL_RGBA : GL_BGRA,
                    GL_UNSIGNED_BYTE, m_pixels.data() + bottom * m_width * 4);
    m_gl.PixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
    return m_pixels.data();
}

}  // namespace kdr::gl

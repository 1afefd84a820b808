#include "kaleidra/gl/osmesa_surface.h"

#include <GL/osmesa.h>

#include <string>

namespace kdr::gl {
namespace {

void* resolve_osmesa(const char* name, void* /*user*/) {
    return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

OSMesaContext as_context(void* context) {
    return static_cast<OSMesaContext>(context);
}

}  // namespace

Result<std::unique_ptr<OsMesaSurface>> OsMesaSurface::create(std::uint32_t width,
                                                             std::uint32_t height,
                                                             bool swap_red_blue) {
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
    surface->m_context =
        OSMesaCreateContextExt(swap_red_blue ? OSMESA_RGBA : OSMESA_BGRA, 24, 0, 0, nullptr);
    if (surface->m_context == nullptr) {
        return Error{"cannot create an off-screen OpenGL context"};
    }
    surface->m_pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
    return surface;
}

OsMesaSurface::~OsMesaSurface() {
    if (m_context != nullptr) {
        OSMesaDestroyContext(as_context(m_context));
    }
}

bool OsMesaSurface::make_current() {
    return OSMesaMakeCurrent(as_context(m_context), m_pixels.data(), GL_UNSIGNED_BYTE,
                             static_cast<GLsizei>(m_width),
                             static_cast<GLsizei>(m_height)) == GL_TRUE;
}

void OsMesaSurface::release_current() {
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
}

std::uint8_t* OsMesaSurface::finish_and_read() {
    // The library copies its colour buffer into our bitmap when drawing is
    // finished, bottom row first by default.
    m_gl.Finish();
    return m_pixels.data();
}

}  // namespace kdr::gl

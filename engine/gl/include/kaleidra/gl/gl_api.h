#pragma once
// The OpenGL entry points the engines use, as one table of function pointers
// per drawing surface. The engines never call OpenGL by its exported names:
// each surface fills its table from its own library's address lookup, so two
// engines loaded into one process (one over the off-screen library, one over
// the window-system library) can never bind each other's functions.
//
// The table holds plain addresses; it may be copied and read from any thread.
// Calls through it act on the OpenGL context current on the calling thread.

#include <GL/gl.h>
#include <GL/glext.h>

namespace kdr::gl {

// return type, name without the "gl" prefix, parameter list
#define KDR_GL_FUNCTIONS(X)                                                                        \
    X(void, Enable, (GLenum cap))                                                                  \
    X(void, Disable, (GLenum cap))                                                                 \
    X(GLboolean, IsEnabled, (GLenum cap))                                                          \
    X(void, DepthFunc, (GLenum func))                                                              \
    X(void, DepthMask, (GLboolean flag))                                                           \
    X(void, BlendFunc, (GLenum sfactor, GLenum dfactor))                                           \
    X(void, BlendFuncSeparate, (GLenum srgb, GLenum drgb, GLenum salpha, GLenum dalpha))           \
    X(void, FrontFace, (GLenum mode))                                                              \
    X(void, CullFace, (GLenum mode))                                                               \
    X(void, ShadeModel, (GLenum mode))                                                             \
    X(void, PolygonMode, (GLenum face, GLenum mode))                                               \
    X(void, Hint, (GLenum target, GLenum mode))                                                    \
    X(void, LightModelfv, (GLenum pname, const GLfloat* params))                                   \
    X(void, LightModeli, (GLenum pname, GLint param))                                              \
    X(void, Lightfv, (GLenum light, GLenum pname, const GLfloat* params))                          \
    X(void, Materialfv, (GLenum face, GLenum pname, const GLfloat* params))                        \
    X(void, Materialf, (GLenum face, GLenum pname, GLfloat param))                                 \
    X(void, Color4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                                 \
    X(void, Color4fv, (const GLfloat* v))                                                          \
    X(void, TexEnvi, (GLenum target, GLenum pname, GLint param))                                   \
    X(void, LineStipple, (GLint factor, GLushort pattern))                                         \
    X(void, ClipPlane, (GLenum plane, const GLdouble* equation))                                   \
    X(void, MatrixMode, (GLenum mode))                                                             \
    X(void, LoadIdentity, ())                                                                      \
    X(void, LoadMatrixf, (const GLfloat* m))                                                       \
    X(void, PushMatrix, ())                                                                        \
    X(void, PopMatrix, ())                                                                         \
    X(void, Translatef, (GLfloat x, GLfloat y, GLfloat z))                                         \
    X(void, Rotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z))                             \
    X(void, Scalef, (GLfloat x, GLfloat y, GLfloat z))                                             \
    X(void, Frustum,                                                                               \
      (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane,          \
       GLdouble far_plane))                                                                        \
    X(void, Ortho,                                                                                 \
      (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane,          \
       GLdouble far_plane))                                                                        \
    X(void, Viewport, (GLint x, GLint y, GLsizei width, GLsizei height))                           \
    X(void, Scissor, (GLint x, GLint y, GLsizei width, GLsizei height))                            \
    X(void, GetFloatv, (GLenum pname, GLfloat * params))                                           \
    X(void, GetIntegerv, (GLenum pname, GLint * params))                                           \
    X(void, GetDoublev, (GLenum pname, GLdouble * params))                                         \
    X(const GLubyte*, GetString, (GLenum name))                                                    \
    X(GLenum, GetError, ())                                                                        \
    X(void, Begin, (GLenum mode))                                                                  \
    X(void, End, ())                                                                               \
    X(void, Vertex3f, (GLfloat x, GLfloat y, GLfloat z))                                           \
    X(void, Normal3f, (GLfloat x, GLfloat y, GLfloat z))                                           \
    X(void, TexCoord2f, (GLfloat s, GLfloat t))                                                    \
    X(void, LineWidth, (GLfloat width))                                                            \
    X(void, ClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                              \
    X(void, Clear, (GLbitfield mask))                                                              \
    X(void, Finish, ())                                                                            \
    X(void, Flush, ())                                                                             \
    X(GLboolean, IsTexture, (GLuint texture))                                                      \
    X(void, BindTexture, (GLenum target, GLuint texture))                                          \
    X(void, TexImage2D,                                                                            \
      (GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,           \
       GLint border, GLenum format, GLenum type, const void* pixels))                              \
    X(void, TexSubImage2D,                                                                         \
      (GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, \
       GLenum type, const void* pixels))                                                           \
    X(void, TexParameteri, (GLenum target, GLenum pname, GLint param))                             \
    X(void, GetTexLevelParameteriv, (GLenum target, GLint level, GLenum pname, GLint * params))    \
    X(void, DeleteTextures, (GLsizei n, const GLuint* textures))                                   \
    X(void, PixelStorei, (GLenum pname, GLint param))                                              \
    X(void, ReadBuffer, (GLenum mode))                                                             \
    X(void, ReadPixels,                                                                            \
      (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels))

struct GlApi {
#define KDR_GL_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
    KDR_GL_FUNCTIONS(KDR_GL_MEMBER)
#undef KDR_GL_MEMBER
};

// Looks up one entry point by its full name ("glEnable"); null when missing.
using GlResolver = void* (*)(const char* name, void* user);

// Fills every entry of `api`. False, naming the first missing function in
// `missing` (when given), when any lookup fails.
[[nodiscard]] bool load_gl_api(GlApi& api, GlResolver resolve, void* user,
                               const char** missing = nullptr);

}  // namespace kdr::gl

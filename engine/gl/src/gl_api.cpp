#include "kaleidra/gl/gl_api.h"

namespace kdr::gl {

bool load_gl_api(GlApi& api, GlResolver resolve, void* user, const char** missing) {
    bool complete = true;
#define KDR_GL_LOAD(result, name, parameters)                                     \
    api.name = reinterpret_cast<result(*) parameters>(resolve("gl" #name, user)); \
    if (api.name == nullptr && complete) {                                        \
        complete = false;                                                         \
        if (missing != nullptr) {                                                 \
            *missing = "gl" #name;                                                \
        }                                                                         \
    }
    KDR_GL_FUNCTIONS(KDR_GL_LOAD)
#undef KDR_GL_LOAD
    return complete;
}

}  // namespace kdr::gl

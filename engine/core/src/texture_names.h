#pragma once
// The OpenGL texture names the drawing core gives out in each context. The
// surfaces keep names of their own far above these for their buffers.

#include <cstddef>
#include <cstdint>

#include "kaleidra/gl/gl_api.h"

namespace kdr::render {

// One video texture per pixel depth, defined at prepare at the largest
// power-of-two size among the frame's slots and refilled whenever a surface
// shows another picture: the name is the depth itself.
inline constexpr GLuint video_texture_3_bytes = 3;
inline constexpr GLuint video_texture_4_bytes = 4;
inline constexpr int video_texture_count = 2;

// The video texture for pictures of `bytes_per_pixel` (3 or 4).
inline constexpr GLuint video_texture_name(std::uint8_t bytes_per_pixel) {
    return bytes_per_pixel == 4 ? video_texture_4_bytes : video_texture_3_bytes;
}

// Where a video texture's bookkeeping lies in the core's table of two.
inline constexpr int video_texture_index(GLuint name) {
    return name == video_texture_4_bytes ? 1 : 0;
}

// The scene's own textures (kind-2 surfaces), uploaded at prepare: texture
// i of the scene is name 100 + i.
inline constexpr GLuint first_scene_texture = 100;

inline constexpr GLuint scene_texture_name(std::size_t index) {
    return first_scene_texture + static_cast<GLuint>(index);
}

}  // namespace kdr::render

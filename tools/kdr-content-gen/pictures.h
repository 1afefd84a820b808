#pragma once
// The pictures the package ships beside its effects: the twenty numbered
// preview textures that stand in for videos in previews and icons, and the
// backdrop textures that effects use as stages. All are drawn here from
// code, so the repository holds no hand-made binaries.

#include <string>
#include <vector>

#include "kaleidra/raster/canvas.h"

namespace kdr::content {

inline constexpr int preview_texture_count = 20;

// Preview texture `number` (1..20) at `size` pixels square: a colourful
// pattern of its own, a light border, an orientation mark in the top left
// corner and the number in the middle.
raster::Canvas preview_texture(int number, int size);

struct Backdrop {
    std::string name;  // texture name, as effects name it
    int size;          // power of two: the engines do not scale texture files
};
const std::vector<Backdrop>& backdrops();
// The backdrop of that name; an empty canvas for an unknown name.
raster::Canvas backdrop(const std::string& name);

// Smooth value noise in 0..1, repeating every `period` units.
double tiled_noise(double x, double y, int period, int seed);

}  // namespace kdr::content

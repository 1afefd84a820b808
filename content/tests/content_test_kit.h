#pragma once
// What the content tests share: the staged installation folder, the effects
// of its master list, and pictures to use as videos.

#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/raster/canvas.h"
#include "kaleidra/scene/scene.h"

namespace kdr::test {

std::filesystem::path content_stage();
std::filesystem::path engine_library(const std::string& name);  // "Rnd_Generic" or "Rnd_Hardware"

struct CatalogueEffect {
    std::string name;
    std::string group;
};
// Every effect of the staged master list, group by group. Fails the
// current test (and returns nothing) when the list cannot be read.
std::vector<CatalogueEffect> catalogue_effects();

// The effect's scene as the engines load it, header and items.
bool load_effect(const std::string& name, Scene& scene);

// Distinct, busy test pictures (a gradient with a pattern and a number) of
// the given size, for videos 1, 2, ...
raster::Canvas test_video(int number, int width, int height);

}  // namespace kdr::test

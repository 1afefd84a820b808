#pragma once
// Sample media for trying the package out: short colourful clips with
// moving shapes and the clip letter and frame number drawn in every frame,
// and a few still pictures.

#include <string>
#include <vector>

#include "kaleidra/raster/canvas.h"

namespace kdr::content {

inline constexpr int sample_width = 320;
inline constexpr int sample_height = 240;
inline constexpr int sample_frames_per_second = 25;

struct SampleClip {
    std::string file_name;  // in "Samples"
    char letter;            // drawn in every frame
    int frame_count;
};
const std::vector<SampleClip>& sample_clips();

// Frame `frame` of clip `clip` (an index into sample_clips()).
raster::Canvas sample_clip_frame(int clip, int frame);

struct SamplePicture {
    std::string file_name;  // ".bmp" or ".tga"
};
const std::vector<SamplePicture>& sample_pictures();
raster::Canvas sample_picture(int picture);

}  // namespace kdr::content

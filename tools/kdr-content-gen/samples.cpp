#include "samples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace kdr::content {

using raster::Canvas;
using raster::Rgb;

namespace {

constexpr double pi = std::numbers::pi;
// Frames are drawn at twice the size and averaged down, for smooth edges.
constexpr int oversample = 2;

void vertical_gradient(Canvas& canvas, Rgb top, Rgb bottom) {
    for (int y = 0; y < canvas.height(); ++y) {
        canvas.fill_rect(0, y, canvas.width(), 1,
                         raster::mix(top, bottom, static_cast<double>(y) / (canvas.height() - 1)));
    }
}

void fill_polygon(Canvas& canvas, const std::vector<std::pair<double, double>>& corners,
                  Rgb colour) {
    // Even-odd scanline fill.
    for (int y = 0; y < canvas.height(); ++y) {
        double sy = y + 0.5;
        std::vector<double> crossings;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            auto [x0, y0] = corners[i];
            auto [x1, y1] = corners[(i + 1) % corners.size()];
            if ((y0 <= sy) != (y1 <= sy)) {
                crossings.push_back(x0 + (sy - y0) / (y1 - y0) * (x1 - x0));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            int a = static_cast<int>(std::lround(crossings[i]));
            int b = static_cast<int>(std::lround(crossings[i + 1]));
            canvas.fill_rect(a, y, b - a, 1, colour);
        }
    }
}

// The clip letter and frame number on a dark band at the bottom.
void caption(Canvas& canvas, char letter, int frame) {
    char text[32];
    std::snprintf(text, sizeof text, "%c  %03d", letter, frame);
    int scale = 5 * oversample;
    int height = Canvas::text_height(text, scale);
    int width = Canvas::text_width(text, scale);
    int band = height + 8 * oversample;
    for (int y = canvas.height() - band; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            canvas.blend(x, y, {0, 0, 0}, 0.5);
        }
    }
    canvas.draw_outlined_text((canvas.width() - width) / 2, canvas.height() - band + 4 * oversample,
                              text, scale, {255, 255, 255}, {0, 0, 0});
}

// Clip A: a ball bouncing across a sunset over moving hills.
void draw_sunset(Canvas& canvas, double t, int /*frame*/) {
    int w = canvas.width(), h = canvas.height();
    vertical_gradient(canvas, {255, 120, 40}, {120, 30, 110});
    canvas.fill_circle(w * 0.72, h * 0.42, h * 0.16, {255, 230, 120});
    for (int layer = 0; layer < 3; ++layer) {
        std::vector<std::pair<double, double>> hill;
        double base = h * (0.62 + 0.1 * layer);
        for (int i = 0; i <= 32; ++i) {
            double x = w * i / 32.0;
            double phase = t * 2 * pi * (layer + 1) * 0.5;
            hill.emplace_back(x,
                              base - h * 0.08 * std::sin(x / w * 2 * pi * (layer + 1.5) + phase));
        }
        hill.emplace_back(w, h);
        hill.emplace_back(0, h);
        fill_polygon(canvas, hill, raster::from_hsv(280 + 25 * layer, 0.7, 0.45 - 0.1 * layer));
    }
    double x = w * (0.1 + 0.8 * t);
    double bounce = std::fabs(std::sin(t * pi * 3));
    double radius = h * 0.09;
    canvas.fill_circle(x, h * 0.78 - bounce * h * 0.45, radius, {40, 200, 255});
    canvas.fill_circle(x - radius * 0.3, h * 0.78 - bounce * h * 0.45 - radius * 0.3, radius * 0.3,
                       {200, 240, 255});
}

// Clip B: four coloured bars turning like a windmill over a blue grid.
void draw_windmill(Canvas& canvas, double t, int /*frame*/) {
    int w = canvas.width(), h = canvas.height();
    vertical_gradient(canvas, {20, 40, 110}, {10, 120, 170});
    double shift = t * 40 * oversample;
    for (double x = std::fmod(shift, 32.0 * oversample); x < w; x += 32 * oversample) {
        canvas.fill_rect(static_cast<int>(x), 0, oversample, h, {70, 130, 210});
    }
    for (int y = 0; y < h; y += 32 * oversample) {
        canvas.fill_rect(0, y, w, oversample, {70, 130, 210});
    }
    double cx = w * 0.5, cy = h * 0.45;
    for (int arm = 0; arm < 4; ++arm) {
        double angle = t * 2 * pi + arm * pi / 2;
        double length = h * 0.38;
        double ex = cx + std::cos(angle) * length, ey = cy + std::sin(angle) * length;
        canvas.draw_line(cx, cy, ex, ey, h * 0.07, raster::from_hsv(arm * 90 + 30, 0.8, 1.0));
        canvas.fill_circle(ex, ey, h * 0.06, {255, 255, 255});
    }
    canvas.fill_circle(cx, cy, h * 0.06, {250, 250, 250});
}

// Clip C: a checkerboard sliding diagonally under a growing and shrinking
// ring of coloured dots.
void draw_dots(Canvas& canvas, double t, int /*frame*/) {
    int w = canvas.width(), h = canvas.height();
    int cell = 40 * oversample;
    int offset = static_cast<int>(t * cell * 2);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool dark = (((x + offset) / cell) + ((y + offset) / cell)) % 2 == 0;
            canvas.set(x, y, dark ? Rgb{30, 110, 50} : Rgb{90, 190, 90});
        }
    }
    double cx = w * 0.5, cy = h * 0.45;
    double ring = h * (0.22 + 0.12 * std::sin(t * 2 * pi));
    for (int dot = 0; dot < 10; ++dot) {
        double angle = dot * 2 * pi / 10 - t * pi;
        canvas.fill_circle(cx + std::cos(angle) * ring * 1.3, cy + std::sin(angle) * ring,
                           h * 0.055, raster::from_hsv(dot * 36, 0.85, 1.0));
    }
}

}  // namespace

const std::vector<SampleClip>& sample_clips() {
    static const std::vector<SampleClip> clips = {
        {"clip_a.avi", 'A', 60},
        {"clip_b.avi", 'B', 60},
        {"clip_c.avi", 'C', 60},
    };
    return clips;
}

Canvas sample_clip_frame(int clip, int frame) {
    const SampleClip& info = sample_clips().at(static_cast<std::size_t>(clip));
    Canvas canvas(sample_width * oversample, sample_height * oversample);
    double t = static_cast<double>(frame) / info.frame_count;
    switch (clip) {
        case 0:
            draw_sunset(canvas, t, frame);
            break;
        case 1:
            draw_windmill(canvas, t, frame);
            break;
        default:
            draw_dots(canvas, t, frame);
            break;
    }
    caption(canvas, info.letter, frame);
    return canvas.resized(sample_width, sample_height);
}

const std::vector<SamplePicture>& sample_pictures() {
    static const std::vector<SamplePicture> pictures = {
        {"picture_mountains.bmp"},
        {"picture_wheel.tga"},
        {"picture_bars.bmp"},
    };
    return pictures;
}

Canvas sample_picture(int picture) {
    Canvas canvas(sample_width * oversample, sample_height * oversample);
    int w = canvas.width(), h = canvas.height();
    if (picture == 0) {
        // Mountains under a blue sky with a sun.
        vertical_gradient(canvas, {60, 130, 230}, {190, 225, 250});
        canvas.fill_circle(w * 0.2, h * 0.22, h * 0.09, {255, 245, 170});
        fill_polygon(canvas,
                     {{0, h * 0.8}, {w * 0.3, h * 0.3}, {w * 0.55, h * 0.75}, {0, h * 0.85}},
                     {90, 90, 120});
        fill_polygon(canvas,
                     {{w * 0.3, h * 0.85}, {w * 0.65, h * 0.25}, {w * 1.0, h * 0.7}, {w, h * 0.9}},
                     {70, 80, 110});
        fill_polygon(canvas, {{w * 0.59, h * 0.35}, {w * 0.65, h * 0.25}, {w * 0.71, h * 0.35}},
                     {250, 250, 255});
        canvas.fill_rect(0, static_cast<int>(h * 0.8), w, h, {60, 150, 70});
        canvas.draw_outlined_text(8 * oversample, 8 * oversample, "PICTURE 1", 3 * oversample,
                                  {255, 255, 255}, {0, 0, 0});
    } else if (picture == 1) {
        // A colour wheel.
        canvas.fill({30, 30, 30});
        double cx = w * 0.5, cy = h * 0.5, radius = h * 0.42;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                double r = std::hypot(dx, dy);
                if (r <= radius) {
                    double hue = std::atan2(dy, dx) * 180 / pi + 180;
                    canvas.set(x, y, raster::from_hsv(hue, r / radius, 1.0));
                }
            }
        }
        canvas.draw_outlined_text(8 * oversample, 8 * oversample, "PICTURE 2", 3 * oversample,
                                  {255, 255, 255}, {0, 0, 0});
    } else {
        // Colour bars with a grey ramp.
        const Rgb bars[] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                            {235, 16, 235},  {235, 16, 16},  {16, 16, 235}};
        for (int i = 0; i < 7; ++i) {
            canvas.fill_rect(i * w / 7, 0, w / 7 + 1, h * 3 / 4, bars[i]);
        }
        for (int x = 0; x < w; ++x) {
            auto level = static_cast<std::uint8_t>(255 * x / (w - 1));
            canvas.fill_rect(x, h * 3 / 4, 1, h, {level, level, level});
        }
        canvas.draw_outlined_text(8 * oversample, 8 * oversample, "PICTURE 3", 3 * oversample,
                                  {255, 255, 255}, {0, 0, 0});
    }
    return canvas.resized(sample_width, sample_height);
}

}  // namespace kdr::content

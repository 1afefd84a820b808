#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>

namespace kdr::content {

using raster::Canvas;
using raster::Rgb;

namespace {

constexpr double pi = std::numbers::pi;

double fractional(double x) {
    return x - std::floor(x);
}

std::uint32_t hash(int x, int y, int seed) {
    auto h = static_cast<std::uint32_t>(x) * 374761393u +
             static_cast<std::uint32_t>(y) * 668265263u +
             static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

// Fractal noise: four octaves of tiled value noise.
double fractal_noise(double x, double y, int period, int seed) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int octave = 0; octave < 4; ++octave) {
        int p = period << octave;
        sum += amplitude * tiled_noise(x * (1 << octave), y * (1 << octave), p, seed + octave);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

// The pattern of a preview texture at (u, v), both 0..1 from the top left.
// Returns a blend weight 0..1 between the dark and light colour, and
// whether the accent colour covers the point.
struct Shade {
    double light;
    bool accent = false;
};

Shade pattern(int kind, double u, double v, double scale) {
    double x = u - 0.5, y = v - 0.5;
    switch (kind) {
        case 0:  // vertical stripes
            return {fractional(u * 6 * scale) < 0.5 ? 1.0 : 0.25};
        case 1: {  // checkerboard
            int cx = static_cast<int>(std::floor(u * 6 * scale));
            int cy = static_cast<int>(std::floor(v * 6 * scale));
            return {(cx + cy) % 2 == 0 ? 1.0 : 0.2};
        }
        case 2: {  // rings
            double r = std::hypot(x, y);
            return {0.5 + 0.5 * std::cos(r * 2 * pi * 6 * scale), r < 0.06};
        }
        case 3:  // diagonal stripes
            return {fractional((u + v) * 5 * scale) < 0.5 ? 1.0 : 0.3};
        case 4: {  // dots
            double gx = fractional(u * 5 * scale) - 0.5, gy = fractional(v * 5 * scale) - 0.5;
            bool dot = std::hypot(gx, gy) < 0.3;
            return {0.35 + 0.65 * v, dot};
        }
        case 5: {  // sunburst
            double a = std::atan2(y, x) / (2 * pi) + 0.5;
            return {fractional(a * 12 * scale) < 0.5 ? 1.0 : 0.3, std::hypot(x, y) < 0.08};
        }
        case 6: {  // waves
            double w = std::sin((v * 5 * scale + 0.15 * std::sin(u * 2 * pi * 2)) * 2 * pi);
            return {0.5 + 0.5 * w};
        }
        case 7: {  // chevrons
            double c = fractional(v * 4 * scale + std::fabs(x) * 2);
            return {c < 0.5 ? 1.0 : 0.25};
        }
        case 8: {  // diamonds
            double gx = fractional(u * 4 * scale) - 0.5, gy = fractional(v * 4 * scale) - 0.5;
            bool inside = std::fabs(gx) + std::fabs(gy) < 0.35;
            return {inside ? 1.0 : 0.3, std::fabs(gx) + std::fabs(gy) < 0.12};
        }
        default: {  // soft blobs
            double p = std::sin(u * 7 * scale) + std::sin(v * 9 * scale + 1) +
                       std::sin((u + v) * 5 * scale + 2) + std::sin(std::hypot(x, y) * 14);
            return {0.5 + 0.125 * p};
        }
    }
}

}  // namespace

double tiled_noise(double x, double y, int period, int seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    double fx = smooth(x - x0), fy = smooth(y - y0);
    auto corner = [&](int cx, int cy) {
        int wx = ((cx % period) + period) % period, wy = ((cy % period) + period) % period;
        return (hash(wx, wy, seed) & 0xFFFF) / 65535.0;
    };
    double top = corner(x0, y0) + (corner(x0 + 1, y0) - corner(x0, y0)) * fx;
    double bottom = corner(x0, y0 + 1) + (corner(x0 + 1, y0 + 1) - corner(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

Canvas preview_texture(int number, int size) {
    // Drawn at 512 pixels and averaged down, which smooths every edge.
    constexpr int master = 512;
    int kind = (number - 1) % 10;
    double scale = number > 10 ? 1.5 : 1.0;
    double hue = std::fmod(number * 137.508, 360.0);
    Rgb light = raster::from_hsv(hue, 0.75, 1.0);
    Rgb dark = raster::from_hsv(hue + 20, 0.95, 0.45);
    Rgb accent = raster::from_hsv(hue + 180, 0.55, 1.0);
    Canvas canvas(master, master);
    for (int j = 0; j < master; ++j) {
        for (int i = 0; i < master; ++i) {
            Shade shade = pattern(kind, (i + 0.5) / master, (j + 0.5) / master, scale);
            canvas.set(i, j, shade.accent ? accent : raster::mix(dark, light, shade.light));
        }
    }
    // Border and an orientation mark: a white triangle in the top left.
    canvas.frame_rect(0, 0, master, master, master / 32, {250, 250, 250});
    for (int j = 0; j < master / 5; ++j) {
        canvas.fill_rect(master / 32, master / 32 + j, master / 5 - j, 1, {250, 250, 250});
    }
    // The number on a dark plate.
    char text[8];
    std::snprintf(text, sizeof text, "%02d", number);
    int font_scale = 22;
    int width = Canvas::text_width(text, font_scale);
    int height = Canvas::text_height(text, font_scale);
    int x = (master - width) / 2, y = (master - height) / 2;
    int pad = master / 20;
    for (int j = y - pad; j < y + height + pad; ++j) {
        for (int i = x - pad; i < x + width + pad; ++i) {
            canvas.blend(i, j, {0, 0, 0}, 0.55);
        }
    }
    canvas.draw_outlined_text(x, y, text, font_scale, {255, 255, 255}, {0, 0, 0});
    return canvas.resized(size, size);
}

const std::vector<Backdrop>& backdrops() {
    static const std::vector<Backdrop> list = {
        {"KD_STAGE", 256}, {"KD_WOOD", 256},  {"KD_MARBLE", 256},
        {"KD_NIGHT", 256}, {"KD_PAPER", 128},
    };
    return list;
}

Canvas backdrop(const std::string& name) {
    int size = 0;
    for (const Backdrop& b : backdrops()) {
        size = b.name == name ? b.size : size;
    }
    if (size == 0) {
        return {};
    }
    Canvas canvas(size, size);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            double u = (i + 0.5) / size, v = (j + 0.5) / size;
            Rgb colour;
            if (name == "KD_STAGE") {
                // A studio wall: deep blue to violet, lighter in the middle,
                // with a faint tile grid.
                double glow = 1.0 - std::min(1.0, std::hypot(u - 0.5, v - 0.45) * 1.6);
                colour = raster::mix(raster::from_hsv(235, 0.8, 0.18),
                                     raster::from_hsv(255, 0.55, 0.62), glow * glow);
                bool line = fractional(u * 8) < 0.03 || fractional(v * 8) < 0.03;
                if (line) {
                    colour = raster::mix(colour, {150, 170, 255}, 0.18);
                }
            } else if (name == "KD_WOOD") {
                // Broad rings bent by slow noise, with fine streaks along
                // the grain.
                double n = fractal_noise(u * 4, v * 2, 4, 11);
                double ring = fractional(u * 7 + n * 2.5);
                double grain = std::pow(0.5 + 0.5 * std::sin(ring * 2 * pi), 2.0);
                double streak = fractal_noise(u * 64, v * 4, 64, 12);
                colour = raster::mix({96, 54, 26}, {204, 140, 80}, 0.75 * grain + 0.25 * streak);
            } else if (name == "KD_MARBLE") {
                double n = fractal_noise(u * 4, v * 4, 4, 23);
                double vein = std::fabs(std::sin((u * 3 + v * 2 + n * 3) * pi));
                colour = raster::mix({110, 112, 122}, {238, 236, 232}, std::pow(vein, 0.35));
            } else if (name == "KD_NIGHT") {
                colour = raster::mix({2, 4, 20}, {20, 34, 80}, v);
                std::uint32_t h = hash(i, j, 5);
                if (h % 97 == 0) {
                    double bright = 0.5 + (h >> 16) / 131070.0;
                    colour = raster::mix(colour, {255, 255, 240}, bright);
                }
            } else {  // KD_PAPER
                double n = fractal_noise(u * 8, v * 8, 8, 31);
                colour = raster::mix({214, 208, 192}, {250, 247, 238}, n);
            }
            canvas.set(i, j, colour);
        }
    }
    return canvas;
}

}  // namespace kdr::content

#include "kaleidra/raster/canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <stb/stb_easy_font.h>

namespace kdr::raster {

Rgb from_hsv(double hue, double saturation, double value) {
    hue = std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0) / 60.0;
    int sector = static_cast<int>(hue);
    double f = hue - sector;
    double p = value * (1 - saturation);
    double q = value * (1 - saturation * f);
    double t = value * (1 - saturation * (1 - f));
    double r = 0, g = 0, b = 0;
    switch (sector) {
        case 0:
            r = value, g = t, b = p;
            break;
        case 1:
            r = q, g = value, b = p;
            break;
        case 2:
            r = p, g = value, b = t;
            break;
        case 3:
            r = p, g = q, b = value;
            break;
        case 4:
            r = t, g = p, b = value;
            break;
        default:
            r = value, g = p, b = q;
            break;
    }
    auto byte = [](double v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L));
    };
    return {byte(r), byte(g), byte(b)};
}

Rgb mix(Rgb a, Rgb b, double t) {
    auto channel = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(x + (y - x) * t), 0L, 255L));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

Canvas::Canvas(int width, int height, Rgb fill_colour)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_bytes(static_cast<std::size_t>(m_width) * m_height * 3) {
    fill(fill_colour);
}

Rgb Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return {};
    }
    const std::uint8_t* p = &m_bytes[(static_cast<std::size_t>(y) * m_width + x) * 3];
    return {p[0], p[1], p[2]};
}

void Canvas::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return;
    }
    std::uint8_t* p = &m_bytes[(static_cast<std::size_t>(y) * m_width + x) * 3];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

void Canvas::blend(int x, int y, Rgb colour, double alpha) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return;
    }
    set(x, y, mix(pixel(x, y), colour, std::clamp(alpha, 0.0, 1.0)));
}

void Canvas::fill(Rgb colour) {
    for (std::size_t i = 0; i + 2 < m_bytes.size(); i += 3) {
        m_bytes[i] = colour.r;
        m_bytes[i + 1] = colour.g;
        m_bytes[i + 2] = colour.b;
    }
}

void Canvas::fill_rect(int x, int y, int width, int height, Rgb colour) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + width, m_width), y1 = std::min(y + height, m_height);
    for (int j = y0; j < y1; ++j) {
        for (int i = x0; i < x1; ++i) {
            set(i, j, colour);
        }
    }
}

void Canvas::frame_rect(int x, int y, int width, int height, int thickness, Rgb colour) {
    fill_rect(x, y, width, thickness, colour);
    fill_rect(x, y + height - thickness, width, thickness, colour);
    fill_rect(x, y, thickness, height, colour);
    fill_rect(x + width - thickness, y, thickness, height, colour);
}

void Canvas::fill_circle(double cx, double cy, double radius, Rgb colour) {
    int x0 = static_cast<int>(std::floor(cx - radius)),
        x1 = static_cast<int>(std::ceil(cx + radius));
    int y0 = static_cast<int>(std::floor(cy - radius)),
        y1 = static_cast<int>(std::ceil(cy + radius));
    for (int j = y0; j <= y1; ++j) {
        for (int i = x0; i <= x1; ++i) {
            double dx = i + 0.5 - cx, dy = j + 0.5 - cy;
            if (dx * dx + dy * dy <= radius * radius) {
                set(i, j, colour);
            }
        }
    }
}

void Canvas::draw_line(double x0, double y0, double x1, double y1, double thickness, Rgb colour) {
    double length = std::hypot(x1 - x0, y1 - y0);
    int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
    for (int k = 0; k <= steps; ++k) {
        double t = static_cast<double>(k) / steps;
        fill_circle(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, thickness / 2, colour);
    }
}

namespace {

struct FontVertex {
    float x, y, z;
    unsigned char colour[4];
};

// The font's quads for `text`, in font pixels.
std::vector<FontVertex> font_quads(std::string_view text) {
    std::string copy(text);
    std::vector<FontVertex> vertices(copy.size() * 4 * 40 + 4);
    int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, vertices.data(),
                                    static_cast<int>(vertices.size() * sizeof(FontVertex)));
    vertices.resize(static_cast<std::size_t>(quads) * 4);
    return vertices;
}

}  // namespace

void Canvas::draw_text(int x, int y, std::string_view text, int scale, Rgb colour) {
    std::vector<FontVertex> vertices = font_quads(text);
    for (std::size_t q = 0; q + 3 < vertices.size(); q += 4) {
        float left = vertices[q].x, right = vertices[q].x;
        float top = vertices[q].y, bottom = vertices[q].y;
        for (std::size_t k = q; k < q + 4; ++k) {
            left = std::min(left, vertices[k].x);
            right = std::max(right, vertices[k].x);
            top = std::min(top, vertices[k].y);
            bottom = std::max(bottom, vertices[k].y);
        }
        fill_rect(x + static_cast<int>(std::lround(left * scale)),
                  y + static_cast<int>(std::lround(top * scale)),
                  static_cast<int>(std::lround((right - left) * scale)),
                  static_cast<int>(std::lround((bottom - top) * scale)), colour);
    }
}

void Canvas::draw_outlined_text(int x, int y, std::string_view text, int scale, Rgb colour,
                                Rgb outline) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx != 0 || dy != 0) {
                draw_text(x + dx * scale, y + dy * scale, text, scale, outline);
            }
        }
    }
    draw_text(x, y, text, scale, colour);
}

int Canvas::text_width(std::string_view text, int scale) {
    std::string copy(text);
    return stb_easy_font_width(copy.data()) * scale;
}

int Canvas::text_height(std::string_view text, int scale) {
    // The font's cells are 12 pixels apart, but its capitals and digits are
    // 7 high; a single line is measured by its glyphs.
    std::vector<FontVertex> vertices = font_quads(text);
    float bottom = 0;
    for (const FontVertex& v : vertices) {
        bottom = std::max(bottom, v.y);
    }
    return static_cast<int>(std::ceil(bottom)) * scale;
}

void Canvas::draw_canvas(const Canvas& other, int x, int y) {
    for (int j = 0; j < other.height(); ++j) {
        for (int i = 0; i < other.width(); ++i) {
            set(x + i, y + j, other.pixel(i, j));
        }
    }
}

Canvas Canvas::resized(int width, int height) const {
    Canvas out(width, height);
    if (empty() || out.empty()) {
        return out;
    }
    double sx = static_cast<double>(m_width) / width;
    double sy = static_cast<double>(m_height) / height;
    for (int j = 0; j < height; ++j) {
        double y0 = j * sy, y1 = (j + 1) * sy;
        for (int i = 0; i < width; ++i) {
            double x0 = i * sx, x1 = (i + 1) * sx;
            double sum[3] = {0, 0, 0};
            double weight = 0;
            for (int y = static_cast<int>(y0);
                 y < std::min(static_cast<int>(std::ceil(y1)), m_height); ++y) {
                double wy = std::min(y1, y + 1.0) - std::max(y0, static_cast<double>(y));
                for (int x = static_cast<int>(x0);
                     x < std::min(static_cast<int>(std::ceil(x1)), m_width); ++x) {
                    double w = wy * (std::min(x1, x + 1.0) - std::max(x0, static_cast<double>(x)));
                    Rgb p = pixel(x, y);
                    sum[0] += p.r * w;
                    sum[1] += p.g * w;
                    sum[2] += p.b * w;
                    weight += w;
                }
            }
            auto channel = [&](int c) {
                return static_cast<std::uint8_t>(
                    std::clamp(std::lround(sum[c] / weight), 0L, 255L));
            };
            out.set(i, j, {channel(0), channel(1), channel(2)});
        }
    }
    return out;
}

double psnr(const Canvas& a, const Canvas& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.bytes().size(); ++i) {
        double d = static_cast<double>(a.bytes()[i]) - b.bytes()[i];
        sum += d * d;
    }
    if (sum == 0) {
        return std::numeric_limits<double>::infinity();
    }
    double mse = sum / static_cast<double>(a.bytes().size());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace kdr::raster

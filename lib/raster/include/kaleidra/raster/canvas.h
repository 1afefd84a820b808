#pragma once
// A plain 24-bit picture for the content generators and the contact sheet:
// top row first, red-green-blue bytes. Drawing clips to the picture.
// Anti-aliasing is left to the callers: draw large, then resize down.
// Not thread-safe; one thread per canvas.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace kdr::raster {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Hue 0..360, saturation and value 0..1.
Rgb from_hsv(double hue, double saturation, double value);
Rgb mix(Rgb a, Rgb b, double t);  // t = 0 gives a

class Canvas {
  public:
    Canvas() = default;
    Canvas(int width, int height, Rgb fill = {});

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    Rgb pixel(int x, int y) const;
    void set(int x, int y, Rgb colour);
    void blend(int x, int y, Rgb colour, double alpha);

    void fill(Rgb colour);
    void fill_rect(int x, int y, int width, int height, Rgb colour);
    void fill_circle(double cx, double cy, double radius, Rgb colour);
    void frame_rect(int x, int y, int width, int height, int thickness, Rgb colour);
    void draw_line(double x0, double y0, double x1, double y1, double thickness, Rgb colour);

    // Text in a small built-in bitmap font, each font pixel `scale` pixels
    // square; (x, y) is the top left of the first line. '\n' starts a line.
    void draw_text(int x, int y, std::string_view text, int scale, Rgb colour);
    // The same text with a one-font-pixel dark outline, for reading on
    // busy backgrounds.
    void draw_outlined_text(int x, int y, std::string_view text, int scale, Rgb colour,
                            Rgb outline);
    static int text_width(std::string_view text, int scale);
    static int text_height(std::string_view text, int scale);

    void draw_canvas(const Canvas& other, int x, int y);
    // Each target pixel is the average of the source area it covers.
    Canvas resized(int width, int height) const;

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

  private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_bytes;
};

// Writes a PNG file; false on failure.
[[nodiscard]] bool write_png(const Canvas& canvas, const std::filesystem::path& file);

// Peak signal-to-noise ratio over all channels in dB (infinity when equal);
// the canvases must have the same size (otherwise 0).
double psnr(const Canvas& a, const Canvas& b);

}  // namespace kdr::raster

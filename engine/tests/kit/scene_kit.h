#pragma once
// A small kit that builds effect scenes through the scene API for the engine
// tests, so that they depend on no shipped effect. Scenes follow the
// convention of the shipped effects: the camera at (0, 0, 4) looking down
// -Z with a vertical field of view that frames a 4 x 3 quad at z = 0
// exactly, the first object being that full-frame quad showing video 1.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/records/layout.h"
#include "kaleidra/scene/items.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::test {

// The field of view (degrees) that frames a 4 x 3 quad at distance 4.
float framing_field_of_view();

class SceneBuilder {
  public:
    SceneBuilder();
    Scene& scene() { return m_scene; }

    SceneBuilder& type(std::uint32_t type);
    scene::Camera& camera(float x = 0, float y = 0, float z = 4);

    scene::Surface& video_surface(std::uint16_t id, std::uint16_t video_number);
    scene::Surface& colour_surface(std::uint16_t id, float r, float g, float b, float a = 1);
    scene::Surface& texture_surface(std::uint16_t id, const std::string& texture_name);

    // A width x height quad in the z = 0 plane of its own coordinates,
    // facing +Z (clockwise as the camera sees it), texture (0, 0) at its
    // top-left corner.
    scene::Object& quad(std::uint16_t id, std::uint16_t surface_id, float width, float height,
                        std::uint32_t video_number = 0);
    // The same quad cut into columns x rows smaller quads (lighting is
    // computed at the corners, so highlights need them).
    scene::Object& grid(std::uint16_t id, std::uint16_t surface_id, float width, float height,
                        int columns, int rows, std::uint32_t video_number = 0);
    // The full-frame quad of a video: 4 x 3 at z = 0.
    scene::Object& video_quad(std::uint16_t id, std::uint16_t surface_id,
                              std::uint32_t video_number);
    // A box of edge `size` whose six faces face outwards.
    scene::Object& box(std::uint16_t id, std::uint16_t surface_id, float size);
    // An open-ended cylinder round the Y axis with both ends closed by
    // triangle fans, `sides` faces round.
    scene::Object& cylinder(std::uint16_t id, std::uint16_t surface_id, float radius, float height,
                            int sides);
    // An object without vertices at `position` (id 20000 marks the filter
    // placement).
    scene::Object& marker(std::uint16_t id, float x, float y, float z);

    scene::Path& path(std::uint16_t id, std::int16_t link, const std::vector<PathKey>& keys);
    scene::Envelope& envelope(std::uint16_t id, std::int16_t link, std::uint16_t parameter,
                              const std::vector<EnvelopeKey>& keys);

    // Writes the scene as an effect file (form "KDRE": type, video count,
    // name, then every item).
    bool write(const std::filesystem::path& file, const std::string& name) const;

  private:
    Scene m_scene;
};

PathKey path_key(float time, float x, float y, float z, float heading = 0, float pitch = 0,
                 float bank = 0, bool linear = true);
EnvelopeKey envelope_key(float time, float value, bool linear = true);

// The tests' installation (kaleidra/testing/installation_test.h) with
// effects and textures of the scene kit's making.
class Installation : public TestInstallation {
  public:
    const std::filesystem::path& path() const { return root(); }
    bool add_effect(const std::string& name, const SceneBuilder& scene) const;
    bool add_texture(const std::string& name, const ImageRecord& image) const;
    // The fallback effect: a full-frame quad of video 1 and a smaller quad
    // of video 2 in front of it.
    bool add_fallback_effect() const;
    // An effect of a dark grey (0.1) backdrop and, in front of it, video 1
    // on a quad that fills the frame, so that every output pixel shows one
    // pixel of the video (with nearest filtering). The video is not on the
    // first object, so every engine draws it as a texture.
    bool add_video_over_backdrop(const std::string& name) const;
};

// A picture owned by a test: pixels in a vector, described by `image`.
struct TestPicture {
    ImageRecord image{};
    std::vector<std::uint8_t> pixels;

    TestPicture() = default;
    TestPicture(std::uint8_t format, std::uint32_t width, std::uint32_t height,
                std::uint8_t row_order = row_order_bottom_up);
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;
    void fill(std::uint8_t value);
    void set(std::uint32_t x, std::uint32_t y, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    void get(std::uint32_t x, std::uint32_t y, std::uint8_t& r, std::uint8_t& g,
             std::uint8_t& b) const;
};

// Test videos: smooth colour ramps crossed by a few sharp bars, so that a
// misplaced, flipped or scaled picture shows.
void paint_video_a(TestPicture& picture);
void paint_video_b(TestPicture& picture);

}  // namespace kdr::test

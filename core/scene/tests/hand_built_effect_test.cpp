// An effect file assembled byte by byte in the stored layout, holding every
// kind of item and every header chunk, must load with exactly what it holds;
// and the library's writers must give back the very same item chunks.
#include <gtest/gtest.h>

#include <cstring>

#include "hand_bytes.h"
#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using test::Bytes;
using test::chunk;

Bytes camera_body() {
    Bytes b;
    b.header(1, 0.0f, 1.0f, 0, 0);
    b.motion({0, 0, 1.5f, -10, 5, 15, 25, 1, 1, 1, 0.1f, 0.2f, 0.3f}, 1);
    b.floats({40, 0.5f, 250});  // field of view, near, far at 72
    b.floats({1, 2, 3, 4});     // four trailing floats at 84
    return b;
}

Bytes light_body() {
    Bytes b;
    b.header(2, 0.25f, 0.75f, 10, 0);
    b.u16(3);                                               // kind at 16
    b.floats({0.9f, 0.8f, 0.7f, 1});                        // colour at 18
    b.motion({0, 5, 6, 7, 0, 90, 0, 1, 1, 1, 0, 0, 0}, 0);  // motion at 34
    b.floats({11, 12, 13});                                 // at 90
    b.u32(0xA1B2C3D4).u32(42);                              // at 102, 106
    return b;
}

// Object 10: a quad and a triangle over four vertices; written as
// 120 + 12 V + 44 P with the triangle's unused 10 bytes as zeros at the end.
Bytes object_body() {
    Bytes b;
    b.header(10, 0.0f, 1.0f, 0, 12);
    b.u32(4);
    b.floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    b.u32(2);
    b.u16(4).u16(7);  // quad on surface 7
    b.u16(0).f32(0).f32(0).u16(1).f32(1).f32(0).u16(2).f32(1).f32(1).u16(3).f32(0).f32(1);
    b.u16(3).u16(8);  // triangle on surface 8
    b.u16(2).f32(0.5f).f32(0.25f).u16(1).f32(0.75f).f32(0.5f).u16(0).f32(0.125f).f32(1);
    b.motion({0, 1, 2, 3, 10, 20, 30, 2, 2, 2, 0, 0, 0}, 0);
    b.f32(0.5f);                    // morph position
    b.u16(9).u16(1).u16(0).u16(6);  // flags, the second = casts a shadow
    b.floats({0.5f, 0.5f, 0});      // pivot
    b.f32(0.25f);                   // own transparency
    b.u32(1);                       // video number
    b.u32(1);                       // morph target count
    b.u16(11);                      // next morph target
    b.u16(0);                       // morph target flag
    b.zeros(10);
    return b;
}

// Object 11: the morph target of object 10, no polygons.
Bytes morph_target_body() {
    Bytes b;
    b.header(11, 0.0f, 1.0f, 0, 0);
    b.u32(4);
    b.floats({0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1});
    b.u32(0);
    b.motion({0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0);
    b.f32(0).u16(0).u16(0).u16(0).u16(0).floats({0, 0, 0}).f32(0).u32(0).u32(0);
    b.u16(0).u16(1);
    return b;
}

// Object 12: a parent without geometry.
Bytes parent_body() {
    Bytes b;
    b.header(12, 0.0f, 1.0f, 0, 0);
    b.u32(0).u32(0);
    b.motion({0, 0, 0, -4, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0);
    b.f32(0).u16(0).u16(0).u16(0).u16(0).floats({0, 0, 0}).f32(0).u32(0).u32(0);
    b.u16(0).u16(0);
    return b;
}

Bytes surface_body(std::uint16_t id, std::uint16_t kind, std::uint16_t video,
                   const std::string& name, float smoothing) {
    Bytes b;
    b.header(id, 0.0f, 1.0f, 0, 0);
    b.u16(kind).u16(video);              // 16, 18
    b.floats({0.1f, 0.2f, 0.3f, 0.4f});  // first colour at 20
    b.floats({1, 0.5f, 0.25f, 1});       // diffuse at 36
    b.floats({0.5f, 0.6f, 0.7f, 0.8f});  // third colour at 52
    b.f32(68);                           // at 68
    b.floats({0.9f, 0.9f, 0.9f, 0.9f});  // fourth colour at 72
    b.text(name, 256);                   // name at 88
    b.f32(smoothing);                    // at 344
    b.u32(348).u32(352);                 // at 348, 352
    b.floats({1, 2, 3, 4, 5, 6});        // at 356
    b.u16(1);                            // two-sided at 380
    return b;
}

Bytes path_body() {
    Bytes b;
    b.header(20, 0.0f, 1.0f, 10, 0);
    b.u32(2);
    b.motion({0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0);
    b.motion({1, 4, 5, 6, 90, 180, 270, 2, 3, 4, 0.5f, -0.5f, 0.25f}, 1);
    return b;
}

Bytes envelope_body() {
    Bytes b;
    b.header(30, 0.0f, 1.0f, 0, 0);
    b.u16(205).u32(1);
    b.floats({0.5f, 45, 0.1f, 0.2f, 0.3f}).u16(0).u16(0);
    return b;
}

Bytes warp_body() {
    Bytes b;
    b.header(40, 0.0f, 1.0f, 10, 0);
    b.text("Ripple", 41);
    b.f32(2.5f);
    b.u32(3).u32(7).u32(8).u32(9);
    return b;
}

Bytes preview_body() {
    Bytes b;
    b.u8(2).u8(1).u8(3).u8(4);  // BGR, bottom row first, 3 bytes, align 4
    b.u32(2).u32(2).u32(2).u32(2).u32(0).u32(0);
    b.zeros(16);
    for (int i = 0; i < 16; ++i) {  // two rows of 8 bytes (6 + 2 padding)
        b.u8(static_cast<std::uint8_t>(i + 1));
    }
    return b;
}

class HandBuiltEffect : public ::testing::Test {
  protected:
    void SetUp() override {
        Bytes file = test::form("KDRE");
        file.append(chunk("ENAM", Bytes().cstring("Page Turn")));
        file.append(chunk("DESC", Bytes().cstring("Turns the page")));
        file.append(chunk("ETYP", Bytes().u32(1)));
        file.append(chunk("VCNT", Bytes().u32(2)));
        file.append(chunk("VDSC", Bytes().u32(0).cstring("Outgoing")));
        file.append(chunk("VDSC", Bytes().u32(1).cstring("Incoming")));
        file.append(chunk("VDSC", Bytes().u32(5).cstring("Nowhere")));
        file.append(chunk("BEST", Bytes().f32(37.5f)));
        file.append(chunk("ALOW", Bytes().u32(1)));
        file.append(chunk("IMG0", preview_body()));
        file.append(chunk("XTRA", Bytes().u32(99)));
        file.append(chunk("CAM0", camera_body()));
        file.append(chunk("LIT0", light_body()));
        file.append(chunk("OBJ0", object_body()));
        file.append(chunk("OBJ0", morph_target_body()));
        file.append(chunk("OBJ0", parent_body()));
        file.append(chunk("SRF0", surface_body(7, 1, 1, "", 1)));
        file.append(chunk("SRF0", surface_body(8, 0, 0, "Marble", 0)));
        file.append(chunk("PTH0", path_body()));
        file.append(chunk("ENV0", envelope_body()));
        file.append(chunk("WRP0", warp_body()));
        test::write_file(path, file);
    }

    test::TempFolder folder;
    std::filesystem::path path = folder.path() / "PAGETURN.KDR";
};

TEST_F(HandBuiltEffect, StoredLayoutsHaveTheirDocumentedLengths) {
    EXPECT_EQ(camera_body().size(), 100u);
    EXPECT_EQ(light_body().size(), 110u);
    EXPECT_EQ(object_body().size(), 120u + 12 * 4 + 44 * 2);
    EXPECT_EQ(surface_body(1, 0, 0, "", 0).size(), 382u);
    EXPECT_EQ(path_body().size(), 20u + 56 * 2);
    EXPECT_EQ(envelope_body().size(), 22u + 24);
    EXPECT_EQ(warp_body().size(), 65u + 4 * 3);
}

TEST_F(HandBuiltEffect, LoadsHeaderChunks) {
    Scene scene;
    ASSERT_TRUE(scene.load_file(path));
    EXPECT_EQ(scene.name, "Page Turn");
    EXPECT_EQ(scene.description, "Turns the page");
    EXPECT_EQ(scene.type, 1u);
    ASSERT_EQ(scene.video_names.size(), 2u);
    EXPECT_EQ(scene.video_names[0], "Outgoing");
    EXPECT_EQ(scene.video_names[1], "Incoming");
    EXPECT_FLOAT_EQ(scene.best_frame, 37.5f);
    EXPECT_EQ(scene.allow, 1u);
    EXPECT_EQ(scene.preview.width, 2u);
    EXPECT_EQ(scene.preview.stride, 8u);
    ASSERT_NE(scene.preview.buffer, nullptr);
    EXPECT_EQ(scene.preview.buffer[15], 16);
}

TEST_F(HandBuiltEffect, LoadsExactlyTheItemsItHolds) {
    Scene scene;
    ASSERT_TRUE(scene.load_file(path));
    EXPECT_EQ(scene.cameras.size(), 1u);
    EXPECT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.objects.size(), 3u);
    EXPECT_EQ(scene.surfaces.size(), 2u);
    EXPECT_EQ(scene.paths.size(), 1u);
    EXPECT_EQ(scene.envelopes.size(), 1u);
    EXPECT_EQ(scene.warps.size(), 1u);

    const scene::Camera& camera = *scene.cameras[0];
    EXPECT_EQ(camera.id, 1);
    EXPECT_FLOAT_EQ(camera.motion.position[1], 1.5f);
    EXPECT_FLOAT_EQ(camera.motion.position[2], -10);
    EXPECT_FLOAT_EQ(camera.motion.pitch, 5);
    EXPECT_FLOAT_EQ(camera.motion.bank, 25);
    EXPECT_FLOAT_EQ(camera.motion.bias, 0.3f);
    EXPECT_EQ(camera.motion.linear, 1);
    EXPECT_FLOAT_EQ(camera.field_of_view, 40);
    EXPECT_FLOAT_EQ(camera.near_distance, 0.5f);
    EXPECT_FLOAT_EQ(camera.far_distance, 250);
    EXPECT_EQ(camera.extra, (std::array<float, 4>{1, 2, 3, 4}));

    const scene::Light& light = *scene.lights[0];
    EXPECT_EQ(light.id, 2);
    EXPECT_FLOAT_EQ(light.start, 0.25f);
    EXPECT_FLOAT_EQ(light.end, 0.75f);
    EXPECT_EQ(light.link_id, 10);
    EXPECT_EQ(light.light_kind, 3);
    EXPECT_FLOAT_EQ(light.colour[2], 0.7f);
    EXPECT_FLOAT_EQ(light.motion.heading, 90);
    EXPECT_EQ(light.values, (std::array<float, 3>{11, 12, 13}));
    EXPECT_EQ(light.words[0], 0xA1B2C3D4u);
    EXPECT_EQ(light.words[1], 42u);

    const scene::Object& object = *scene.objects[0];
    EXPECT_EQ(object.id, 10);
    EXPECT_EQ(object.parent_id, 12);
    ASSERT_EQ(object.vertices.size(), 4u);
    EXPECT_EQ(object.vertices[2], (Vec3{1, 1, 0}));
    ASSERT_EQ(object.polygons.size(), 2u);
    EXPECT_EQ(object.polygons[0].corner_count, 4);
    EXPECT_EQ(object.polygons[0].surface_id, 7);
    EXPECT_EQ(object.polygons[0].vertex[3], 3);
    EXPECT_FLOAT_EQ(object.polygons[0].t[2], 1);
    EXPECT_EQ(object.polygons[1].corner_count, 3);
    EXPECT_EQ(object.polygons[1].surface_id, 8);
    EXPECT_EQ(object.polygons[1].vertex[0], 2);
    EXPECT_FLOAT_EQ(object.polygons[1].s[1], 0.75f);
    EXPECT_FLOAT_EQ(object.polygons[1].t[2], 1);
    EXPECT_FLOAT_EQ(object.motion.position[2], 3);
    EXPECT_FLOAT_EQ(object.motion.bank, 30);
    EXPECT_FLOAT_EQ(object.motion.scale[0], 2);
    EXPECT_FLOAT_EQ(object.morph_position, 0.5f);
    EXPECT_EQ(object.flags, (std::array<std::uint16_t, 4>{9, 1, 0, 6}));
    EXPECT_TRUE(object.casts_shadow());
    EXPECT_EQ(object.pivot, (Vec3{0.5f, 0.5f, 0}));
    EXPECT_FLOAT_EQ(object.own_transparency, 0.25f);
    EXPECT_EQ(object.video_number, 1u);
    EXPECT_EQ(object.morph_target_count, 1u);
    EXPECT_EQ(object.next_morph_target_id, 11);
    EXPECT_EQ(object.morph_target_flag, 0);
    EXPECT_EQ(object.parent, scene.objects[2].get());
    EXPECT_EQ(scene.objects[1]->morph_target_flag, 1);
    EXPECT_FLOAT_EQ(scene.objects[2]->motion.position[2], -4);

    const scene::Surface& video = *scene.surfaces[0];
    EXPECT_EQ(video.id, 7);
    EXPECT_EQ(video.source_kind, source_video);
    EXPECT_EQ(video.video_number, 1);
    EXPECT_EQ(video.first_colour, (Colour{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(video.diffuse, (Colour{1, 0.5f, 0.25f, 1}));
    EXPECT_EQ(video.third_colour, (Colour{0.5f, 0.6f, 0.7f, 0.8f}));
    EXPECT_FLOAT_EQ(video.value68, 68);
    EXPECT_EQ(video.fourth_colour, (Colour{0.9f, 0.9f, 0.9f, 0.9f}));
    EXPECT_TRUE(video.smooths());
    EXPECT_EQ(video.words, (std::array<std::uint32_t, 2>{348, 352}));
    EXPECT_EQ(video.values, (std::array<float, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(video.two_sided, 1);
    EXPECT_STREQ(scene.surfaces[1]->name.data(), "Marble");
    EXPECT_FALSE(scene.surfaces[1]->smooths());

    const scene::Path& path = *scene.paths[0];
    EXPECT_EQ(path.link, &object);
    ASSERT_EQ(path.keys.size(), 2u);
    EXPECT_FLOAT_EQ(path.keys[1].time, 1);
    EXPECT_FLOAT_EQ(path.keys[1].position[0], 4);
    EXPECT_FLOAT_EQ(path.keys[1].pitch, 90);
    EXPECT_FLOAT_EQ(path.keys[1].scale[2], 4);
    EXPECT_FLOAT_EQ(path.keys[1].continuity, -0.5f);
    EXPECT_EQ(path.keys[1].linear, 1);

    // The single key at 0.5 is completed with keys at 0 and 1.
    const scene::Envelope& envelope = *scene.envelopes[0];
    EXPECT_EQ(envelope.parameter, 205);
    ASSERT_EQ(envelope.keys.size(), 3u);
    EXPECT_FLOAT_EQ(envelope.keys[1].value, 45);
    EXPECT_FLOAT_EQ(envelope.keys[1].bias, 0.3f);

    const scene::Warp& warp = *scene.warps[0];
    EXPECT_STREQ(warp.name.data(), "Ripple");
    EXPECT_FLOAT_EQ(warp.main_value, 2.5f);
    EXPECT_EQ(warp.parameters, (std::vector<std::uint32_t>{7, 8, 9}));
    EXPECT_EQ(warp.link, &object);
}

// The writers give back the stored bytes of every item (the envelope's
// completed keys aside, which are written as completed).
TEST_F(HandBuiltEffect, WritersReproduceTheStoredItemChunks) {
    Scene scene;
    ASSERT_TRUE(scene.load_file(path));
    EXPECT_EQ(scene.cameras[0]->write_chunk(), camera_body().data);
    EXPECT_EQ(scene.lights[0]->write_chunk(), light_body().data);
    EXPECT_EQ(scene.objects[0]->write_chunk(), object_body().data);
    EXPECT_EQ(scene.objects[1]->write_chunk(), morph_target_body().data);
    EXPECT_EQ(scene.surfaces[0]->write_chunk(), surface_body(7, 1, 1, "", 1).data);
    EXPECT_EQ(scene.surfaces[1]->write_chunk(), surface_body(8, 0, 0, "Marble", 0).data);
    EXPECT_EQ(scene.paths[0]->write_chunk(), path_body().data);
    EXPECT_EQ(scene.warps[0]->write_chunk(), warp_body().data);

    Bytes completed;
    completed.header(30, 0.0f, 1.0f, 0, 0).u16(205).u32(3);
    completed.floats({0, 45, 0, 0, 0}).u16(1).u16(0);
    completed.floats({0.5f, 45, 0.1f, 0.2f, 0.3f}).u16(0).u16(0);
    completed.floats({1, 45, 0, 0, 0}).u16(1).u16(0);
    EXPECT_EQ(scene.envelopes[0]->write_chunk(), completed.data);
}

TEST_F(HandBuiltEffect, StopIdentifierEndsTheLoadRightAfterThatChunk) {
    Scene scene;
    ASSERT_TRUE(scene.load_file(path, chunks::make_id("IMG0")));
    EXPECT_EQ(scene.name, "Page Turn");
    EXPECT_NE(scene.preview.buffer, nullptr);
    for (int kind = 0; kind < scene::item_kind_count; ++kind) {
        EXPECT_EQ(scene.item_count(static_cast<scene::ItemKind>(kind)), 0u) << "kind " << kind;
    }
}

}  // namespace
}  // namespace kdr

// Effect files on disk: found by name under the installation folder, cut
// files, hostile counts, the video-name table and textures.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "hand_bytes.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using test::Bytes;
using test::chunk;

// An object chunk body: `vertices` vertices and the given polygons, each a
// corner count followed by its vertex indices.
Bytes object_body(std::uint16_t id, std::uint32_t vertices,
                  std::vector<std::vector<std::uint16_t>> polygons) {
    Bytes b;
    b.header(id, 0, 1, 0, 0).u32(vertices);
    for (std::uint32_t i = 0; i < vertices; ++i) {
        b.floats({static_cast<float>(i), 0, 0});
    }
    b.u32(static_cast<std::uint32_t>(polygons.size()));
    for (const auto& polygon : polygons) {
        b.u16(static_cast<std::uint16_t>(polygon.size())).u16(1);
        for (std::uint16_t index : polygon) {
            b.u16(index).f32(0).f32(0);
        }
    }
    b.motion({0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0);
    b.f32(0).zeros(8).floats({0, 0, 0}).f32(0).u32(0).u32(0).u16(0).u16(0);
    return b;
}

Bytes camera_body(std::uint16_t id) {
    Bytes b;
    b.header(id, 0, 1, 0, 0).zeros(84);
    return b;
}

class EffectFile : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        // The effects folder as some installations spell it.
        std::filesystem::remove(effects());
        std::filesystem::create_directories(folder.path() / "Effects");
    }

    // Writes chunks into EFFECTS/name.KDR and loads it by name.
    bool load(Scene& scene, const Bytes& chunks, chunks::ChunkId stop = 0) {
        Bytes file = test::form("KDRE");
        file.append(chunks);
        test::write_file(folder.path() / "Effects" / "TEST.KDR", file);
        return scene.load("TEST", stop);
    }
};

TEST_F(EffectFile, IsFoundByNameInTheEffectsFolder) {
    Scene scene;
    ASSERT_TRUE(
        load(scene, chunk("ENAM", Bytes().cstring("Spin")).append(chunk("CAM0", camera_body(1)))));
    EXPECT_EQ(scene.name, "Spin");
    EXPECT_EQ(scene.cameras.size(), 1u);
}

TEST_F(EffectFile, AMissingOrForeignFileFailsAndLeavesTheSceneEmpty) {
    Scene scene;
    scene.name = "left over";
    scene.cameras.push_back(std::make_unique<scene::Camera>());
    EXPECT_FALSE(scene.load("ABSENT"));
    EXPECT_TRUE(scene.name.empty());
    EXPECT_TRUE(scene.cameras.empty());

    test::write_file(folder.path() / "Effects" / "IMAGE.KDR", test::form("KDRI"));
    EXPECT_FALSE(scene.load("IMAGE"));
}

// Effect names are file names in the effects folder: a name that climbs out
// of it or is a path of its own does not load the file it points at.
TEST_F(EffectFile, ANameThatLeavesTheEffectsFolderLoadsNothing) {
    Bytes file = test::form("KDRE");
    file.append(chunk("ENAM", Bytes().cstring("Outside")));
    test::write_file(folder.path() / "OUTSIDE.KDR", file);
    test::write_file(folder.path() / "Effects" / "INSIDE.KDR", file);
    Scene scene;
    ASSERT_TRUE(scene.load("INSIDE"));
    for (const std::string& name : std::vector<std::string>{
             "../OUTSIDE", (folder.path() / "OUTSIDE").string(), "../Effects/INSIDE"}) {
        EXPECT_FALSE(scene.load(name.c_str())) << name;
        EXPECT_TRUE(scene.name.empty()) << name;
    }
}

TEST_F(EffectFile, AFileCutInsideTheLastChunkFailsTheLoad) {
    Bytes good = chunk("CAM0", camera_body(1));
    Bytes cut_data = good;
    cut_data.append(chunk("CAM0", camera_body(2)));
    cut_data.data.resize(cut_data.size() - 10);
    Bytes cut_length = good;
    cut_length.id("CAM0").u16(100);
    Scene scene;
    EXPECT_FALSE(load(scene, cut_data));
    EXPECT_TRUE(scene.cameras.empty());
    EXPECT_FALSE(load(scene, cut_length));
    EXPECT_TRUE(scene.cameras.empty());
}

TEST_F(EffectFile, AFileCutInsideAChunkIdentifierLoadsWhatCameBefore) {
    Bytes chunks = chunk("CAM0", camera_body(1));
    chunks.u16(0x4143);  // half an identifier
    Scene scene;
    ASSERT_TRUE(load(scene, chunks));
    EXPECT_EQ(scene.cameras.size(), 1u);
}

TEST_F(EffectFile, VideoNamesOutsideTheTableAreIgnored) {
    Scene scene;
    ASSERT_TRUE(load(scene, chunk("VCNT", Bytes().u32(2))
                                .append(chunk("VDSC", Bytes().u32(5).cstring("Five")))
                                .append(chunk("VDSC", Bytes().u32(1).cstring("Second")))
                                .append(chunk("VDSC", Bytes().u32(0)))
                                .append(chunk("VDSC", Bytes().u16(0)))));
    ASSERT_EQ(scene.video_names.size(), 2u);
    EXPECT_EQ(scene.video_names[0], "");
    EXPECT_EQ(scene.video_names[1], "Second");
}

TEST_F(EffectFile, AHugeVideoCountIsCapped) {
    Scene scene;
    ASSERT_TRUE(load(scene, chunk("VCNT", Bytes().u32(0xFFFFFFFF))
                                .append(chunk("VDSC", Bytes().u32(3).cstring("Fourth")))));
    EXPECT_EQ(scene.video_names.size(), Scene::max_video_count);
    EXPECT_EQ(scene.video_names[3], "Fourth");
}

TEST_F(EffectFile, HeaderStringsWithoutTerminatorTakeTheWholeChunk) {
    Scene scene;
    ASSERT_TRUE(load(scene, chunk("ENAM", Bytes().text("Open", 4))));
    EXPECT_EQ(scene.name, "Open");
}

// One item chunk whose counts or length lie, between two good cameras: the
// bad item is dropped, the load goes on.
struct HostileCase {
    const char* what;
    const char* id;
    Bytes body;
};

class HostileItem : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileItem, IsDroppedAndTheRestLoads) {
    const HostileCase& c = GetParam();
    Bytes chunks = chunk("CAM0", camera_body(1));
    for (int i = 0; i < 4; ++i) {
        chunks.u8(static_cast<std::uint8_t>(c.id[i]));
    }
    chunks.u32(static_cast<std::uint32_t>(c.body.size())).append(c.body);
    chunks.append(chunk("CAM0", camera_body(2)));

    test::TempFolder folder;
    Bytes file = test::form("KDRE");
    file.append(chunks);
    test::write_file(folder.path() / "HOSTILE.KDR", file);
    Scene scene;
    ASSERT_TRUE(scene.load_file(folder.path() / "HOSTILE.KDR")) << c.what;
    EXPECT_EQ(scene.cameras.size(), 2u) << c.what;
    EXPECT_EQ(scene.lights.size() + scene.objects.size() + scene.surfaces.size() +
                  scene.paths.size() + scene.envelopes.size() + scene.warps.size(),
              0u)
        << c.what;
}

Bytes truncated(Bytes body, std::size_t size) {
    body.data.resize(size);
    return body;
}

Bytes with_u32_at(Bytes body, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        body.data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return body;
}

Bytes good_object() {
    return object_body(5, 4, {{0, 1, 2, 3}, {0, 1, 2}});
}

Bytes path_with_keys(std::uint32_t declared, std::uint32_t present) {
    Bytes b;
    b.header(3, 0, 1, 0, 0).u32(declared).zeros(56 * present);
    return b;
}

Bytes envelope_with_keys(std::uint32_t declared, std::uint32_t present) {
    Bytes b;
    b.header(3, 0, 1, 0, 0).u16(1).u32(declared).zeros(24 * present);
    return b;
}

Bytes warp_with_parameters(std::uint32_t declared, std::uint32_t present) {
    Bytes b;
    b.header(3, 0, 1, 0, 0).text("w", 41).f32(0).u32(declared).zeros(4 * present);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, HostileItem,
    ::testing::Values(
        HostileCase{"header shorter than 16 bytes", "OBJ0", truncated(good_object(), 15)},
        HostileCase{"camera short by one byte", "CAM0", truncated(camera_body(3), 99)},
        HostileCase{"light short by one byte", "LIT0", Bytes().header(3, 0, 1, 0, 0).zeros(93)},
        HostileCase{"surface short by one byte", "SRF0", Bytes().header(3, 0, 1, 0, 0).zeros(365)},
        HostileCase{"vertex count beyond the chunk", "OBJ0", with_u32_at(good_object(), 16, 1000)},
        HostileCase{"vertex count beyond 16-bit indices", "OBJ0",
                    with_u32_at(good_object(), 16, 0x40000000)},
        HostileCase{"polygon count beyond the chunk", "OBJ0",
                    with_u32_at(good_object(), 20 + 48, 500)},
        HostileCase{"five corners", "OBJ0", object_body(5, 5, {{0, 1, 2, 3, 4}})},
        HostileCase{"two corners", "OBJ0", object_body(5, 3, {{0, 1}})},
        HostileCase{"vertex index not below the vertex count", "OBJ0",
                    object_body(5, 3, {{0, 1, 3}})},
        HostileCase{"trailing fields cut", "OBJ0", truncated(good_object(), 120 + 48 + 78 - 1)},
        HostileCase{"path key count beyond the chunk", "PTH0", path_with_keys(3, 2)},
        HostileCase{"path key count near 2^32", "PTH0", path_with_keys(0xFFFFFFFF, 1)},
        HostileCase{"envelope key count beyond the chunk", "ENV0", envelope_with_keys(2, 1)},
        HostileCase{"envelope cut in its key count", "ENV0",
                    truncated(envelope_with_keys(0, 0), 20)},
        HostileCase{"warp parameter count beyond the chunk", "WRP0", warp_with_parameters(5, 4)},
        HostileCase{"warp cut in its name", "WRP0", truncated(warp_with_parameters(0, 0), 40)}),
    [](const ::testing::TestParamInfo<HostileCase>& info) {
        std::string name = info.param.what;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(HostileItemBaseline, TheGoodBodiesLoad) {
    // The bodies the cases above spoil are themselves valid.
    test::TempFolder folder;
    Bytes file = test::form("KDRE");
    file.append(chunk("OBJ0", good_object()))
        .append(chunk("PTH0", path_with_keys(2, 2)))
        .append(chunk("ENV0", envelope_with_keys(1, 1)))
        .append(chunk("WRP0", warp_with_parameters(4, 4)))
        .append(chunk("LIT0", Bytes().header(3, 0, 1, 0, 0).zeros(94)))
        .append(chunk("SRF0", Bytes().header(3, 0, 1, 0, 0).zeros(366)));
    test::write_file(folder.path() / "GOOD.KDR", file);
    Scene scene;
    ASSERT_TRUE(scene.load_file(folder.path() / "GOOD.KDR"));
    EXPECT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.paths.size(), 1u);
    EXPECT_EQ(scene.envelopes.size(), 1u);
    EXPECT_EQ(scene.warps.size(), 1u);
    EXPECT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.surfaces.size(), 1u);
}

Bytes surface(std::uint16_t id, std::uint16_t kind, const std::string& name) {
    Bytes b;
    b.header(id, 0, 1, 0, 0).u16(kind).u16(0).zeros(68).text(name, 256).zeros(38);
    return b;
}

TEST_F(EffectFile, TextureSurfacesGetTheTextureOfTheirName) {
    ImageRecord picture;
    image_construct(picture);
    image_set_shape(picture, {format_bgr, 3, 4, row_order_bottom_up, 2, 2});
    ASSERT_TRUE(image_allocate(picture));
    picture.buffer[0] = 200;
    ASSERT_TRUE(write_image_file(picture, folder.path() / "Textures" / "WOOD.KDT"));
    image_release_all(picture);

    Scene scene;
    ASSERT_TRUE(load(scene, chunk("SRF0", surface(1, 2, "WOOD"))
                                .append(chunk("SRF0", surface(2, 1, "WOOD")))
                                .append(chunk("SRF0", surface(3, 2, "MISSING")))
                                .append(chunk("SRF0", surface(4, 2, "WOOD")))));
    ASSERT_EQ(scene.textures.size(), 3u);
    EXPECT_STREQ(scene.textures[0].name, "WOOD");
    EXPECT_TRUE(image_has_pixels(scene.textures[0]));
    EXPECT_EQ(scene.textures[0].buffer[0], 200);
    EXPECT_STREQ(scene.textures[1].name, "MISSING");
    EXPECT_FALSE(image_has_pixels(scene.textures[1]));
    EXPECT_STREQ(scene.textures[2].name, "WOOD");
    EXPECT_EQ(scene.surfaces[0]->texture_index, 0);
    EXPECT_EQ(scene.surfaces[1]->texture_index, -1);  // a video surface
    EXPECT_EQ(scene.surfaces[2]->texture_index, 1);
    EXPECT_EQ(scene.surfaces[3]->texture_index, 0);  // the first of its name
    EXPECT_EQ(scene.find_texture("WOOD"), 0);
    EXPECT_EQ(scene.find_texture("wood"), -1);

    Scene copy;
    ASSERT_TRUE(copy.copy_from(scene));
    ASSERT_EQ(copy.textures.size(), 3u);
    EXPECT_NE(copy.textures[0].buffer, scene.textures[0].buffer);
    EXPECT_EQ(copy.textures[0].owns, 1);
    Scene shared;
    ASSERT_TRUE(shared.copy_from(scene, ImageCopy::shared));
    EXPECT_EQ(shared.textures[0].buffer, scene.textures[0].buffer);
    EXPECT_EQ(shared.textures[0].owns, 0);
}

}  // namespace
}  // namespace kdr

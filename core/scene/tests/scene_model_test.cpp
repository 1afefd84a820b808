// Linking, copying, comparing and writing scenes; item parameters; envelope
// key completion.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "hand_bytes.h"
#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/scene.h"
#include "scene_builders.h"

namespace kdr {
namespace {

using test::add_envelope;
using test::add_object;
using test::add_path;

TEST(SceneLink, LinkFindsTheItemInTheLatestListHoldingTheId) {
    Scene scene;
    scene::Object& object = add_object(scene, 5);
    auto& surface = *scene.surfaces.emplace_back(std::make_unique<scene::Surface>());
    surface.id = 5;
    scene::Path& path = add_path(scene, 6, 5);
    scene::Envelope& envelope = add_envelope(scene, 7, 6, 0, {});
    scene::Envelope& dangling = add_envelope(scene, 8, 99, 0, {});
    scene.link();
    EXPECT_EQ(path.link, &surface);  // the surface list comes after the object list
    EXPECT_EQ(envelope.link, &path);
    EXPECT_EQ(dangling.link, nullptr);
    EXPECT_EQ(object.link, nullptr);
}

TEST(SceneLink, ParentIsTheObjectWithTheParentId) {
    Scene scene;
    scene::Object& child = add_object(scene, 1);
    scene::Object& parent = add_object(scene, 2);
    scene::Object& orphan = add_object(scene, 3);
    child.parent_id = 2;
    orphan.parent_id = 77;
    scene.link();
    EXPECT_EQ(child.parent, &parent);
    EXPECT_EQ(parent.parent, nullptr);
    EXPECT_EQ(orphan.parent, nullptr);
    EXPECT_EQ(root_object(child), &parent);
}

TEST(SceneLink, CircularParentChainsEndAtARoot) {
    Scene scene;
    scene::Object& a = add_object(scene, 1);
    scene::Object& b = add_object(scene, 2);
    scene::Object& c = add_object(scene, 3);
    scene::Object& self = add_object(scene, 4);
    a.parent_id = 2;
    b.parent_id = 3;
    c.parent_id = 1;  // closes a -> b -> c -> a
    self.parent_id = 4;
    scene.link();
    EXPECT_EQ(a.parent, &b);
    EXPECT_EQ(b.parent, &c);
    EXPECT_EQ(c.parent, nullptr);
    EXPECT_EQ(self.parent, nullptr);
    EXPECT_EQ(root_object(a), &c);
}

TEST(SceneLink, RootOfAHandBuiltCircleStopsBeforeTheRepeat) {
    scene::Object a;
    scene::Object b;
    a.parent = &b;
    b.parent = &a;
    EXPECT_EQ(root_object(a), &b);
    EXPECT_EQ(root_object(b), &a);
}

void build_sample(Scene& scene) {
    scene.type = 1;
    scene.name = "Sample";
    scene.allow = 1;
    scene.video_names = {"one", "two"};
    scene::Object& object = add_object(scene, 10);
    object.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    object.polygons.resize(1);
    object.polygons[0].corner_count = 3;
    object.polygons[0].vertex = {0, 1, 2, 0};
    add_path(scene, 20, 10).keys.resize(2);
    add_envelope(scene, 30, 10, 1, {{0, 0}, {1, 1}});
    scene.link();
}

TEST(SceneCopy, DeepCopyIsEqualAndIndependent) {
    Scene source;
    build_sample(source);
    Scene copy;
    ASSERT_TRUE(copy.copy_from(source));
    EXPECT_FALSE(copy.differs(source));
    EXPECT_EQ(copy.name, "Sample");
    EXPECT_EQ(copy.video_names, source.video_names);
    // Links point into the copy, not into the source.
    EXPECT_EQ(copy.paths[0]->link, copy.objects[0].get());
    EXPECT_EQ(copy.envelopes[0]->link, copy.objects[0].get());

    copy.objects[0]->vertices[1][0] = 2;
    EXPECT_TRUE(copy.differs(source));
    EXPECT_FLOAT_EQ(source.objects[0]->vertices[1][0], 1);
}

TEST(SceneDiffers, ComparesTypeAllowAndItemsButNotHeaderStrings) {
    Scene a;
    build_sample(a);
    auto changed = [&](auto change) {
        Scene b;
        EXPECT_TRUE(b.copy_from(a));
        change(b);
        return b.differs(a);
    };
    EXPECT_FALSE(changed([](Scene& b) { b.name = "Other"; }));
    EXPECT_FALSE(changed([](Scene& b) { b.description = "Other"; }));
    EXPECT_FALSE(changed([](Scene& b) { b.best_frame = 50; }));
    EXPECT_TRUE(changed([](Scene& b) { b.type = 2; }));
    EXPECT_TRUE(changed([](Scene& b) { b.allow = 0; }));
    EXPECT_TRUE(changed([](Scene& b) { b.paths.clear(); }));
    EXPECT_TRUE(changed([](Scene& b) { b.envelopes[0]->keys[1].value = 2; }));
    EXPECT_TRUE(changed([](Scene& b) { b.envelopes[0]->parameter = 0; }));
    EXPECT_TRUE(changed([](Scene& b) { b.objects[0]->end = 0.5f; }));
    EXPECT_TRUE(changed([](Scene& b) { b.objects[0]->polygons[0].vertex[2] = 0; }));
    EXPECT_TRUE(changed([](Scene& b) { b.paths[0]->keys[0].linear = 1; }));
    // Normals are computed per frame and are not part of the item.
    EXPECT_FALSE(changed([](Scene& b) { b.objects[0]->polygons[0].face_normal = {0, 0, 1}; }));
}

TEST(SceneWrite, ItemsGoOutListByListInListOrder) {
    Scene scene;
    build_sample(scene);
    scene.cameras.push_back(std::make_unique<scene::Camera>());
    scene.warps.push_back(std::make_unique<scene::Warp>());
    chunks::ChunkStream stream = chunks::ChunkStream::open_memory_writer(chunks::make_id("KDRE"));
    scene.write_items(stream);
    const std::vector<std::uint8_t> block = stream.copy_block();
    chunks::ChunkStream reader = chunks::ChunkStream::open_memory_reader(block.data(), block.size(),
                                                                         chunks::make_id("KDRE"));
    std::vector<std::string> order;
    chunks::Chunk chunk;
    Scene reread;
    while (reader.read_chunk(chunk) == chunks::ready) {
        order.push_back(chunks::id_to_text(chunk.id));
        reread.parse_chunk(chunk);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"CAM0", "OBJ0", "PTH0", "ENV0", "WRP0"}));
    reread.type = scene.type;
    reread.allow = scene.allow;
    EXPECT_FALSE(reread.differs(scene));
}

TEST(SceneWrite, NothingIsWrittenToAStreamThatIsNotReady) {
    Scene scene;
    build_sample(scene);
    test::Bytes block = test::memory_block("KDRE", {});
    chunks::ChunkStream reader = chunks::ChunkStream::open_memory_reader(
        block.data.data(), block.size(), chunks::make_id("KDRE"));
    chunks::Chunk chunk;
    ASSERT_EQ(reader.read_chunk(chunk), chunks::end_of_data);
    scene.write_items(reader);
    EXPECT_EQ(reader.status(), chunks::end_of_data);
}

TEST(ObjectChunk, IsWrittenWithRoomForQuadsAndAZeroTail) {
    scene::Object object;
    object.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    object.polygons.resize(3);
    for (scene::Polygon& polygon : object.polygons) {
        polygon.corner_count = 3;
        polygon.vertex = {0, 1, 2, 0};
    }
    object.polygons[1].corner_count = 4;
    object.polygons[1].vertex = {0, 1, 2, 3};
    const std::vector<std::uint8_t> chunk = object.write_chunk();
    ASSERT_EQ(chunk.size(), 120u + 12 * 4 + 44 * 3);
    EXPECT_EQ(chunk.size(), object.stored_size());
    // Two triangles leave 20 bytes, all at the end.
    for (std::size_t i = chunk.size() - 20; i < chunk.size(); ++i) {
        EXPECT_EQ(chunk[i], 0) << "byte " << i;
    }
    scene::Object reread;
    ASSERT_TRUE(reread.read_chunk(chunk.data(), static_cast<std::uint32_t>(chunk.size())));
    EXPECT_FALSE(reread.differs(object));
    // Packed polygons without the tail read just as well.
    ASSERT_TRUE(reread.read_chunk(chunk.data(), static_cast<std::uint32_t>(chunk.size() - 20)));
    EXPECT_FALSE(reread.differs(object));
}

TEST(ItemParameters, ObjectsTakeTransparencyAndMorphPositionClamped) {
    scene::Object object;
    object.morph_target_count = 2;
    object.set_parameter(0, 1.5f);
    EXPECT_FLOAT_EQ(object.own_transparency, 1);
    object.set_parameter(0, -0.5f);
    EXPECT_FLOAT_EQ(object.own_transparency, 0);
    object.set_parameter(0, 0.25f);
    EXPECT_FLOAT_EQ(object.own_transparency, 0.25f);
    object.set_parameter(1, 3);
    EXPECT_FLOAT_EQ(object.morph_position, 2);
    object.set_parameter(1, 1.5f);
    EXPECT_FLOAT_EQ(object.morph_position, 1.5f);
    object.set_parameter(1, std::nanf(""));
    EXPECT_FLOAT_EQ(object.morph_position, 0);
    object.set_parameter(2, 9);
    EXPECT_FLOAT_EQ(object.morph_position, 0);
    EXPECT_FLOAT_EQ(object.own_transparency, 0.25f);
}

TEST(ItemParameters, WarpsTakeMainValueAndParametersBelowTheirCount) {
    scene::Warp warp;
    warp.parameters = {0, 0, 0};
    warp.set_parameter(0, 4);
    warp.set_parameter(2, 1.5f);
    warp.set_parameter(3, 7);  // not below the count
    EXPECT_FLOAT_EQ(warp.main_value, 4);
    EXPECT_EQ(warp.parameters[2], std::bit_cast<std::uint32_t>(1.5f));
    EXPECT_EQ(warp.parameters[0], 0u);
    EXPECT_EQ(warp.parameters.size(), 3u);
}

TEST(ItemParameters, OtherKindsIgnoreThem) {
    scene::Camera camera;
    camera.set_parameter(0, 5);
    camera.set_parameter(1, 5);
    EXPECT_FALSE(camera.differs(scene::Camera()));
}

struct CompletionCase {
    std::vector<std::pair<float, float>> keys;  // time, value
    std::vector<std::pair<float, float>> completed;
};

class EnvelopeCompletion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(EnvelopeCompletion, AddsLinearKeysAtZeroAndOne) {
    test::Bytes body;
    body.header(1, 0, 1, 0, 0).u16(3).u32(static_cast<std::uint32_t>(GetParam().keys.size()));
    for (auto [time, value] : GetParam().keys) {
        body.floats({time, value, 0.5f, 0.5f, 0.5f}).u16(0).u16(0);
    }
    scene::Envelope envelope;
    ASSERT_TRUE(envelope.read_chunk(body.data.data(), static_cast<std::uint32_t>(body.size())));
    ASSERT_EQ(envelope.keys.size(), GetParam().completed.size());
    for (std::size_t i = 0; i < envelope.keys.size(); ++i) {
        EXPECT_FLOAT_EQ(envelope.keys[i].time, GetParam().completed[i].first) << "key " << i;
        EXPECT_FLOAT_EQ(envelope.keys[i].value, GetParam().completed[i].second) << "key " << i;
        const bool added =
            envelope.keys.size() > GetParam().keys.size() &&
            (i == 0 ? GetParam().keys.front().first != 0
                    : i + 1 == envelope.keys.size() && GetParam().keys.back().first != 1);
        EXPECT_EQ(envelope.keys[i].linear, added ? 1 : 0) << "key " << i;
        EXPECT_FLOAT_EQ(envelope.keys[i].tension, added ? 0.0f : 0.5f) << "key " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EnvelopeCompletion,
    ::testing::Values(CompletionCase{{{0.5f, 7}}, {{0, 7}, {0.5f, 7}, {1, 7}}},
                      CompletionCase{{{0, 1}, {1, 2}}, {{0, 1}, {1, 2}}},
                      CompletionCase{{{0, 1}, {0.4f, 2}}, {{0, 1}, {0.4f, 2}, {1, 2}}},
                      CompletionCase{{{0.3f, 1}, {1, 2}}, {{0, 1}, {0.3f, 1}, {1, 2}}},
                      CompletionCase{{}, {}}));

}  // namespace
}  // namespace kdr

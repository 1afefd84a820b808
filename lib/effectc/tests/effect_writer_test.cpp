#include "kaleidra/effectc/effect_writer.h"

#include <gtest/gtest.h>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/effectc/description_reader.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::effectc {
namespace {

const char* const description =
    "effect Sample\n"
    "description \"Two pictures\"\n"
    "type 1\n"
    "videos \"Outgoing\" \"Incoming\"\n"
    "best 35\n"
    "camera 1 fov 40 near 0.25 far 30\n"
    "surface 2 video 1\n"
    "surface 3 video 2 smooth\n"
    "surface 4 colour 0.5 0.25 1 alpha 0.5 two_sided\n"
    "surface 5 texture KD_STAGE\n"
    "object 10 surface 3 at 0 0 -6 mesh quad width 4 height 3\n"
    "object 11 surface 2 shadow pivot 0 1 0 transparency 0.125\n"
    "  mesh quad width 2 height 2 cols 2 rows 2\n"
    "  target wave width 2 height 2 cols 2 rows 2 amplitude 0.5\n"
    "  target twist width 2 height 2 cols 2 rows 2 angle 45\n"
    "  key 0 pos 0 0 -4\n"
    "  key 1 pos 3 0 -4 turn 0 90 0 linear\n"
    "  envelope morph 0 0 1 2\n"
    "object 12 surface 4 parent 11 morph_of 11\n"
    "  mesh quad width 2 height 2 cols 2 rows 2 back 1\n"
    "object 20000 at 0 0 -5\n"
    "settings_envelope 103 linear 0 2 1 2\n";

class EffectWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ReadResult read = read_description_text(description, "Sample.kfx");
        ASSERT_TRUE(read.effect) << read.error;
        build_scene(*read.effect, built);
        ASSERT_EQ(write_effect_file(built, file), "");
        ASSERT_TRUE(loaded.load_file(file));
    }

    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "Sample.KDR";
    Scene built;
    Scene loaded;
};

TEST_F(EffectWriterTest, HeaderValuesReadBack) {
    EXPECT_EQ(loaded.name, "Sample");
    EXPECT_EQ(loaded.description, "Two pictures");
    EXPECT_EQ(loaded.type, 1u);
    ASSERT_EQ(loaded.video_names.size(), 2u);
    EXPECT_EQ(loaded.video_names[0], "Outgoing");
    EXPECT_EQ(loaded.video_names[1], "Incoming");
    EXPECT_EQ(loaded.best_frame, 35.0f);
    EXPECT_EQ(loaded.allow, 1u);
    EXPECT_FALSE(image_has_pixels(loaded.preview));
}

TEST_F(EffectWriterTest, ItemsReadBackAsBuiltWithTargetsAfterTheDescribedObjects) {
    EXPECT_FALSE(built.differs(loaded));
    ASSERT_EQ(loaded.objects.size(), 6u);
    EXPECT_EQ(loaded.objects[0]->id, 10);  // the first described object stays first
    EXPECT_EQ(loaded.objects[3]->id, 20000);
    const scene::Object& card = *loaded.objects[1];
    EXPECT_EQ(card.video_number, 1u);
    EXPECT_TRUE(card.casts_shadow());
    EXPECT_EQ(card.own_transparency, 0.125f);
    EXPECT_EQ(card.pivot[1], 1.0f);
    EXPECT_EQ(card.morph_target_count, 2u);
    EXPECT_EQ(card.vertices.size(), 9u);
    EXPECT_EQ(card.polygons.size(), 4u);
    // The chain: card -> first target -> second target -> end.
    const scene::Object* first = loaded.find_object(card.next_morph_target_id);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->morph_target_flag, 1);
    const scene::Object* second = loaded.find_object(first->next_morph_target_id);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->next_morph_target_id, 0);
    EXPECT_EQ(second->vertices.size(), 9u);
    // The back shares the chain and follows its parent.
    const scene::Object& back = *loaded.objects[2];
    EXPECT_EQ(back.next_morph_target_id, card.next_morph_target_id);
    EXPECT_EQ(back.morph_target_count, 2u);
    EXPECT_EQ(back.parent, &card);
    EXPECT_EQ(back.video_number, 0u);
}

TEST_F(EffectWriterTest, KeysAndEnvelopesAreLinkedToTheirItems) {
    ASSERT_EQ(loaded.paths.size(), 1u);
    const scene::Path& path = *loaded.paths[0];
    EXPECT_EQ(path.link, loaded.objects[1].get());
    ASSERT_EQ(path.keys.size(), 2u);
    EXPECT_EQ(path.keys[1].position[0], 3.0f);
    EXPECT_EQ(path.keys[1].heading, 90.0f);
    EXPECT_EQ(path.keys[1].linear, 1);
    ASSERT_EQ(loaded.envelopes.size(), 2u);
    EXPECT_EQ(loaded.envelopes[0]->link, loaded.objects[1].get());
    EXPECT_EQ(loaded.envelopes[0]->parameter, 1);
    EXPECT_EQ(loaded.envelopes[1]->link_id, 0);
    EXPECT_EQ(loaded.envelopes[1]->parameter, 103);
    // Generated ids are unique and never collide with described ones.
    std::set<int> ids;
    for (std::size_t kind = 0; kind < scene::item_kind_count; ++kind) {
        for (std::size_t i = 0; i < loaded.item_count(static_cast<scene::ItemKind>(kind)); ++i) {
            EXPECT_TRUE(ids.insert(loaded.item(static_cast<scene::ItemKind>(kind), i)->id).second);
        }
    }
}

TEST_F(EffectWriterTest, SurfacesCarryKindVideoColourAndFlags) {
    ASSERT_EQ(loaded.surfaces.size(), 4u);
    EXPECT_EQ(loaded.surfaces[0]->source_kind, source_video);
    EXPECT_EQ(loaded.surfaces[0]->video_number, 1);
    EXPECT_NE(loaded.surfaces[1]->frame_offset_or_smoothing, 0.0f);
    EXPECT_EQ(loaded.surfaces[2]->source_kind, source_colour);
    EXPECT_EQ(loaded.surfaces[2]->diffuse, (Colour{0.5f, 0.25f, 1.0f, 0.5f}));
    EXPECT_EQ(loaded.surfaces[2]->two_sided, 1);
    EXPECT_EQ(loaded.surfaces[3]->source_kind, source_texture);
    EXPECT_STREQ(loaded.surfaces[3]->name.data(), "KD_STAGE");
    ASSERT_EQ(loaded.cameras.size(), 1u);
    EXPECT_EQ(loaded.cameras[0]->field_of_view, 40.0f);
    EXPECT_EQ(loaded.cameras[0]->near_distance, 0.25f);
}

TEST_F(EffectWriterTest, IconGoesAfterTheHeaderAndReplacesAnOldOne) {
    ImageRecord icon;
    image_construct(icon);
    image_set_shape(icon, {format_bgr, 3, 4, row_order_bottom_up, 8, 6});
    ASSERT_TRUE(image_allocate(icon));
    icon.buffer[0] = 77;
    auto with_icon = folder.path() / "WithIcon.KDR";
    ASSERT_EQ(write_effect_with_icon(file, icon, with_icon), "");
    icon.buffer[0] = 99;
    auto again = folder.path() / "Again.KDR";
    ASSERT_EQ(write_effect_with_icon(with_icon, icon, again), "");

    // One IMG0, before the first item chunk; every other chunk unchanged.
    auto ids = [](const std::filesystem::path& f) {
        std::vector<std::string> list;
        auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, f,
                                                     chunks::make_id("KDRE"));
        chunks::Chunk chunk;
        while (stream.read_chunk(chunk) == chunks::ready) {
            list.push_back(chunks::id_to_text(chunk.id));
        }
        return list;
    };
    std::vector<std::string> before = ids(file), after = ids(again);
    ASSERT_EQ(after.size(), before.size() + 1);
    auto icon_at = std::find(after.begin(), after.end(), "IMG0") - after.begin();
    EXPECT_EQ(after[icon_at - 1], "ALOW");
    EXPECT_EQ(after[icon_at + 1], "CAM0");
    EXPECT_EQ(std::count(after.begin(), after.end(), "IMG0"), 1);

    Scene scene;
    ASSERT_TRUE(scene.load_file(again));
    ASSERT_TRUE(image_has_pixels(scene.preview));
    EXPECT_EQ(scene.preview.width, 8u);
    EXPECT_EQ(scene.preview.buffer[0], 99);
    EXPECT_FALSE(scene.differs(loaded));
    // The catalogue reads only up to the icon.
    Scene header;
    ASSERT_TRUE(header.load_file(again, chunks::make_id("IMG0")));
    EXPECT_TRUE(header.objects.empty());
    EXPECT_TRUE(image_has_pixels(header.preview));
    image_release_all(icon);
}

TEST(EffectWriter, ReportsAFileThatCannotBeWritten) {
    Scene scene;
    scene.name = "X";
    std::string error = write_effect_file(scene, "/nonexistent-folder/X.KDR");
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
}

}  // namespace
}  // namespace kdr::effectc

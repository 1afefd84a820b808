// The settings record's operations and its stored "KDRR" form.
#include "kaleidra/scene/effect_settings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "hand_bytes.h"
#include "kaleidra/scene/scene.h"
#include "scene_builders.h"

namespace kdr {
namespace {

using test::Bytes;
using test::chunk;

// A record that owns its scene for the length of a test.
struct Settings {
    Settings() {
        std::memset(&record, 0xA5, sizeof record);  // what a host's memory may hold
        EXPECT_TRUE(settings_initialise(record));
    }
    ~Settings() { settings_destroy(record); }
    Scene& scene() const { return *settings_scene(record); }
    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(&record); }
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(&record); }

    EffectSettings record;
};

void fill(Settings& s) {
    std::strcpy(s.record.name, "Ballsplt");
    for (int g = 0; g < global_value_count; ++g) {
        s.record.globals[g] = static_cast<float>(g) + 0.5f;
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            s.record.video_values[v][k] = static_cast<float>(v * 10 + k) * 0.25f;
        }
    }
    s.scene().name = "user scene";
    s.scene().description = "user description";
    s.scene().video_names = {"a"};
    test::add_object(s.scene(), 3).own_transparency = 0.5f;
    auto& surface = *s.scene().surfaces.emplace_back(std::make_unique<scene::Surface>());
    surface.id = 4;
    surface.source_kind = source_avi;
    surface.set_name("clip.avi");
    test::add_path(s.scene(), 5, 3).keys = {test::path_key(0, 0, 0, 0), test::path_key(1, 1, 2, 3)};
    test::add_envelope(s.scene(), 6, 0, 205, {{0, 10}, {1, 20}});
    s.scene().link();
}

TEST(EffectSettings, InitialiseZeroesEveryByteBeforeTheScene) {
    Settings s;
    for (std::size_t i = 0; i < offsetof(EffectSettings, scene_storage); ++i) {
        ASSERT_EQ(s.bytes()[i], 0) << "byte " << i;
    }
    ASSERT_NE(settings_scene(s.record), nullptr);
    EXPECT_EQ(s.scene().item_count(scene::ItemKind::object), 0u);
}

TEST(EffectSettings, TwoWritesOfTheSameSettingsAreByteIdentical) {
    // The padding and the name's field after its end mean nothing; whatever
    // a record holds there (a longer name it had before, a host's memory),
    // the same settings store the same bytes.
    Settings a;
    fill(a);
    Settings b;
    std::strcpy(b.record.name, "A much longer effect name");
    ASSERT_TRUE(settings_copy(b.record, a.record));
    std::memset(b.record.name, 'z', sizeof b.record.name);
    std::strcpy(b.record.name, "Ballsplt");
    b.record.padding[0] = 0x5A;
    b.record.padding[2] = 0xFF;
    ASSERT_FALSE(settings_differ(a.record, b.record));

    const std::vector<std::uint8_t> first = settings_to_block(a.record);
    const std::vector<std::uint8_t> second = settings_to_block(b.record);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    EXPECT_EQ(settings_to_block(a.record), first) << "writing again gives the same bytes";
    // Stored: the name, then zeros up to the first global value.
    for (std::size_t i = std::strlen("Ballsplt"); i < offsetof(EffectSettings, globals); ++i) {
        EXPECT_EQ(second[16 + i], 0) << "stored byte " << i;
    }
}

TEST(EffectSettings, CopyIsDeep) {
    Settings a;
    fill(a);
    Settings b;
    ASSERT_TRUE(settings_copy(b.record, a.record));
    EXPECT_FALSE(settings_differ(a.record, b.record));
    EXPECT_STREQ(b.record.name, "Ballsplt");
    EXPECT_NE(&b.scene(), &a.scene());
    ASSERT_EQ(b.scene().objects.size(), 1u);
    EXPECT_NE(b.scene().objects[0].get(), a.scene().objects[0].get());
    EXPECT_EQ(b.scene().paths[0]->link, b.scene().objects[0].get());
}

TEST(EffectSettings, DiffersSeesNameValuesAndScene) {
    Settings a;
    fill(a);
    auto differs_after = [&](auto change) {
        Settings b;
        EXPECT_TRUE(settings_copy(b.record, a.record));
        change(b);
        return settings_differ(a.record, b.record);
    };
    EXPECT_FALSE(differs_after([](Settings& b) { b.record.padding[0] ^= 0xFF; }));
    EXPECT_FALSE(differs_after([](Settings& b) { b.record.padding[2] = 7; }));
    // Bytes after the name's terminator are not part of the name.
    EXPECT_FALSE(differs_after([](Settings& b) { b.record.name[30] = 'x'; }));
    EXPECT_TRUE(differs_after([](Settings& b) { b.record.name[0] = 'b'; }));
    EXPECT_TRUE(differs_after([](Settings& b) { b.record.globals[29] = 0; }));
    EXPECT_TRUE(differs_after([](Settings& b) { b.record.video_values[19][9] = 0; }));
    EXPECT_TRUE(differs_after([](Settings& b) { b.scene().envelopes[0]->keys[1].value = 0; }));
    EXPECT_TRUE(differs_after([](Settings& b) { b.scene().objects.clear(); }));
    EXPECT_FALSE(differs_after([](Settings& b) { b.scene().name = "other"; }));
}

TEST(EffectSettings, WriteStoresRin0Of961BytesThenTheItems) {
    Settings s;
    fill(s);
    const std::vector<std::uint8_t> block = settings_to_block(s.record);
    ASSERT_GE(block.size(), 8u + 8 + 961);
    EXPECT_EQ(std::memcmp(block.data() + 4, "KDRR", 4), 0);
    EXPECT_EQ(std::memcmp(block.data() + 8, "RIN0", 4), 0);
    const std::uint32_t length = block[12] | block[13] << 8 | block[14] << 16 | block[15] << 24;
    EXPECT_EQ(length, 961u);
    EXPECT_EQ(std::memcmp(block.data() + 16, s.bytes(), 961), 0);
    EXPECT_EQ(std::memcmp(block.data() + 16 + 961, "OBJ0", 4), 0);
    // No header chunks: the name and description come from the effect file.
    const std::string text(block.begin(), block.end());
    EXPECT_EQ(text.find("ENAM"), std::string::npos);
    EXPECT_EQ(text.find("user scene"), std::string::npos);
}

TEST(EffectSettings, RoundTripRestoresBytes0To960AndTheItemsButNotHeaderStrings) {
    Settings s;
    fill(s);
    const std::vector<std::uint8_t> block = settings_to_block(s.record);

    Settings back;
    back.record.video_values[19][9] = 1234.5f;  // the stored form keeps only its lowest byte
    ASSERT_TRUE(settings_from_block(back.record, block.data(), block.size()));
    EXPECT_EQ(std::memcmp(back.bytes(), s.bytes(), 961), 0);
    unsigned char original_high[3];
    const float old_value = 1234.5f;
    std::memcpy(original_high, reinterpret_cast<const unsigned char*>(&old_value) + 1, 3);
    EXPECT_EQ(std::memcmp(back.bytes() + 961, original_high, 3), 0);

    EXPECT_FALSE(back.scene().differs(s.scene()));
    EXPECT_TRUE(back.scene().name.empty());
    EXPECT_TRUE(back.scene().description.empty());
    EXPECT_TRUE(back.scene().video_names.empty());
    EXPECT_STREQ(back.scene().surfaces[0]->name.data(), "clip.avi");
    EXPECT_EQ(back.scene().paths[0]->link, back.scene().objects[0].get());
}

TEST(EffectSettings, ReadEmptiesTheSceneFirst) {
    Settings s;
    fill(s);
    const Bytes block = test::memory_block("KDRR", chunk("RIN0", Bytes().text("Other", 961)));
    ASSERT_TRUE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_STREQ(s.record.name, "Other");
    EXPECT_EQ(s.scene().objects.size(), 0u);
    EXPECT_EQ(s.scene().envelopes.size(), 0u);
}

TEST(EffectSettings, LongRin0FillsTheFirst964BytesAndIgnoresTheRest) {
    Settings s;
    Bytes rin0;
    rin0.text("Long", 44);
    for (int i = 0; i < 230; ++i) {
        rin0.f32(2.0f);  // 920 bytes of values
    }
    rin0.zeros(100);  // beyond 964: must not reach the scene
    const Bytes block = test::memory_block("KDRR", chunk("RIN0", rin0));
    ASSERT_TRUE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_STREQ(s.record.name, "Long");
    EXPECT_EQ(s.record.globals[0], 2.0f);
    EXPECT_EQ(s.record.video_values[19][9], 2.0f);
    ASSERT_NE(settings_scene(s.record), nullptr);
    EXPECT_EQ(s.scene().objects.size(), 0u);
}

TEST(EffectSettings, ShortRin0LeavesTheRestAsItWas) {
    Settings s;
    fill(s);
    const Bytes block = test::memory_block("KDRR", chunk("RIN0", Bytes().text("Short", 48)));
    ASSERT_TRUE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_STREQ(s.record.name, "Short");
    EXPECT_EQ(s.record.globals[0], 0.0f);  // bytes 44..47 were in the chunk
    EXPECT_EQ(s.record.globals[1], 1.5f);
    EXPECT_EQ(s.record.video_values[19][9], 199 * 0.25f);
}

TEST(EffectSettings, AnUnterminatedNameIsCutInsideItsField) {
    Settings s;
    const Bytes block =
        test::memory_block("KDRR", chunk("RIN0", Bytes().text(std::string(60, 'N'), 961)));
    ASSERT_TRUE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_EQ(std::strlen(s.record.name), 40u);
}

TEST(EffectSettings, ReadPassesOnlyTheListedChunksToTheScene) {
    Settings s;
    Bytes chunks;
    chunks.append(chunk("ENAM", Bytes().cstring("Named")))
        .append(chunk("ALOW", Bytes().u32(1)))
        .append(chunk("BEST", Bytes().f32(20)))
        .append(chunk("CAM0", Bytes().header(1, 0, 1, 0, 0).zeros(84)))
        .append(chunk("ZZZZ", Bytes().u32(1)));
    const Bytes block = test::memory_block("KDRR", chunks);
    ASSERT_TRUE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_EQ(s.scene().name, "Named");
    EXPECT_FLOAT_EQ(s.scene().best_frame, 20);
    EXPECT_EQ(s.scene().allow, 0u);
    EXPECT_EQ(s.scene().cameras.size(), 1u);
}

TEST(EffectSettings, ABlockOfAnotherFormIsRefusedAndTheRecordKept) {
    Settings s;
    fill(s);
    const Bytes block = test::memory_block("KDRE", chunk("RIN0", Bytes().text("Other", 961)));
    EXPECT_FALSE(settings_from_block(s.record, block.data.data(), block.size()));
    EXPECT_STREQ(s.record.name, "Ballsplt");
    EXPECT_EQ(s.scene().objects.size(), 1u);
}

TEST(EffectSettings, ABlockCutInsideAChunkFails) {
    Settings s;
    Bytes block = test::memory_block("KDRR", chunk("RIN0", Bytes().text("Cut", 961)));
    block.data.resize(block.size() - 100);
    EXPECT_FALSE(settings_from_block(s.record, block.data.data(), block.size()));
}

struct ParameterCase {
    int number;
    int global;  // -1: none
    int group;   // -1: none
    int value;
};

class ParameterNumbers : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(ParameterNumbers, AddressTheirValue) {
    const ParameterCase& c = GetParam();
    Settings s;
    settings_set_parameter(s.record, c.number, 9.5f);
    for (int g = 0; g < global_value_count; ++g) {
        EXPECT_EQ(s.record.globals[g], g == c.global ? 9.5f : 0.0f)
            << "number " << c.number << " global " << g;
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            EXPECT_EQ(s.record.video_values[v][k], v == c.group && k == c.value ? 9.5f : 0.0f)
                << "number " << c.number << " group " << v << " value " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParameterNumbers,
    ::testing::Values(ParameterCase{0, 0, -1, -1}, ParameterCase{5, 5, -1, -1},
                      ParameterCase{21, 21, -1, -1}, ParameterCase{22, -1, -1, -1},
                      ParameterCase{29, -1, -1, -1}, ParameterCase{99, -1, -1, -1},
                      ParameterCase{100, -1, 0, 0}, ParameterCase{109, -1, 0, 9},
                      ParameterCase{110, -1, -1, -1}, ParameterCase{205, -1, 1, 5},
                      ParameterCase{2009, -1, 19, 9}, ParameterCase{2010, -1, -1, -1},
                      ParameterCase{2100, -1, -1, -1}, ParameterCase{-1, -1, -1, -1},
                      ParameterCase{65535, -1, -1, -1}));

}  // namespace
}  // namespace kdr

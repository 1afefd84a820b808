// The record work of the option pages: envelope markers, exchanging the
// first two videos, video mappings, the morph object.
#include <gtest/gtest.h>

#include "editing_test_support.h"
#include "kaleidra/gui/number_text.h"
#include "kaleidra/gui/option_values.h"

namespace kdr::gui::test {
namespace {

TEST(OptionValuesTest, SettingsEnvelopesAreThoseWithoutLinkOfTheValuesNumber) {
    Record record;
    add_envelope(record.scene(), 40001, 0, global_blur_count);
    add_envelope(record.scene(), 40002, 20, global_shadows);  // drives an object
    EXPECT_NE(settings_envelope(record.value, global_blur_count), nullptr);
    EXPECT_EQ(settings_envelope(record.value, global_shadows), nullptr)
        << "a linked envelope drives an item, not the settings value";
    EXPECT_EQ(settings_envelope(record.value, video_parameter(1, video_shine)), nullptr);
    EXPECT_EQ(video_parameter(0, video_luminosity), 102);
    EXPECT_EQ(video_parameter(19, video_trail_spacing), 2007);
}

TEST(OptionValuesTest, ExchangingTheFirstTwoVideosSwapsValuesAndEnvelopeNumbers) {
    Record record;
    for (int j = 0; j < video_value_count; ++j) {
        record.value.video_values[0][j] = static_cast<float>(j);
        record.value.video_values[1][j] = static_cast<float>(100 + j);
        record.value.video_values[2][j] = 7;
    }
    add_envelope(record.scene(), 1, 0, 102);
    add_envelope(record.scene(), 2, 0, 207);
    add_envelope(record.scene(), 3, 0, 305);
    add_envelope(record.scene(), 4, 0, 6);
    add_envelope(record.scene(), 5, 20, 101);  // linked: an item's own parameter
    exchange_first_two_videos(record.value);
    EXPECT_EQ(record.value.video_values[0][3], 103);
    EXPECT_EQ(record.value.video_values[1][3], 3);
    EXPECT_EQ(record.value.video_values[2][3], 7);
    const auto& envelopes = record.scene().envelopes;
    EXPECT_EQ(envelopes[0]->parameter, 202);
    EXPECT_EQ(envelopes[1]->parameter, 107);
    EXPECT_EQ(envelopes[2]->parameter, 305);
    EXPECT_EQ(envelopes[3]->parameter, 6);
    EXPECT_EQ(envelopes[4]->parameter, 101);

    exchange_first_two_videos(record.value);
    EXPECT_EQ(record.value.video_values[0][3], 3);
    EXPECT_EQ(envelopes[0]->parameter, 102);
    EXPECT_EQ(envelopes[1]->parameter, 207);
}

TEST(OptionValuesTest, OnlyTwoVideoTransitionsWithAutoreverseExchange) {
    EXPECT_TRUE(fly_change_exchanges(0, 1, 1, true, 1));
    EXPECT_TRUE(fly_change_exchanges(1, 0, 1, true, 1));
    EXPECT_FALSE(fly_change_exchanges(1, 1, 1, true, 1)) << "no change of direction";
    EXPECT_FALSE(fly_change_exchanges(0, 1, 1, true, 0)) << "preference off";
    EXPECT_FALSE(fly_change_exchanges(0, 1, 0, true, 1)) << "not a two-video transition";
    EXPECT_FALSE(fly_change_exchanges(0, 1, 1, false, 1)) << "no effect loaded";
}

TEST(OptionValuesTest, MappingsAreMadeChangedAndRemoved) {
    Record record;
    MappingInput avi{1, "/clips/a.avi", 12};
    EXPECT_EQ(store_mapping(record.value, 2, avi), MappingStore::name_cleared)
        << "a new mapping starts without a name";
    scene::Surface* mapping = find_mapping(record.value, 2);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->id, 3);
    EXPECT_EQ(mapping->source_kind, source_avi);
    EXPECT_EQ(mapping->video_number, 2) << "the 0-based image slot";
    EXPECT_EQ(mapping->start, 0);
    EXPECT_EQ(mapping->end, 1);
    EXPECT_STREQ(mapping->name.data(), "");
    EXPECT_EQ(mapping->frame_offset_or_smoothing, 12);

    EXPECT_EQ(store_mapping(record.value, 2, avi), MappingStore::stored);
    EXPECT_STREQ(find_mapping(record.value, 2)->name.data(), "/clips/a.avi");

    MappingInput bmp{2, "/clips/a.avi", 0};
    EXPECT_EQ(store_mapping(record.value, 2, bmp), MappingStore::name_cleared);
    EXPECT_EQ(find_mapping(record.value, 2)->source_kind, source_bitmap_sequence);
    EXPECT_STREQ(find_mapping(record.value, 2)->name.data(), "") << "AVI to BMP empties the name";
    EXPECT_EQ(record.scene().surfaces.size(), 1u);

    EXPECT_EQ(store_mapping(record.value, 2, MappingInput{0, "", 0}), MappingStore::removed);
    EXPECT_EQ(find_mapping(record.value, 2), nullptr);
    EXPECT_TRUE(record.scene().surfaces.empty());

    const std::string long_name(400, 'n');
    store_mapping(record.value, 0, MappingInput{3, "", 0});
    store_mapping(record.value, 0, MappingInput{3, long_name, 0});
    EXPECT_EQ(std::string(find_mapping(record.value, 0)->name.data()).size(), 255u);
}

TEST(OptionValuesTest, GroupsBeyondTheRecordShowZeroAndStoreNothing) {
    Record record;
    set_group_value(record.value, 20, video_shine, 50);
    set_group_value(record.value, 19, video_shine, 50);
    EXPECT_EQ(group_value(record.value, 20, video_shine), 0);
    EXPECT_EQ(group_value(record.value, 19, video_shine), 50);
    EXPECT_EQ(group_value(record.value, -1, video_shine), 0);
}

TEST(OptionValuesTest, TheMorphObjectIsTheFirstOfTheVideoWithTargets) {
    Scene effect;
    add_object(effect, 10, 2);
    add_object(effect, 20, 1);
    add_object(effect, 21, 1).morph_target_count = 2;
    add_object(effect, 22, 1).morph_target_count = 1;
    ASSERT_NE(morph_object(effect, 0), nullptr);
    EXPECT_EQ(morph_object(effect, 0)->id, 21);
    EXPECT_EQ(morph_object(effect, 1), nullptr);
}

TEST(NumberTextTest, NumbersReadAndWrittenWithoutTheLocale) {
    EXPECT_EQ(leading_digits("12ab"), 12);
    EXPECT_EQ(leading_digits(""), 0);
    EXPECT_EQ(leading_digits("ab12"), 0);
    EXPECT_EQ(leading_digits("99999999999999"), 2147483647);
    EXPECT_EQ(leading_decimal("50%"), 50);
    EXPECT_EQ(leading_decimal(" -2.5e1x"), -25);
    EXPECT_EQ(leading_decimal("+.5"), 0.5);
    EXPECT_EQ(leading_decimal("abc"), 0);
    EXPECT_EQ(leading_decimal("nan"), 0);
    EXPECT_EQ(leading_decimal("-"), 0);
    EXPECT_EQ(format_g(0.5), "0.5");
    EXPECT_EQ(format_g(100), "100");
    EXPECT_EQ(format_g(1.0 / 3), "0.333333");
    EXPECT_EQ(format_g(1234567), "1.23457e+06");
    EXPECT_EQ(round_half_up(2.5), 3);
    EXPECT_EQ(round_half_up(-2.5), -2);
    EXPECT_EQ(round_half_up(29.4999), 29);
}

}  // namespace
}  // namespace kdr::gui::test

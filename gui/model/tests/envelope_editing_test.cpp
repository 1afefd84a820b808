// The envelope editor's rules without widgets: which envelope an opening
// edits, how the editor ends, the key display, and the graph's points.
#include <gtest/gtest.h>

#include "editing_test_support.h"
#include "kaleidra/gui/envelope_editing.h"

namespace kdr::gui::test {
namespace {

EnvelopeChannel shadows_channel(float current = 30) {
    Record record;
    record.value.globals[global_shadows] = current;
    return *options_channel(1132, record.value);
}

TEST(EnvelopeChannelTest, ChannelsCarryTheirRangesAndNumbers) {
    Record record;
    record.value.globals[global_blur_count] = 4;
    record.value.video_values[2][video_trail_spacing] = 9;
    const EnvelopeChannel blur = *options_channel(1135, record.value);
    EXPECT_STREQ(blur.title, "Blur Count Envelope");
    EXPECT_EQ(blur.maximum, 10);
    EXPECT_EQ(blur.parameter, 8);
    EXPECT_EQ(blur.current_value, 4);
    EXPECT_FALSE(blur.percent);
    const EnvelopeChannel light = *options_channel(1133, record.value);
    EXPECT_EQ(light.parameter, 11);
    EXPECT_EQ(light.grid, 45);
    const EnvelopeChannel spacing = *objects_channel(1128, 2, record.value);
    EXPECT_STREQ(spacing.title, "Trail Spacing Envelope");
    EXPECT_EQ(spacing.parameter, 307);
    EXPECT_EQ(spacing.current_value, 9);
    const EnvelopeChannel luminosity = *objects_channel(1121, 0, record.value);
    EXPECT_EQ(luminosity.parameter, 102);
    EXPECT_TRUE(luminosity.percent);
    EXPECT_FALSE(options_channel(1121, record.value).has_value());
    EXPECT_FALSE(objects_channel(1124, 0, record.value).has_value());

    Scene effect;
    add_object(effect, 20, 1).morph_target_count = 3;
    const EnvelopeChannel morph = *morph_channel(effect, 0);
    EXPECT_EQ(morph.link_id, 20);
    EXPECT_EQ(morph.parameter, 1);
    EXPECT_EQ(morph.maximum, 3);
    EXPECT_FLOAT_EQ(morph.step, 0.1f);
    EXPECT_FALSE(morph_channel(effect, 1).has_value());
}

TEST(EnvelopeOpeningTest, ANewEnvelopeIsFlatAtTheCurrentValueAndCancelLeavesNone) {
    Record record;
    record.value.globals[global_shadows] = 30;
    const EnvelopeChannel channel = *options_channel(1132, record.value);
    std::optional<EnvelopeSession> session = open_envelope(record.value, channel, nullptr);
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->created);
    scene::Envelope& envelope = *session->envelope;
    EXPECT_EQ(envelope.id, 40001) << "the first of an empty list";
    EXPECT_EQ(envelope.link_id, 0);
    EXPECT_EQ(envelope.parameter, 6);
    ASSERT_EQ(envelope.keys.size(), 2u);
    EXPECT_EQ(envelope.keys[0].time, 0);
    EXPECT_EQ(envelope.keys[0].value, 30);
    EXPECT_EQ(envelope.keys[1].time, 1);
    EXPECT_EQ(envelope.keys[1].value, 30);
    end_envelope(record.value, *session, EditorEnd::cancel);
    EXPECT_TRUE(record.scene().envelopes.empty());

    session = open_envelope(record.value, channel, nullptr);
    end_envelope(record.value, *session, EditorEnd::ok);
    EXPECT_EQ(record.scene().envelopes.size(), 1u);
}

TEST(EnvelopeOpeningTest, AnExistingEnvelopeIsEditedAndCancelPutsItsKeysBack) {
    Record record;
    scene::Envelope& existing = add_envelope(record.scene(), 40005, 0, 6);
    const EnvelopeChannel channel = shadows_channel();
    std::optional<EnvelopeSession> session = open_envelope(record.value, channel, nullptr);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->envelope, &existing);
    EXPECT_FALSE(session->created);
    existing.keys[1].value = 99;
    put_envelope_key(existing.keys, envelope_key(0.5f, 50));
    end_envelope(record.value, *session, EditorEnd::cancel);
    ASSERT_EQ(record.scene().envelopes.size(), 1u);
    ASSERT_EQ(existing.keys.size(), 2u);
    EXPECT_EQ(existing.keys[1].value, 2);

    session = open_envelope(record.value, channel, nullptr);
    end_envelope(record.value, *session, EditorEnd::remove);
    EXPECT_TRUE(record.scene().envelopes.empty());
}

TEST(EnvelopeOpeningTest, NewIdsFollowTheLastAndStayClearOfEveryOtherEnvelope) {
    Record record;
    add_envelope(record.scene(), 40001, 0, 5);
    add_envelope(record.scene(), 3005, 20, 1);  // a morph envelope copied from the effect
    Scene effect;
    add_envelope(effect, 3005, 20, 1);
    add_envelope(effect, 3006, 21, 1);
    add_envelope(effect, 3007, 22, 0);
    // One more than the last (3006) is the effect's own envelope of another
    // object: the engines would replace its keys with this one's.
    EXPECT_EQ(new_envelope_id(record.scene(), &effect), 3008);
    EXPECT_EQ(new_envelope_id(record.scene(), nullptr), 3006);

    Record wraps;
    add_envelope(wraps.scene(), 65535, 0, 5);
    EXPECT_EQ(new_envelope_id(wraps.scene(), nullptr), 1) << "0 is no id";
}

TEST(EnvelopeOpeningTest, AMorphEnvelopeStartsAsACopyOfTheEffectsOwn) {
    Record record;
    Scene effect;
    add_object(effect, 20, 1).morph_target_count = 1;
    scene::Envelope& own = add_envelope(effect, 3004, 20, 1);
    own.keys = {envelope_key(0, 0), envelope_key(0.4f, 1), envelope_key(1, 1)};
    const EnvelopeChannel channel = *morph_channel(effect, 0);
    std::optional<EnvelopeSession> session = open_envelope(record.value, channel, &effect);
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->created);
    EXPECT_EQ(session->envelope->id, 3004) << "the same id, so it replaces the effect's keys";
    EXPECT_EQ(session->envelope->link_id, 20);
    EXPECT_EQ(session->envelope->keys.size(), 3u);
    end_envelope(record.value, *session, EditorEnd::cancel);
    EXPECT_TRUE(record.scene().envelopes.empty());
}

TEST(EnvelopeKeysTest, KeysGoInTimeOrderAndTheEndKeysStay) {
    std::vector<EnvelopeKey> keys = {envelope_key(0, 0), envelope_key(1, 10)};
    EXPECT_EQ(put_envelope_key(keys, envelope_key(time_of_percent(30), 3)), 1);
    EXPECT_EQ(put_envelope_key(keys, envelope_key(time_of_percent(30), 4)), 1) << "replaced";
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].value, 4);

    EnvelopeKeyDisplay at_start = envelope_key_display(keys, 0);
    EXPECT_TRUE(at_start.key_here);
    EXPECT_FALSE(at_start.delete_enabled);
    EXPECT_FALSE(at_start.previous_enabled);
    EXPECT_TRUE(at_start.next_enabled);
    EXPECT_FALSE(at_start.create_enabled);
    EnvelopeKeyDisplay at_end = envelope_key_display(keys, 1);
    EXPECT_FALSE(at_end.delete_enabled);
    EXPECT_FALSE(at_end.next_enabled);
    EnvelopeKeyDisplay middle = envelope_key_display(keys, time_of_percent(30));
    EXPECT_TRUE(middle.delete_enabled);
    EXPECT_EQ(middle.value, 4);
    EnvelopeKeyDisplay between = envelope_key_display(keys, time_of_percent(65));
    EXPECT_FALSE(between.key_here);
    EXPECT_TRUE(between.create_enabled);
    EXPECT_FALSE(between.delete_enabled);

    EXPECT_EQ(next_envelope_key(keys, time_of_percent(30)), 2);
    EXPECT_EQ(previous_envelope_key(keys, time_of_percent(30)), 0);
    EXPECT_EQ(previous_envelope_key(keys, 0), -1);
    EXPECT_EQ(next_envelope_key(keys, 1), -1);
    EXPECT_TRUE(remove_envelope_key(keys, time_of_percent(30)));
    EXPECT_FALSE(remove_envelope_key(keys, time_of_percent(30)));
}

TEST(EnvelopeGraphTest, PointsBecomeTimesAndValues) {
    const EnvelopeChannel shadows = shadows_channel();
    // The minimum is drawn at the bottom: a point near the top is near 100 %.
    GraphPoint top = graph_point(shadows, 50, 10, 200, 100);
    EXPECT_EQ(top.time, time_of_percent(25));
    EXPECT_EQ(top.value, 90);
    GraphPoint bottom = graph_point(shadows, 200, 100, 200, 100);
    EXPECT_EQ(bottom.time, 1);
    EXPECT_EQ(bottom.value, 0);
    EXPECT_EQ(graph_point(shadows, 3, 0, 200, 100).time, time_of_percent(2)) << "1.5 % rounds up";

    Record record;
    const EnvelopeChannel light = *options_channel(1133, record.value);
    EXPECT_EQ(graph_point(light, 0, 50, 200, 100).value, 180);
    EXPECT_EQ(graph_point(light, 0, 50.2, 200, 100).value, 179) << "whole steps of 1";
    Scene effect;
    add_object(effect, 20, 1).morph_target_count = 2;
    const EnvelopeChannel morph = *morph_channel(effect, 0);
    EXPECT_FLOAT_EQ(graph_point(morph, 0, 66, 200, 100).value, 0.7f) << "steps of 0.1";
    EXPECT_EQ(graph_row(shadows, 0, 100, 100), 100);
    EXPECT_EQ(graph_row(shadows, 100, 100, 100), 0);
    EXPECT_EQ(graph_row(light, 45, 99, 96), 87);
}

TEST(EnvelopeGraphTest, PressingNearAKeyMovesItElsewhereAddsOne) {
    const EnvelopeChannel shadows = shadows_channel();
    std::vector<EnvelopeKey> keys = {envelope_key(0, 20), envelope_key(1, 20)};
    keys[1].tension = 0.5f;
    keys[1].linear = 1;
    // Near the end key in time and value: it takes the new value.
    EXPECT_EQ(press_on_graph(keys, shadows, GraphPoint{time_of_percent(98), 23}), 1);
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].value, 23);
    // Away from any key: a new key with the last key's spline values.
    EXPECT_EQ(press_on_graph(keys, shadows, GraphPoint{time_of_percent(50), 80}), 1);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].value, 80);
    EXPECT_EQ(keys[1].tension, 0.5f);
    EXPECT_EQ(keys[1].linear, 1);
    // At a key's time but far from its value: nothing happens.
    EXPECT_EQ(press_on_graph(keys, shadows, GraphPoint{time_of_percent(50), 10}), -1);
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].value, 80);
}

}  // namespace
}  // namespace kdr::gui::test

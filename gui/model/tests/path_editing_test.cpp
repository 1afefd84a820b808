// The path editor's rules without widgets: the object it edits, the path
// it keeps in the record, keys and the drag table.
#include <gtest/gtest.h>

#include "editing_test_support.h"
#include "kaleidra/gui/envelope_editing.h"
#include "kaleidra/gui/path_editing.h"

namespace kdr::gui::test {
namespace {

TEST(PathObjectTest, TheFirstFreeObjectOfTheVideoThatIsNoMorphTarget) {
    Scene effect;
    add_object(effect, 10, 2);
    add_object(effect, 19, 1).morph_target_flag = 1;
    add_object(effect, 25, 1).parent_id = 30;  // hangs on 30, of the same video
    add_object(effect, 30, 1);
    add_object(effect, 31, 1);
    add_object(effect, 40, 3).parent_id = 10;  // hangs on an object of video 2
    ASSERT_NE(path_object(effect, 0), nullptr);
    EXPECT_EQ(path_object(effect, 0)->id, 30);
    EXPECT_EQ(path_object(effect, 1)->id, 10);
    EXPECT_EQ(path_object(effect, 2)->id, 40);
    EXPECT_EQ(path_object(effect, 3), nullptr);

    EXPECT_EQ(path_group(0, true), 1);
    EXPECT_EQ(path_group(1, true), 0);
    EXPECT_EQ(path_group(2, true), 2);
    EXPECT_EQ(path_group(0, false), 0);
}

TEST(PathToEditTest, TheRecordsOwnPathOrACopyOfTheEffects) {
    Record record;
    Scene effect;
    add_path(effect, 3001, 30, {{0, 1}, {1, 2}});
    add_path(effect, 3002, 31, {{0, 5}});
    EXPECT_EQ(path_to_edit(record.value, effect, 99), nullptr) << "no path of its own";
    scene::Path* copy = path_to_edit(record.value, effect, 30);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->id, 3001);
    EXPECT_EQ(copy->keys.size(), 2u);
    EXPECT_EQ(record.scene().paths.size(), 1u);
    copy->keys[0].position[0] = 7;
    EXPECT_EQ(path_to_edit(record.value, effect, 30), copy) << "found again, not copied again";
    EXPECT_EQ(effect.paths[0]->keys[0].position[0], 1) << "the effect keeps its own";
    remove_path(record.value, copy);
    EXPECT_TRUE(record.scene().paths.empty());
}

TEST(PathKeysTest, KeysWithinAHundredthAreTheSameKey) {
    std::vector<PathKey> keys;
    PathKey key;
    key.time = 0;
    put_path_key(keys, key);
    key.time = 1;
    key.position[0] = 10;
    put_path_key(keys, key);
    key.time = time_of_percent(30);
    key.position[0] = 3;
    EXPECT_EQ(put_path_key(keys, key), 1);
    key.time = 0.305f;
    key.position[0] = 4;
    EXPECT_EQ(put_path_key(keys, key), 1) << "within 0.01 of 0.3: replaced";
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].position[0], 4);
    EXPECT_EQ(next_path_key(keys, time_of_percent(30)), 2);
    EXPECT_EQ(previous_path_key(keys, time_of_percent(31)), 0) << "0.305 is within 0.00999";
    EXPECT_EQ(previous_path_key(keys, time_of_percent(32)), 1);
    EXPECT_TRUE(remove_path_key(keys, time_of_percent(31)));
    EXPECT_EQ(keys.size(), 2u);

    // Replacing a key up to 0.01 away keeps the keys in time order.
    std::vector<PathKey> close(3);
    close[0].time = 0.49f;
    close[1].time = 0.495f;
    close[2].time = 1;
    PathKey at_half;
    at_half.time = 0.5f;
    EXPECT_EQ(put_path_key(close, at_half), 1);
    ASSERT_EQ(close.size(), 3u);
    EXPECT_EQ(close[0].time, 0.495f);
    EXPECT_EQ(close[1].time, 0.5f);
}

TEST(PathKeysTest, TheDisplayShowsThePathAndGuardsTheEnds) {
    std::vector<PathKey> keys(2);
    keys[1].time = 1;
    keys[1].position[0] = 10;
    keys[1].linear = 1;
    keys[1].tension = 0.5f;
    const PathKeyDisplay middle = path_key_display(keys, 0.5f);
    EXPECT_FALSE(middle.key_here);
    EXPECT_FLOAT_EQ(middle.values.position[0], 5) << "straight into the linear key";
    EXPECT_EQ(middle.values.tension, 0);
    EXPECT_TRUE(middle.create_enabled);
    EXPECT_FALSE(middle.copy_enabled);
    EXPECT_FALSE(middle.delete_enabled);
    const PathKeyDisplay end = path_key_display(keys, 1);
    EXPECT_TRUE(end.key_here);
    EXPECT_EQ(end.values.tension, 0.5f);
    EXPECT_EQ(end.values.linear, 1);
    EXPECT_FALSE(end.next_enabled);
    EXPECT_TRUE(end.previous_enabled);
    EXPECT_FALSE(end.delete_enabled) << "the end keys stay";
    EXPECT_TRUE(end.copy_enabled);
    EXPECT_FALSE(path_key_display(keys, 0).previous_enabled);

    // A path that ends before 1 has its last key again at 1, as the
    // engines complete it.
    std::vector<PathKey> short_path(2);
    short_path[1].time = 0.5f;
    short_path[1].position[1] = 4;
    EXPECT_FLOAT_EQ(path_at(short_path, 0.5f).position[1], 4);
    EXPECT_FLOAT_EQ(path_at(short_path, 1).position[1], 4);
    EXPECT_GT(path_at(short_path, 0.25f).position[1], 0);
}

TEST(PathKeysTest, PositionsAndScalesStayWithin2000) {
    PathKey key;
    EXPECT_TRUE(path_values_in_range(key));
    key.position[2] = -2000;
    key.scale[0] = 2000;
    EXPECT_TRUE(path_values_in_range(key));
    key.position[1] = 2500;
    EXPECT_FALSE(path_values_in_range(key));
    key.position[1] = 0;
    key.scale[2] = -2000.5f;
    EXPECT_FALSE(path_values_in_range(key));
    key.scale[2] = 1;
    key.heading = 5000;
    EXPECT_TRUE(path_values_in_range(key)) << "rotations are not limited";
}

// One row of the drag table: what changes for a movement of (3, 4).
struct DragRow {
    PathTool tool;
    std::uint32_t view;
    DragButtons buttons;
    int index_a;
    double change_a;
    int index_b;  // 0: none
    double change_b;
};

class DragTableTest : public ::testing::TestWithParam<DragRow> {};

TEST_P(DragTableTest, EachToolViewAndButtonChangesItsValues) {
    const DragRow& row = GetParam();
    PathKey key;
    const PathKey before = key;
    const ChangedValues changed = drag_key(key, row.tool, row.view, AxisFlags{}, row.buttons, 3, 4);
    for (int index = 1; index <= 9; ++index) {
        double expected = 0;
        if (index == row.index_a) {
            expected = row.change_a;
        } else if (index == row.index_b) {
            expected = row.change_b;
        }
        EXPECT_NEAR(motion_value(key, index) - motion_value(before, index), expected, 1e-6)
            << "motion value " << index;
        EXPECT_EQ((changed >> index) & 1u, expected != 0 ? 1u : 0u) << "motion value " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DragTableTest,
    ::testing::Values(DragRow{PathTool::move, view_top, {}, 1, 3 * 0.025, 3, 4 * 0.025},
                      DragRow{PathTool::move, view_side, {}, 3, -3 * 0.025, 2, -4 * 0.025},
                      DragRow{PathTool::move, view_camera, {true, false}, 1, 0.03, 2, -0.04},
                      DragRow{PathTool::move, view_perspective, {true, false}, 1, 0.03, 2, -0.04},
                      DragRow{PathTool::move, view_camera, {false, false}, 3, 0.04, 0, 0},
                      DragRow{PathTool::rotate, view_top, {true, false}, 4, 2.0, 5, 1.5},
                      DragRow{PathTool::rotate, view_side, {false, false}, 6, -2.0, 0, 0},
                      DragRow{PathTool::stretch, view_camera, {true, false}, 7, 0.03, 8, -0.04},
                      DragRow{PathTool::stretch, view_camera, {false, false}, 9, -0.04, 0, 0}));

TEST(DragTest, ShiftStretchesEveryAxisAlike) {
    PathKey key;
    drag_key(key, PathTool::stretch, view_top, AxisFlags{}, DragButtons{true, true}, 7, 5);
    EXPECT_FLOAT_EQ(key.scale[0], 1.05f);
    EXPECT_FLOAT_EQ(key.scale[1], 1.05f);
    EXPECT_FLOAT_EQ(key.scale[2], 1.05f);
}

TEST(DragTest, FortyPixelsRightInTheTopViewIsOneUnitOfX) {
    PathKey key;
    key.position[0] = 0.3f;
    for (int step = 0; step < 8; ++step) {
        drag_key(key, PathTool::move, view_top, AxisFlags{}, DragButtons{true, false}, 5, 0);
    }
    EXPECT_NEAR(key.position[0], 1.3f, 1e-5);
    EXPECT_EQ(key.position[2], 0);
}

TEST(DragTest, AxesThatAreOffDoNotChange) {
    PathKey key;
    AxisFlags only_y{false, true, false};
    const ChangedValues changed =
        drag_key(key, PathTool::rotate, view_camera, only_y, DragButtons{true, false}, 10, 10);
    EXPECT_EQ(key.pitch, 0);
    EXPECT_EQ(key.heading, 5);
    EXPECT_EQ(changed, 1u << 5);
    EXPECT_EQ(view_flags(view_top, false), 0x43u);
    EXPECT_EQ(view_flags(view_camera, true), 0x17u);
}

}  // namespace
}  // namespace kdr::gui::test

// The Filter Options page: present in filter mode only, filled from the
// record and the selected effect, and every store sets the filter
// placement switch.

#include <QComboBox>
#include <QSlider>

#include "option_page.h"
#include "pages_test_support.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

class FilterPageTest : public PagesTest {};

TEST_F(FilterPageTest, ShowsTheFilterValuesAndStoresThemWithThePlacementSwitch) {
    TestRecord record("Windows3");
    record.value.globals[global_filter_frames] = 120;
    record.value.globals[global_filter_percent] = 25;
    record.value.globals[global_filter_source] = 2;
    record.value.globals[global_filter_rotation_y] = 90;
    record.value.globals[global_filter_distance] = 300;  // beyond the range
    run_page(
        record.value, 113,
        [&](SelectionSheet& sheet, OptionPage& page) {
            EXPECT_EQ(page.title(), "Filter Options");
            const auto* source = control<QComboBox>(&page, 1200);
            EXPECT_EQ(source->count(), 3);
            EXPECT_EQ(source->currentIndex(), 2);
            EXPECT_EQ(text_of(&page, 1202), "25%");
            EXPECT_EQ(text_of(&page, 1204), "120");
            EXPECT_EQ(control<QSlider>(&page, 1203)->minimum(), 10);
            EXPECT_EQ(control<QSlider>(&page, 1203)->pageStep(), 20);
            EXPECT_EQ(text_of(&page, 1307), "90");
            EXPECT_EQ(text_of(&page, 1322), "300");
            EXPECT_EQ(control<QSlider>(&page, 1321)->value(), 200);
            EXPECT_EQ(record.value.globals[global_filter_placement], 0)
                << "a counted filter keeps its switch until a store";

            choose(&page, 1200, 1);
            EXPECT_EQ(record.value.globals[global_filter_source], 1);
            EXPECT_EQ(record.value.globals[global_filter_placement], 1);
            EXPECT_EQ(record.value.globals[global_filter_distance], 200);
            slide(&page, 1304, 45);
            slide(&page, 1201, 60);
            EXPECT_EQ(record.value.globals[global_filter_rotation_x], 45);
            EXPECT_EQ(record.value.globals[global_filter_percent], 60);

            // Shown again after another effect was chosen: filled afresh.
            ASSERT_TRUE(sheet.show_page(102));
            choose(sheet.current_page(), 1026, 1);
            click(sheet.current_page(), 1001);  // Ballsplt, two videos
            ASSERT_TRUE(sheet.show_page(113));
            EXPECT_EQ(control<QComboBox>(&page, 1200)->count(), 2);
        },
        1);
}

}  // namespace
}  // namespace kdr::gui::test

// Dialog units and control tables.

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

#include <cmath>

#include "dialog_units.h"

namespace kdr::gui::test {
namespace {

TEST(DialogUnitsTest, ConvertsWithTheFontsAverageCharacter) {
    const QFont font = QWidget().font();
    const DialogUnits units(font);
    const QFontMetrics metrics(font);
    const int alphabets =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (alphabets / 26 + 1) / 2;
    EXPECT_EQ(units.average_width(), average);
    EXPECT_EQ(units.x(4), average) << "four x units are one character";
    EXPECT_EQ(units.y(8), metrics.height()) << "eight y units are one line";
    EXPECT_EQ(units.x(342), std::lround(342 * average / 4.0));
    EXPECT_EQ(units.rect(10, 16, 20, 8), QRect(units.x(10), units.y(16), units.x(20), units.y(8)));
}

TEST(DialogUnitsTest, MakesNamedControlsWithGroupedRadios) {
    QWidget page;
    const DialogUnits units(page.font());
    const ControlEntry entries[] = {
        {1, ControlKind::radio_button, "A", 5, 5, 0, 10, starts_group},
        {2, ControlKind::radio_button, "B", 40, 5, 0, 10},
        {3, ControlKind::radio_button, "C", 5, 20, 0, 10, starts_group},
        {4, ControlKind::radio_button, "D", 40, 20, 0, 10},
        {-1, ControlKind::label, "Frames:", 5, 40, 20, 8, label_for_next},
        {5, ControlKind::trackbar, nullptr, 20, 38, 100, 13},
        {6, ControlKind::drop_down_list, nullptr, 5, 60, 80, 100},
    };
    const std::vector<QWidget*> made = create_controls(&page, entries, units);
    ASSERT_EQ(made.size(), 7u);
    EXPECT_EQ(made[0]->objectName(), "1");
    EXPECT_TRUE(made[4]->objectName().isEmpty());
    EXPECT_EQ(page.findChild<QSlider*>("5"), made[5]);

    auto* a = page.findChild<QRadioButton*>("1");
    auto* b = page.findChild<QRadioButton*>("2");
    auto* c = page.findChild<QRadioButton*>("3");
    a->setChecked(true);
    c->setChecked(true);
    EXPECT_TRUE(a->isChecked()) << "groups are exclusive only within themselves";
    b->setChecked(true);
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(c->isChecked());

    // The label is as wide as its text; the trackbar it names starts after
    // it and keeps its right edge.
    QWidget* label = made[4];
    QWidget* slider = made[5];
    EXPECT_GE(label->width(), label->sizeHint().width());
    EXPECT_GE(slider->x(), label->geometry().right());
    EXPECT_EQ(slider->geometry().right(), units.rect(20, 38, 100, 13).right());
    // A drop-down list keeps its own height, whatever the table says.
    EXPECT_EQ(made[6]->height(), made[6]->sizeHint().height());
    EXPECT_EQ(made[6]->width(), units.x(80));
}

TEST(DialogUnitsTest, FindsControlsById) {
    QWidget page;
    const DialogUnits units(page.font());
    const ControlEntry entries[] = {{1084, ControlKind::progress_bar, nullptr, 0, 0, 50, 8}};
    create_controls(&page, entries, units);
    EXPECT_NE(find_control(&page, 1084), nullptr);
    EXPECT_EQ(find_control(&page, 1085), nullptr);
}

}  // namespace
}  // namespace kdr::gui::test

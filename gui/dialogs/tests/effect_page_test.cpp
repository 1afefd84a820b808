// The FX page: the catalogue's groups and buttons, choosing effects, the
// record's own effect, defaults for an empty record, and a catalogue that
// cannot be read.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTest>

#include <cstring>
#include <filesystem>

#include "dialog_test_support.h"
#include "effect_page.h"
#include "icon_button.h"
#include "kaleidra/gui/catalogue.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/defaults_file.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

class EffectPageTest : public DialogTest {
  protected:
    Catalogue current() const {
        Catalogue catalogue;
        EXPECT_TRUE(read_catalogue(catalogue, install.folder("orgs") / "current.org"));
        return catalogue;
    }

    static std::vector<std::string> visible_buttons(const EffectPage& page) {
        std::vector<std::string> names;
        for (int i = 0; i < 16; ++i) {
            const IconButton* button = page.button(i);
            if (!button->isHidden() && button->isEnabled() && button->has_item()) {
                names.push_back(button->effect_name().toStdString());
            }
        }
        return names;
    }
};

TEST_F(EffectPageTest, ListsTheCatalogueGroupsAndShowsTheRecordsEffect) {
    const Catalogue catalogue = current();
    ASSERT_GE(catalogue.group_count(), 3);
    const std::string effect = catalogue.groups()[2].items[1];
    TestRecord record(effect.c_str());
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        auto* groups = control<QComboBox>(page, 1026);
        ASSERT_EQ(groups->count(), catalogue.group_count());
        EXPECT_EQ(groups->itemText(0).toStdString(), catalogue.groups()[0].name);
        EXPECT_EQ(groups->currentIndex(), 2);
        EXPECT_EQ(visible_buttons(*page), catalogue.groups()[2].items);
        EXPECT_TRUE(page->button(1)->selected());
        EXPECT_FALSE(page->button(0)->selected());
        EXPECT_FALSE(page->button(0)->icon().isNull()) << "the effect's icon is shown";
        // The panel names the effect and describes it.
        EXPECT_EQ(control<QGroupBox>(page, 1040)->title().toStdString(),
                  sheet.session().selected().scene.name);
        EXPECT_FALSE(control<QPlainTextEdit>(page, 1044)->toPlainText().isEmpty());
        sheet.accept();
    });
    EXPECT_EQ(record.value.name, effect);
}

TEST_F(EffectPageTest, ClickingAnEffectSelectsItAndEmptiesTheRecordsPaths) {
    const Catalogue catalogue = current();
    TestRecord record(catalogue.groups()[0].items[0].c_str());
    record.add_user_items();
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        auto* groups = control<QComboBox>(page, 1026);
        groups->setCurrentIndex(1);
        emit groups->activated(1);
        EXPECT_EQ(visible_buttons(*page), catalogue.groups()[1].items);
        EXPECT_FALSE(page->button(0)->selected()) << "the selection is in another group";
        QTest::mouseClick(page->button(2), Qt::LeftButton);
        EXPECT_EQ(record.value.name, catalogue.groups()[1].items[2]);
        EXPECT_TRUE(page->button(2)->selected());
        EXPECT_EQ(page->selected_group(), 1);
        EXPECT_TRUE(settings_scene(record.value)->paths.empty());
        EXPECT_EQ(settings_scene(record.value)->envelopes.size(), 1u) << "only paths go";
        EXPECT_TRUE(sheet.session().selected().loaded);
        EXPECT_EQ(sheet.session().selected().name, catalogue.groups()[1].items[2]);
        sheet.accept();
    });
    EXPECT_EQ(record.value.name, catalogue.groups()[1].items[2]);
}

TEST_F(EffectPageTest, AnEmptyRecordGetsTheSavedDefaultsAndTheFirstEffect) {
    {
        TestRecord defaults("Scroll");
        defaults.value.globals[global_shadows] = 77;
        defaults.add_user_items();
        ASSERT_EQ(save_defaults(defaults.value), DefaultsSave::saved);
    }
    const Catalogue catalogue = current();
    TestRecord record;
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        EXPECT_EQ(page->group_shown(), 0);
        EXPECT_TRUE(page->button(0)->selected());
        sheet.accept();
    });
    EXPECT_EQ(record.value.name, catalogue.groups()[0].items[0]);
    EXPECT_EQ(record.value.globals[global_shadows], 77.0f);
    EXPECT_EQ(settings_scene(record.value)->envelopes.size(), 1u);
}

TEST_F(EffectPageTest, AnEmptyRecordWithoutDefaultsStillGetsTheFirstEffect) {
    TestRecord record;
    EXPECT_EQ(run_sheet(record.value, [](SelectionSheet& sheet) { sheet.accept(); }), dialog_ok);
    EXPECT_EQ(record.value.name, current().groups()[0].items[0]);
}

TEST_F(EffectPageTest, AnEffectTheCatalogueDoesNotListStaysChosenWithoutAButton) {
    // A catalogue without Globe, though its file is installed.
    Catalogue small;
    small.add_group("Only");
    small.add_item("PageTurn");
    ASSERT_TRUE(write_catalogue(small, install.folder("orgs") / "current.org").ok());
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        EXPECT_EQ(control<QComboBox>(page, 1026)->currentIndex(), -1);
        EXPECT_TRUE(visible_buttons(*page).empty());
        EXPECT_TRUE(sheet.session().selected().loaded) << "its scene serves the other pages";
        EXPECT_EQ(control<QGroupBox>(page, 1040)->title(), "Globe");
        sheet.accept();
    });
    EXPECT_STREQ(record.value.name, "Globe");
}

TEST_F(EffectPageTest, AnUnreadableCatalogueLeavesAnEmptyPage) {
    fs::resize_file(install.folder("orgs") / "current.org", 6);
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        EXPECT_EQ(control<QComboBox>(page, 1026)->count(), 0);
        EXPECT_TRUE(visible_buttons(*page).empty());
        sheet.accept();
    });
    EXPECT_STREQ(record.value.name, "Globe");
}

TEST_F(EffectPageTest, ShowingAGroupOutsideTheCatalogueClearsTheList) {
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        page->show_group(99);
        EXPECT_EQ(control<QComboBox>(page, 1026)->currentIndex(), -1);
        EXPECT_TRUE(visible_buttons(*page).empty());
        page->select_item(0);  // nothing to select
        EXPECT_STREQ(record.value.name, "Globe");
        sheet.accept();
    });
}

TEST_F(EffectPageTest, TheNextStartRebuildsTheCatalogueAfterAnEffectWasAdded) {
    const std::uint32_t count = *install.number("Effect_Count");
    Catalogue master;
    ASSERT_TRUE(read_catalogue(master, install.folder("EFFECTS") / "Master.lst"));
    // One more effect file, listed at the end of the master list's first
    // group.
    write_effect_file(install.folder("EFFECTS") / "Extra.KDR", "Extra", 1);
    Catalogue extended;
    for (std::size_t g = 0; g < master.groups().size(); ++g) {
        extended.add_group(master.groups()[g].name);
        for (const std::string& item : master.groups()[g].items) {
            extended.add_item(item);
        }
        if (g == 0) {
            ASSERT_TRUE(extended.add_item("Extra"));
        }
    }
    fs::remove(install.folder("EFFECTS") / "Master.lst");
    ASSERT_TRUE(write_catalogue(extended, install.folder("EFFECTS") / "Master.lst").ok());

    attach_library();
    EXPECT_EQ(install.number("Effect_Count"), count + 1);
    EXPECT_EQ(current(), extended);
    TestRecord record("Extra");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        EXPECT_EQ(page->group_shown(), 0);
        EXPECT_EQ(visible_buttons(*page).back(), "Extra");
        EXPECT_TRUE(
            page->button(static_cast<int>(extended.groups()[0].items.size()) - 1)->selected());
        sheet.accept();
    });
}

}  // namespace
}  // namespace kdr::gui::test

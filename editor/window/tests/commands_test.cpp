// The Insert, Edit and File commands: inserting clips and bitmaps, the
// clipboard and where Paste puts items, the recent projects, the
// save-changes question, Save and Save As, and a project that comes back
// as it was saved.

#include <QAction>
#include <QApplication>

#include <algorithm>
#include <fstream>

#include "kaleidra/editor/project_file.h"
#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

using platform::MessageAnswer;

class Commands : public WindowTest {};

TEST_F(Commands, ThreeClipsWithTrack2SelectedLandOnTracks2Then1Then2) {
    const auto a = write_clip("a.avi", 1, 10);
    const auto b = write_clip("b clip with spaces.avi", 2, 12);
    const auto c = write_clip("c.avi", 3, 14);
    project().selected_track = 2;
    files.push_back({text_of(a), text_of(b), text_of(c)});
    trigger("121");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Select Video Clip(s) To Insert");
    EXPECT_TRUE(requests[0].filter.startsWith("AVI Video Clips (*.avi)"));
    EXPECT_TRUE(requests[0].multiple);
    EXPECT_EQ(requests[0].folder, text_of(root() / "Samples") + "/") << "no LastVideo yet";
    ASSERT_EQ(project().item_count(), 3);
    // The list holds the newest first.
    const TimelineItem& third = *project().items()[0];
    const TimelineItem& second = *project().items()[1];
    const TimelineItem& first = *project().items()[2];
    EXPECT_EQ(first.file_name, a.string());
    EXPECT_EQ(first.track, 2);
    EXPECT_EQ(second.file_name, b.string()) << "a path with spaces stays whole";
    EXPECT_EQ(second.track, 1);
    EXPECT_EQ(second.length, 12);
    EXPECT_EQ(third.track, 2);
    EXPECT_EQ(third.start, 10) << "moved past the first clip on track 2";
    EXPECT_EQ(project().selected_item, &third);
    EXPECT_TRUE(window().action("116")->isEnabled());
    EXPECT_EQ(window().recent().last_video, media().string());
    // The next insert starts where the last one was taken from.
    files.push_back({});
    trigger("122");
    EXPECT_EQ(requests.back().folder, text_of(media()));
    EXPECT_EQ(requests.back().title, "Select Bitmap(s) To Insert");
    EXPECT_EQ(requests.back().filter, "Windows Bitmaps (*.bmp)");
}

TEST_F(Commands, AClipThatDoesNotOpenIsReportedAndLeftOut) {
    const auto good = write_clip("good.avi", 1, 10);
    const auto bad = media() / "bad.avi";
    std::ofstream(bad) << "not a movie";
    files.push_back({text_of(bad), text_of(good)});
    trigger("121");
    EXPECT_TRUE(said("Insert AVI Error", "Error opening AVI file " + bad.string()));
    ASSERT_EQ(project().item_count(), 1);
    EXPECT_EQ(project().items()[0]->file_name, good.string());
    EXPECT_EQ(project().items()[0]->track, 1);
}

TEST_F(Commands, BitmapsAreOneFrameLongAndOthersAreRefusedWithTheMessage) {
    const auto picture = write_bitmap("p.bmp", {10, 20, 30});
    const auto broken = media() / "broken.bmp";
    std::ofstream(broken) << "BM nonsense";
    files.push_back({text_of(picture), text_of(broken)});
    trigger("122");
    EXPECT_TRUE(said("Cannot load bitmap.",
                     "Sorry, Reelbench can only load 24-bit bitmap files.  Make sure bitmap is a "
                     "24-bit bitmap."));
    ASSERT_EQ(project().item_count(), 1);
    EXPECT_EQ(project().items()[0]->kind, ItemKind::bitmap);
    EXPECT_EQ(project().items()[0]->length, 1);
    EXPECT_EQ(project().items()[0]->width, 16);
}

TEST_F(Commands, CutCopyPasteAndDeleteWorkOnTheSelectedItem) {
    const auto a = write_clip("a.avi", 1, 10);
    TimelineItem& item = add(clip_item(a, 1, 0, 10));
    show_frames(0, 100);
    EXPECT_FALSE(window().action("118")->isEnabled()) << "Paste starts greyed";
    select(item);
    trigger("117");
    EXPECT_EQ(window().clipboard().kind, ItemKind::video);
    EXPECT_TRUE(window().action("118")->isEnabled());
    // Paste with the mouse outside the timeline: the selected track, frame
    // 0, moved past the original.
    project().selected_track = 1;
    trigger("118");
    ASSERT_EQ(project().item_count(), 2);
    EXPECT_EQ(project().items()[0]->start, 10);
    EXPECT_EQ(project().items()[0]->track, 1);
    EXPECT_EQ(project().items()[0]->file_name, a.string());
    // Cut takes it away and keeps it.
    select(*project().items()[0].get());
    trigger("116");
    EXPECT_EQ(project().item_count(), 1);
    EXPECT_EQ(project().selected_item, nullptr);
    EXPECT_FALSE(window().action("116")->isEnabled());
    EXPECT_TRUE(window().action("118")->isEnabled());
    select(*project().items()[0].get());
    trigger("119");
    EXPECT_EQ(project().item_count(), 0);
    EXPECT_TRUE(project().modified);
}

TEST_F(Commands, PasteFollowsTheMouseButForcesEffectsAndClipsToTheirTracks) {
    write_effect("Fx", 1, 2);
    const auto a = write_clip("a.avi", 1, 10);
    TimelineItem& clip = add(clip_item(a, 1, 0, 10));
    TimelineItem& effect = add(effect_item("Fx", 0, 5));
    show_frames(0, 100);

    // An effect with the mouse over track 2 goes to the effect track, after
    // the effect already there.
    select(effect);
    trigger("117");
    move_to(point_at(2, 3));
    ASSERT_EQ(project().mouse_row, 2);
    trigger("118");
    EXPECT_EQ(project().items()[0]->kind, ItemKind::effect);
    EXPECT_EQ(project().items()[0]->track, 0);
    EXPECT_EQ(project().items()[0]->start, 5);

    // A clip with the effect track selected and the mouse over it: track 1,
    // at the frame under the mouse.
    select(clip);
    trigger("117");
    project().selected_track = 0;
    move_to(point_at(0, 30));
    trigger("118");
    EXPECT_EQ(project().items()[0]->kind, ItemKind::video);
    EXPECT_EQ(project().items()[0]->track, 1);
    EXPECT_EQ(project().items()[0]->start, 30);
}

TEST_F(Commands, TheRecentListFillsFourSlotsInTurn) {
    std::vector<std::filesystem::path> saved;
    for (const char* name : {"one.kdp", "two.kdp", "three.kdp", "four.kdp", "five.kdp"}) {
        files.push_back({text_of(projects() / name)});
        trigger("104");
        saved.push_back(projects() / name);
    }
    EXPECT_EQ(window().action("114-1")->text(), "&1 five.kdp");
    EXPECT_EQ(window().action("114-2")->text(), "&2 two.kdp");
    EXPECT_EQ(window().action("114-4")->text(), "&4 four.kdp");
    // Written through: a new window reads the same list.
    open_window();
    EXPECT_EQ(window().action("114-3")->text(), "&3 three.kdp");
    EXPECT_EQ(window().recent().next_index, 1u);
}

TEST_F(Commands, ReopeningTheOpenProjectFromTheRecentListDoesNothing) {
    const auto a = write_clip("a.avi", 1, 10);
    files.push_back({text_of(projects() / "film.kdp")});
    trigger("104");
    add(clip_item(a, 1, 0, 10));
    ASSERT_TRUE(project().modified);
    trigger("114-1");
    EXPECT_TRUE(messages.empty()) << "no question";
    EXPECT_EQ(project().item_count(), 1);
    EXPECT_TRUE(project().modified);
}

TEST_F(Commands, TheSaveChangesQuestionCanCancelRefuseOrSave) {
    const auto a = write_clip("a.avi", 1, 10);
    add(clip_item(a, 1, 0, 10));

    answers.push_back(MessageAnswer::cancel);
    trigger("101");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Project has changed.");
    EXPECT_EQ(messages[0].text, "Do you want to save " + project().file_name + "?");
    EXPECT_EQ(project().item_count(), 1) << "Cancel keeps the project";

    // Yes on an untitled project asks for a name; cancelling that cancels New.
    answers.push_back(MessageAnswer::yes);
    files.push_back({});
    trigger("101");
    EXPECT_EQ(project().item_count(), 1);
    EXPECT_EQ(requests.back().title, "Save An Reelbench Project");

    answers.push_back(MessageAnswer::yes);
    files.push_back({text_of(projects() / "kept.kdp")});
    trigger("101");
    EXPECT_EQ(project().item_count(), 0);
    EXPECT_EQ(window().status_text(), "Project cleared.");
    EXPECT_TRUE(std::filesystem::exists(projects() / "kept.kdp"));

    add(clip_item(a, 1, 0, 10));
    answers.push_back(MessageAnswer::no);
    trigger("101");
    EXPECT_EQ(project().item_count(), 0);
    EXPECT_FALSE(project().modified);
    EXPECT_NE(project().file_name.find("Untitled"), std::string::npos);
}

TEST_F(Commands, AnUntitledProjectAlwaysAsksForANameOnSave) {
    files.push_back({});
    trigger("103");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileRequest::Kind::save);
    EXPECT_EQ(requests[0].name, "Untitled.KDP");
    EXPECT_EQ(requests[0].folder, text_of(projects()));
    EXPECT_TRUE(requests[0].overwrite_prompt);
    // A name that holds "Untitled" is saved to, not asked again and again.
    files.push_back({text_of(projects() / "Untitled2.kdp")});
    trigger("103");
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(projects() / "Untitled2.kdp"));
    files.push_back({});
    trigger("103");
    EXPECT_EQ(requests.size(), 3u) << "still untitled: asked again";
}

TEST_F(Commands, ClosingTheWindowAsksAndCancelKeepsItOpen) {
    const auto a = write_clip("a.avi", 1, 10);
    add(clip_item(a, 1, 0, 10));
    answers.push_back(MessageAnswer::cancel);
    EXPECT_FALSE(window().close());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(messages.size(), 1u);
    // Exit asks the same question.
    answers.push_back(MessageAnswer::no);
    trigger("115");
    EXPECT_FALSE(window().isVisible());
}

TEST_F(Commands, AFileThatIsNoProjectIsReported) {
    std::ofstream(projects() / "junk.kdp") << "junk";
    files.push_back({text_of(projects() / "junk.kdp")});
    trigger("102");
    EXPECT_EQ(requests[0].title, "Open an Reelbench Project");
    EXPECT_EQ(requests[0].filter, "Reelbench Projects (*.kdp)");
    EXPECT_TRUE(said("Unable to open project.", "Error opening project."));
    EXPECT_EQ(window().status_text(), "Error opening project.");
    EXPECT_NE(project().file_name.find("Untitled"), std::string::npos);
    files.push_back({});
    trigger("102");
    EXPECT_EQ(window().status_text(), "Open cancelled.");
}

TEST_F(Commands, InsertMoveSaveCloseAndReopenGivesTheProjectBack) {
    const auto a = write_clip("a.avi", 1, 30);
    const auto p = write_bitmap("p.bmp", {1, 2, 3});
    files.push_back({text_of(a)});
    trigger("121");
    project().selected_track = 2;
    files.push_back({text_of(p)});
    trigger("122");
    show_frames(0, 100);
    // Move the bitmap to frame 40 of track 2.
    TimelineItem& bitmap = *project().items()[0];
    ASSERT_EQ(bitmap.kind, ItemKind::bitmap);
    ASSERT_EQ(bitmap.track, 2);
    drag(point_at(2, bitmap.start + 1) - QPoint(2, 0), point_at(2, 41) - QPoint(2, 0));
    EXPECT_EQ(bitmap.start, 40);
    files.push_back({text_of(projects() / "trip.kdp")});
    trigger("103");
    ASSERT_FALSE(project().modified);
    struct Kept {
        std::string name;
        ItemKind kind;
        std::int32_t track, start, length;
    };
    std::vector<Kept> before;
    for (const auto& item : project().items()) {
        before.push_back({item->file_name, item->kind, item->track, item->start, item->length});
    }
    trigger("101");
    EXPECT_EQ(project().item_count(), 0);
    open_window();
    trigger("114-1");
    ASSERT_EQ(project().item_count(), 2);
    EXPECT_EQ(project().file_name, (projects() / "trip.kdp").string());
    // Loading reverses the list; compare by name.
    for (const Kept& kept : before) {
        auto found = std::find_if(project().items().begin(), project().items().end(),
                                  [&](const auto& item) { return item->file_name == kept.name; });
        ASSERT_NE(found, project().items().end()) << kept.name;
        EXPECT_EQ((*found)->kind, kept.kind);
        EXPECT_EQ((*found)->track, kept.track);
        EXPECT_EQ((*found)->start, kept.start);
        EXPECT_EQ((*found)->length, kept.length);
    }
    EXPECT_FALSE(project().modified);
    EXPECT_EQ(window().windowTitle().toStdString(),
              "Reelbench - " + (projects() / "trip.kdp").string());
}

TEST_F(Commands, PlayingWithoutAMovieSaysWhy) {
    trigger("124-2");
    EXPECT_TRUE(
        said("Cannot play last final.", "You have never made a final movie for this project."));
    trigger("124-1");
    EXPECT_TRUE(said("Cannot play last preview.", "You have never made a preview."));
    EXPECT_TRUE(played().empty());
}

TEST_F(Commands, EveryMenuEntryHasItsTextKeyAndHelp) {
    struct Entry {
        const char* name;
        const char* text;
        QKeySequence key;
        int context;
    };
    const Entry entries[] = {
        {"101", "&New...", QKeySequence(Qt::CTRL | Qt::Key_N), 101},
        {"102", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), 102},
        {"103", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), 103},
        {"104", "Save &As...", {}, 104},
        {"105", "Make &Preview", QKeySequence(Qt::CTRL | Qt::Key_P), 105},
        {"106", "Make &Final", QKeySequence(Qt::CTRL | Qt::Key_F), 106},
        {"107", "Settings...", {}, 107},
        {"113", "Save Defaults", {}, 113},
        {"115", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), 115},
        {"116", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), 116},
        {"117", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), 117},
        {"118", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), 118},
        {"119", "&Delete", QKeySequence(Qt::Key_Delete), 119},
        {"120", "Insert &FX", QKeySequence(Qt::CTRL | Qt::Key_E), 120},
        {"121", "Insert &Video", QKeySequence(Qt::CTRL | Qt::Key_I), 121},
        {"122", "Insert &Bitmap", QKeySequence(Qt::CTRL | Qt::Key_B), 122},
        {"123-1", "&1  10 frames", {}, 123},
        {"123-0", "&0  Fit", {}, 123},
        {"124-1", "Last &Preview", {}, 124},
        {"124-2", "Last &Final", {}, 124},
        {"125", "&Help Topics", {}, 125},
        {"126", "&About Reelbench...", {}, 126},
    };
    for (const Entry& entry : entries) {
        QAction* action = window().action(entry.name);
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_EQ(action->text(), entry.text) << entry.name;
        EXPECT_EQ(action->shortcut(), entry.key) << entry.name;
        EXPECT_EQ(action->property("help_context").toInt(), entry.context) << entry.name;
    }
    EXPECT_EQ(window().action("116")->statusTip(),
              "Removes the selected item from the timeline, and places it in the clipboard.");
    EXPECT_EQ(window().action("123-7")->statusTip(),
              "Display 30 minutes of frames in the timeline window.");
    EXPECT_EQ(window().status_text(),
              "Welcome to Reelbench.  Use the File menu to open a project, or the Insert menu to "
              "add items to the timeline.");
    EXPECT_EQ(window().minimumSize(), QSize(400, 300));
}

TEST_F(Commands, TheAcceleratorsRunTheirCommands) {
    const auto a = write_clip("a.avi", 1, 10);
    TimelineItem& item = add(clip_item(a, 1, 0, 10));
    show_frames(0, 100);
    select(item);
    window().activateWindow();
    QTest::keyClick(&window(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(window().clipboard().kind, ItemKind::video);
    QTest::keyClick(&window(), Qt::Key_Delete);
    EXPECT_EQ(project().item_count(), 0);
}

}  // namespace
}  // namespace kdr::editor::window::test

// The path editor over a real sheet, its view drawn by Rnd_Generic: the
// view frame and what the engine draws, the key tools, typed values,
// dragging with every tool, copying keys, path files, and what OK, Cancel
// and Remove leave in the record.

#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <cmath>
#include <fstream>

#include "kaleidra/gui/path_editing.h"
#include "kaleidra/scene/item_files.h"
#include "kaleidra/scene/scene.h"
#include "layout_view.h"
#include "option_page.h"
#include "pages_test_support.h"
#include "path_editor.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

// Globe's outgoing picture, object 20, moves along keys at 0, 0.45, 0.7
// and 1.
constexpr std::uint16_t globe_object = 20;

class PathEditorTest : public PagesTest {
  protected:
    PathEditorTest() : PagesTest(generic_contents()) {}

    // Opens the path editor from the Objects page for group `group` and
    // runs `body` in it; OK closes it afterwards unless the body closed it.
    void edit(EffectSettings& record, int group,
              const std::function<void(PathEditorPage&, QDialog&)>& body) {
        run_page(record, 104, [&](SelectionSheet&, OptionPage& page) {
            if (group != 0) {
                choose(&page, 1300, group);
            }
            expect_dialog(DialogKind::path_editor, [&](QDialog& dialog) {
                auto& editor = static_cast<PathEditor&>(dialog);
                body(*editor.editor_page(), dialog);
                if (dialog.isVisible()) {
                    click(&dialog, 1);
                }
            });
            click(&page, 1129);
            EXPECT_TRUE(all_dialogs_shown()) << "the path editor did not open";
        });
    }

    // Drags with `button` in the editor's view by (dx, dy) in steps.
    static void drag(PathEditorPage& page, int dx, int dy, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = {}) {
        LayoutView* view = page.view();
        const QPoint start = view->rect().center();
        QTest::mousePress(view, button, modifiers, start);
        for (int step = 1; step <= 4; ++step) {
            QTest::mouseMove(view, start + QPoint(dx * step / 4, dy * step / 4));
        }
        QTest::mouseRelease(view, button, modifiers, start + QPoint(dx, dy));
    }

    // The same with shift held throughout, as the window system would
    // report it with every movement.
    static void shift_drag(PathEditorPage& page, int dx, int dy) {
        LayoutView* view = page.view();
        const QPointF start = QRectF(view->rect()).center();
        auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                        Qt::MouseButtons held) {
            QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::ShiftModifier);
            QApplication::sendEvent(view, &event);
        };
        send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, start + QPointF(dx, dy), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, start + QPointF(dx, dy), Qt::LeftButton, Qt::NoButton);
    }

    static const scene::Path* user_path(const EffectSettings& record) {
        const Scene& user = *settings_scene(record);
        return user.paths.empty() ? nullptr : user.paths.front().get();
    }
};

int differing_pixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return a.width() * a.height();
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

TEST_F(PathEditorTest, TheEngineDrawsTheLayoutViewIntoTheViewFrame) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        ASSERT_TRUE(page.engine_ready()) << "Rnd_Generic prepared the view";
        const FrameRecord& frame = page.view_frame();
        EXPECT_EQ(frame.device_context, nullptr);
        EXPECT_EQ(frame.total, 100u);
        EXPECT_EQ(frame.highlighted_id, globe_object);
        EXPECT_EQ(frame.flags, 0x13u) << "camera view, layout preview, the path";
        EXPECT_EQ(static_cast<int>(frame.width), page.view()->view_size().width());
        EXPECT_EQ(frame.output.format, format_bgr);
        EXPECT_EQ(frame.output.alignment, 4);
        const QImage camera = page.view()->picture();
        ASSERT_FALSE(camera.isNull());
        const int drawn = page.views_drawn();

        click(&page, 1138);  // Top
        EXPECT_EQ(page.view_bits(), 0x40u);
        EXPECT_EQ(page.view_frame().flags, 0x43u);
        EXPECT_GT(page.views_drawn(), drawn);
        const QImage top = page.view()->picture();
        EXPECT_GT(differing_pixels(camera, top), 200) << "another viewpoint";
        slide(&page, 1201, 70);
        EXPECT_EQ(page.view_frame().position, 70u);
        EXPECT_GT(differing_pixels(top, page.view()->picture()), 20) << "the object moved on";
        click(&page, 1139);
        EXPECT_EQ(page.view_bits(), 0x20u);
        click(&page, 1137);
        EXPECT_EQ(page.view_bits(), 0x80u);
    });
}

TEST_F(PathEditorTest, TheKeyDisplayShowsThePathAndGuardsTheEndKeys) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Values at 0% * KEY *");
        EXPECT_FALSE(enabled(&page, 7)) << "&Delete at 0";
        EXPECT_FALSE(enabled(&page, 5)) << "&Previous at the first key";
        EXPECT_FALSE(enabled(&page, 6));
        EXPECT_TRUE(enabled(&page, 8));
        EXPECT_EQ(text_of(&page, 1101), "-5") << "Z of the first key";
        click(&page, 4);
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 45);
        EXPECT_EQ(text_of(&page, 1103), "120") << "heading of the key at 0.45";
        EXPECT_TRUE(enabled(&page, 7));
        slide(&page, 1201, 60);
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Values at 60%");
        EXPECT_TRUE(enabled(&page, 6));
        EXPECT_FALSE(enabled(&page, 7));
        EXPECT_FALSE(enabled(&page, 8));
        slide(&page, 1201, 100);
        EXPECT_FALSE(enabled(&page, 7)) << "&Delete at 100";
        EXPECT_FALSE(enabled(&page, 4)) << "&Next at the last key";
        click(&page, 7);
        EXPECT_EQ(page.path().keys.size(), 4u);
    });
}

TEST_F(PathEditorTest, AMoveDragOf40PixelsInTheTopViewMovesXByOne) {
    TestRecord record("Globe");
    float x_before = 0;
    float z_before = 0;
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        click(&page, 1138);
        slide(&page, 1201, 50);
        const PathKey at_half = path_at(page.path().keys, 0.5f);
        x_before = at_half.position[0];
        z_before = at_half.position[2];
        drag(page, 40, 0);
        EXPECT_FALSE(page.dragging());
        const int key = path_key_near(page.path().keys, 0.5f);
        ASSERT_GE(key, 0) << "the drag made a key at 50 %";
        EXPECT_NEAR(page.path().keys[key].position[0], x_before + 1.0f, 1e-4);
        EXPECT_NEAR(page.path().keys[key].position[2], z_before, 1e-4);
        EXPECT_EQ(text_of(&page, 1094).toStdString(),
                  QString::number(page.path().keys[key].position[0], 'g', 6).toStdString());
    });
    const scene::Path* path = user_path(record.value);
    ASSERT_NE(path, nullptr) << "OK keeps the record's path";
    EXPECT_EQ(path->link_id, globe_object);
    EXPECT_NEAR(path_at(path->keys, 0.5f).position[0], x_before + 1.0f, 1e-4);
}

TEST_F(PathEditorTest, WithOnlyTheYAxisOnARotateDragChangesOnlyTheHeading) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        click(&page, 1134);  // Rotate
        click(&page, 1122);  // X off
        click(&page, 1126);  // Z off
        slide(&page, 1201, 45);
        const PathKey before = page.path().keys[1];
        drag(page, 20, 16);
        const PathKey& after = page.path().keys[1];
        EXPECT_FLOAT_EQ(after.heading, before.heading + 10);
        EXPECT_EQ(after.pitch, before.pitch);
        EXPECT_EQ(after.bank, before.bank);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(after.position[i], before.position[i]);
            EXPECT_EQ(after.scale[i], before.scale[i]);
        }
        drag(page, 0, 10, Qt::RightButton);
        EXPECT_EQ(page.path().keys[1].bank, before.bank) << "bank is about Z, which is off";
        click(&page, 1126);
        drag(page, 0, 10, Qt::RightButton);
        EXPECT_FLOAT_EQ(page.path().keys[1].bank, before.bank - 5);
    });
}

TEST_F(PathEditorTest, StretchingAndMovingDeepFollowTheButtons) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        slide(&page, 1201, 70);
        PathKey key = page.path().keys[2];
        drag(page, 0, 30, Qt::RightButton);  // camera view, right button: Z
        EXPECT_NEAR(page.path().keys[2].position[2], key.position[2] + 0.3f, 1e-4);
        click(&page, 1135);  // Stretch
        key = page.path().keys[2];
        drag(page, 10, -20);
        EXPECT_NEAR(page.path().keys[2].scale[0], key.scale[0] + 0.1f, 1e-4);
        EXPECT_NEAR(page.path().keys[2].scale[1], key.scale[1] + 0.2f, 1e-4);
        key = page.path().keys[2];
        shift_drag(page, 0, 10);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(page.path().keys[2].scale[i], key.scale[i] + 0.1f, 1e-4);
        }
    });
}

TEST_F(PathEditorTest, CopyingTheKeyAt30PercentTo80Percent) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        slide(&page, 1201, 30);
        click(&page, 6);
        const int at_30 = path_key_near(page.path().keys, 0.3f);
        ASSERT_GE(at_30, 0);
        const PathKey copied = page.path().keys[at_30];
        expect_dialog(DialogKind::copy_key, [](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Copy Current Key");
            EXPECT_EQ(text_of(&dialog, 1132), "30");
            type_into(&dialog, 1132, "120");
            click(&dialog, 1);
            EXPECT_TRUE(dialog.isVisible()) << "stays open after a time beyond 100 %";
            type_into(&dialog, 1132, "80");
            click(&dialog, 1);
        });
        click(&page, 8);
        EXPECT_TRUE(all_dialogs_shown());
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 80);
        const int at_80 = path_key_near(page.path().keys, 0.8f);
        ASSERT_GE(at_80, 0);
        const PathKey& key = page.path().keys[at_80];
        EXPECT_EQ(key.time, time_of_percent(80));
        for (int i = 1; i <= 9; ++i) {
            EXPECT_NEAR(motion_value(key, i), motion_value(copied, i), 1e-4) << "value " << i;
        }
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Values at 80% * KEY *");
    });
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Invalid Time: Time must be between 0% and 100%"});
}

TEST_F(PathEditorTest, Typing2500IsRefused) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        slide(&page, 1201, 45);
        const PathKey before = page.path().keys[1];
        type_into(&page, 1094, "2500");
        EXPECT_EQ(page.path().keys[1].position[0], before.position[0]);
        EXPECT_EQ(messages().size(), 1u);
        type_into(&page, 1094, "2000");
        EXPECT_EQ(page.path().keys[1].position[0], 2000) << "the limit itself is allowed";
        type_into(&page, 1103, "5000");
        EXPECT_EQ(page.path().keys[1].heading, 5000) << "rotations have no limit";
        type_into(&page, 1105, "-2000.5");
        EXPECT_EQ(page.path().keys[1].scale[1], before.scale[1]);
        EXPECT_EQ(messages().size(), 2u);
    });
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0], "Problem with value: Value must be between -2000 and 2000");
}

TEST_F(PathEditorTest, CancelAfterDraggingPutsTheWholeRecordBack) {
    TestRecord record("Globe");
    record.add_user_items();
    record.value.globals[global_shadows] = 35;
    const std::vector<std::uint8_t> before = record.stored();
    edit(record.value, 0, [&](PathEditorPage& page, QDialog& dialog) {
        drag(page, 30, -12);
        slide(&page, 1201, 60);
        drag(page, -10, 40, Qt::RightButton);
        type_into(&page, 1096, "3");
        click(&dialog, 2);
    });
    EXPECT_EQ(record.stored(), before);
}

TEST_F(PathEditorTest, RemoveLetsTheObjectFollowTheEffectsOwnPathAgain) {
    TestRecord record("Globe");
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) { drag(page, 25, 0); });
    ASSERT_NE(user_path(record.value), nullptr);
    const std::uint16_t id = user_path(record.value)->id;
    edit(record.value, 0, [&](PathEditorPage& page, QDialog& dialog) {
        EXPECT_EQ(page.path().id, id) << "the record's path is edited again";
        click(&dialog, 3);
    });
    EXPECT_EQ(user_path(record.value), nullptr);
}

TEST_F(PathEditorTest, TheFlyDirectionIsHeldAtFlyOffWhileTheEditorRuns) {
    install.set_number("Eff_Autoreverse", 0);
    TestRecord record("Globe");
    record.value.globals[global_fly_direction] = 1;
    // Flying on, the page's video 2 is the outgoing picture's object.
    edit(record.value, 1, [&](PathEditorPage& page, QDialog&) {
        EXPECT_EQ(record.value.globals[global_fly_direction], 0);
        EXPECT_EQ(page.view_frame().highlighted_id, globe_object);
    });
    EXPECT_EQ(record.value.globals[global_fly_direction], 1);

    // Video 1 flying on is the incoming picture, which has no path.
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        choose(&page, 1300, 0);
        click(&page, 1129);
    });
    EXPECT_EQ(record.value.globals[global_fly_direction], 1);
    EXPECT_EQ(user_path(record.value)->link_id, globe_object);
}

TEST_F(PathEditorTest, PathFilesKeepThePathsOwnIdsAndUnreadableOnesSaySo) {
    const fs::path folder = install.root() / "Paths";
    fs::create_directories(folder);
    scene::Path straight;
    straight.id = 999;
    straight.link_id = 77;
    straight.keys.resize(2);
    straight.keys[1].time = 1;
    straight.keys[1].position[0] = 4;
    ASSERT_TRUE(write_path_file(folder / "straight.pth", straight).ok());
    std::ofstream(folder / "broken.pth") << "KPTHPTH0\x10";
    TestRecord record("Globe");
    auto answer = [&](const fs::path& file, const char* title) {
        expect_dialog(DialogKind::file_dialog, [file, title](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            EXPECT_EQ(files.windowTitle(), title);
            EXPECT_EQ(files.nameFilters(), QStringList{"Kaleidra Paths (*.pth)"});
            files.selectFile(QString::fromStdString(file.string()));
            dialog.accept();
        });
    };
    edit(record.value, 0, [&](PathEditorPage& page, QDialog&) {
        answer(folder / "straight.pth", "Load A Path");
        click(&page, 9);
        EXPECT_EQ(page.path().keys.size(), 2u);
        EXPECT_EQ(text_of(&page, 1094), "0");
        answer(folder / "broken.pth", "Load A Path");
        click(&page, 9);
        EXPECT_EQ(page.path().keys.size(), 2u);
        answer(folder / "saved.pth", "Save A Path");
        click(&page, 10);
        answer(folder / "no such folder" / "lost.pth", "Save A Path");
        click(&page, 10);
    });
    const scene::Path* path = user_path(record.value);
    ASSERT_NE(path, nullptr);
    EXPECT_NE(path->id, 999);
    EXPECT_EQ(path->link_id, globe_object);
    EXPECT_EQ(path->keys[1].position[0], 4);
    scene::Path saved;
    ASSERT_EQ(read_path_file(folder / "saved.pth", saved), ItemFileRead::read);
    EXPECT_FALSE(saved.differs(*path));
    EXPECT_EQ(messages(), (std::vector<std::string>{"File Error: Could not read path from disk",
                                                    "File Error: Could not write path to disk"}));
    EXPECT_FALSE(fs::exists(folder / "no such folder"));
}

class PathEditorWithoutEngineTest : public PagesTest {
  protected:
    PathEditorWithoutEngineTest() { install.set_string("Prev_Engine", "Rnd_Missing"); }
};

TEST_F(PathEditorWithoutEngineTest, TheViewStaysEmptyAndEditingStillWorks) {
    TestRecord record("Globe");
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        expect_dialog(DialogKind::path_editor, [&](QDialog& dialog) {
            auto& editor = *static_cast<PathEditor&>(dialog).editor_page();
            EXPECT_FALSE(editor.engine_ready());
            EXPECT_TRUE(editor.view()->picture().isNull());
            slide(&editor, 1201, 20);
            type_into(&editor, 1095, "33");
            EXPECT_GE(path_key_near(editor.path().keys, 0.2f), 0);
            click(&dialog, 1);
        });
        click(&page, 1129);
    });
    ASSERT_FALSE(settings_scene(record.value)->paths.empty());
}

}  // namespace
}  // namespace kdr::gui::test

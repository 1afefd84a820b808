// Make Preview and Make Final from the window: the progress dialog, Stop,
// the player, and a final movie equal to the command line's render of the
// same project.

#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <fstream>

#include "kaleidra/editor/window/progress_dialog.h"
#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

using editor::test::framemd5;

int frame_lines(const std::string& md5s) {
    int count = 0;
    std::size_t at = 0;
    while (at < md5s.size()) {
        const std::size_t end = md5s.find('\n', at);
        const std::string line = md5s.substr(at, end == std::string::npos ? end : end - at);
        if (!line.empty() && line[0] != '#') {
            ++count;
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return count;
}

class Rendering : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        write_effect("Fx", 1, 2);
        a = write_clip("a.avi", 1, 20);
        b = write_clip("b.avi", 2, 20);
        project().output.rate = 25;
        project().output.final_width = 32;
        project().output.final_height = 24;
        project().output.preview_width = 16;
        project().output.preview_height = 12;
        project().output.final_options.handler = video::make_fourcc("DIB ");
        project().output.preview_options.handler = video::make_fourcc("DIB ");
    }
    void make_project() {
        add(clip_item(a, 1, 0, 20));
        add(clip_item(b, 2, 10, 20));
        add(effect_item("Fx", 10, 10));
    }
    ProgressDialog& dialog() {
        ProgressDialog* shown = window().progress_dialog();
        EXPECT_NE(shown, nullptr);
        return *shown;
    }
    QString dialog_text(const char* id) {
        auto* label = dialog().findChild<QLabel*>(id);
        return label != nullptr ? label->text() : QString();
    }

    std::filesystem::path a;
    std::filesystem::path b;
};

TEST_F(Rendering, MakeFinalWritesTheMovieTheCommandLineWrites) {
    make_project();
    files.push_back({text_of(projects() / "film.kdp")});
    trigger("104");
    ASSERT_FALSE(project().modified);

    const std::filesystem::path movie = media() / "from window.avi";
    files.push_back({text_of(movie)});
    trigger("106");
    ASSERT_EQ(requests.back().title, "Select name for output file");
    EXPECT_EQ(requests.back().filter, "AVI Files (*.avi)");
    EXPECT_EQ(requests.back().name, "Untitled.avi");
    EXPECT_EQ(requests.back().folder, text_of(work()));
    ASSERT_TRUE(window().rendering());
    EXPECT_EQ(dialog().windowTitle(), "Making Final " + text_of(movie));
    EXPECT_EQ(window().status_text(), "Rendering Movie.");
    EXPECT_FALSE(window().menuBar()->isEnabled()) << "the window waits for the render";
    EXPECT_FALSE(window().action("101")->isEnabled());
    ASSERT_TRUE(wait_for_render_end());
    EXPECT_TRUE(window().menuBar()->isEnabled());
    EXPECT_TRUE(window().action("101")->isEnabled());
    EXPECT_EQ(project().output.last_final, movie.string());
    EXPECT_EQ(window().recent().last_output, media().string());

    // The player gets the movie as its one argument, spaces and all.
    ASSERT_TRUE(wait_for_player());
    EXPECT_EQ(played(), std::vector<std::string>{movie.string()});

    const std::filesystem::path line_movie = media() / "from command line.avi";
    const std::string command = std::string("'") + KDR_REELBENCH + "' --render '" +
                                (projects() / "film.kdp").string() + "' --out '" +
                                line_movie.string() + "' --quiet 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    std::string output;
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ASSERT_EQ(::pclose(pipe), 0) << output;

    const std::string from_window = framemd5(movie);
    ASSERT_EQ(from_window.rfind("error:", 0), std::string::npos) << from_window;
    EXPECT_EQ(frame_lines(from_window), 30);
    EXPECT_EQ(from_window, framemd5(line_movie));

    // Play last final plays it again.
    std::filesystem::remove(root() / "played.txt");
    trigger("124-2");
    ASSERT_TRUE(wait_for_player());
    EXPECT_EQ(played(), std::vector<std::string>{movie.string()});
}

TEST_F(Rendering, StopLeavesAPlayableMovieOfTheFramesWritten) {
    set_package_string("Engine", "Rnd_Wait");
    make_project();
    const std::filesystem::path movie = media() / "stopped.avi";
    files.push_back({text_of(movie)});
    trigger("106");
    ASSERT_TRUE(window().rendering());
    // The waiting engine holds the effect's first frame, frame 10.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialog_text("1023") == "Total Project (Frame 11 of 30)"; }, 20000))
        << dialog_text("1023").toStdString();
    EXPECT_EQ(dialog_text("1024"), "Current Frame of Effect Fx (Frame 1 of 10)");
    EXPECT_EQ(dialog().findChild<QProgressBar*>("1021")->value(), 33);
    QPushButton* stop = dialog().findChild<QPushButton*>("2");
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), "Stop");
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_EQ(stop->text(), "Wait...");
    ASSERT_TRUE(wait_for_render_end());
    EXPECT_EQ(window().status_text(), "Rendering stopped.");
    const std::string md5s = framemd5(movie);
    ASSERT_EQ(md5s.rfind("error:", 0), std::string::npos) << md5s;
    EXPECT_EQ(frame_lines(md5s), 10);
    ASSERT_TRUE(wait_for_player());
    EXPECT_EQ(played(), std::vector<std::string>{movie.string()});
}

TEST_F(Rendering, EscapeStopsAPreviewAndThePreviewCanBePlayedAgain) {
    set_package_string("Prev_Engine", "Rnd_Wait");
    make_project();
    trigger("105");
    ASSERT_TRUE(window().rendering());
    EXPECT_EQ(dialog().windowTitle(), "Making Preview");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialog_text("1023") == "Total Project (Frame 11 of 30)"; }, 20000));
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_EQ(dialog().findChild<QPushButton*>("2")->text(), "Wait...");
    ASSERT_TRUE(wait_for_render_end());
    ASSERT_TRUE(wait_for_player());
    const std::filesystem::path preview = work() / "Preview.avi";
    EXPECT_EQ(played(), std::vector<std::string>{preview.string()});
    EXPECT_EQ(frame_lines(framemd5(preview)), 10);
    std::filesystem::remove(root() / "played.txt");
    trigger("124-1");
    ASSERT_TRUE(wait_for_player());
    EXPECT_EQ(played(), std::vector<std::string>{preview.string()});
}

TEST_F(Rendering, ClosingTheWindowWhileRenderingStopsTheRenderFirst) {
    set_package_string("Engine", "Rnd_Wait");
    make_project();
    files.push_back({text_of(media() / "closing.avi")});
    trigger("106");
    ASSERT_TRUE(window().rendering());
    project().modified = true;
    answers.push_back(platform::MessageAnswer::cancel);
    EXPECT_FALSE(window().close());
    EXPECT_TRUE(messages.empty()) << "no question while the render runs";
    ASSERT_TRUE(wait_for_render_end()) << "the close stopped the render";
    // Then the close goes on, and its question can still keep the window.
    EXPECT_TRUE(said("Project has changed.", "Do you want to save " + project().file_name + "?"));
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(std::filesystem::exists(root() / "played.txt"))
        << "no player for a closing window";
    // Unchanged, a close during a render ends with the window closed.
    project().modified = false;
    files.push_back({text_of(media() / "closing2.avi")});
    trigger("106");
    ASSERT_TRUE(window().rendering());
    EXPECT_FALSE(window().close());
    ASSERT_TRUE(wait_for_render_end());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(Rendering, ThePlayerRunsBesideTheEditor) {
    // A player that writes down that it started, then keeps running until
    // the test lets it go.
    const std::filesystem::path player = root() / "slow-player.sh";
    {
        std::ofstream script(player);
        script << "#!/bin/sh\ntouch '" << (root() / "started").string() << "'\n"
               << "for i in $(seq 200); do [ -e '" << (root() / "release").string()
               << "' ] && break; sleep 0.05; done\n"
               << "touch '" << (root() / "ended").string() << "'\n";
    }
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);
    ::setenv("KALEIDRA_PLAYER", player.c_str(), 1);
    make_project();
    trigger("105");
    ASSERT_TRUE(wait_for_render_end());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::exists(root() / "started"); }, 10000));
    // The player is still playing, and the editor takes commands.
    EXPECT_FALSE(std::filesystem::exists(root() / "ended"));
    trigger("123-1");
    EXPECT_EQ(project().visible_frames, 10);
    trigger("105");
    EXPECT_TRUE(window().rendering());
    ASSERT_TRUE(wait_for_render_end());
    std::ofstream(root() / "release").put('\n');
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(root() / "ended"); }, 10000));
}

TEST_F(Rendering, AnEmptyProjectOrACancelledNameMakesNoMovie) {
    trigger("105");
    EXPECT_TRUE(said("Cannot make preview", "Nothing in project."));
    messages.clear();
    trigger("106");
    EXPECT_TRUE(said("Cannot make preview", "Nothing in project."));
    EXPECT_TRUE(requests.empty());
    make_project();
    files.push_back({});
    trigger("106");
    EXPECT_EQ(window().status_text(), "Make movie cancelled.");
    EXPECT_FALSE(window().rendering());
    EXPECT_TRUE(project().output.last_final.empty());
}

}  // namespace
}  // namespace kdr::editor::window::test

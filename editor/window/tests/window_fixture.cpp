#include "window_fixture.h"

#include <QAction>
#include <QApplication>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "kaleidra/editor/item_opening.h"
#include "kaleidra/editor/preferences.h"
#include "kaleidra/editor/window/progress_dialog.h"

namespace kdr::editor::window::test {

void WindowTest::SetUpTestSuite() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "editor_window_test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // kept for the life of the process
    }
}

void WindowTest::SetUp() {
    EditorTest::SetUp();
    ::setenv("KDR_COUNTING_ENGINE_LOG", (root() / "engine.log").c_str(), 1);
    std::filesystem::copy_file(KDR_COUNTING_ENGINE, libs() / "Rnd_Count.so");
    std::filesystem::copy_file(KDR_WAITING_ENGINE, libs() / "Rnd_Wait.so");
    set_package_string("Engine", "Rnd_Count");
    set_package_string("Prev_Engine", "Rnd_Count");
    set_package_number("Rnd_Multi", 0);
    std::filesystem::create_directories(root() / "HELP");
    std::filesystem::copy_file(KDR_HELP_FILE, root() / "HELP" / "REELBENCH.html");

    const std::filesystem::path player = root() / "player.sh";
    {
        std::ofstream script(player);
        script << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (root() / "played.tmp").string()
               << "'\nmv '" << (root() / "played.tmp").string() << "' '"
               << (root() / "played.txt").string() << "'\n";
    }
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);
    ::setenv("KALEIDRA_PLAYER", player.c_str(), 1);

    m_previous_handler = platform::set_message_box_handler(
        [this](const std::string& title, const std::string& text, platform::MessageKind kind) {
            messages.push_back({title, text, kind});
            if (!answers.empty()) {
                const platform::MessageAnswer answer = answers.front();
                answers.pop_front();
                return answer;
            }
            if (kind == platform::MessageKind::question) {
                ADD_FAILURE() << "unanswered question: " << title << " " << text;
                return platform::MessageAnswer::cancel;
            }
            return platform::MessageAnswer::ok;
        });
    m_previous_answer = set_file_dialog_answer([this](const FileRequest& request) {
        requests.push_back(request);
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file dialog: " << request.title.toStdString();
            return QStringList();
        }
        QStringList answer = files.front();
        files.pop_front();
        return answer;
    });
    open_window();
}

void WindowTest::TearDown() {
    if (m_window) {
        // Nothing left to save: tests close windows themselves where it
        // matters.
        m_window->project().modified = false;
        m_window.reset();
    }
    set_file_dialog_answer(std::move(m_previous_answer));
    platform::set_message_box_handler(std::move(m_previous_handler));
    ::unsetenv("KALEIDRA_PLAYER");
}

void WindowTest::open_window() {
    if (m_window) {
        m_window->project().modified = false;
        m_window.reset();
    }
    const Preferences preferences = Preferences::open_default();
    Result<RecentValues> recent = preferences.start_up();
    ASSERT_TRUE(recent.ok()) << recent.error();
    m_window = std::make_unique<MainWindow>(preferences, *recent);
    m_window->resize(852, 600);
    m_window->show();
    QApplication::processEvents();
}

TimelineItem& WindowTest::add(std::unique_ptr<TimelineItem> item) {
    EXPECT_TRUE(open_item(*item).ok()) << item->file_name;
    TimelineItem& added = project().add_item(std::move(item));
    timeline().redraw();
    return added;
}

void WindowTest::show_frames(std::int32_t start, std::int32_t frames) {
    // Half a frame more, so that the whole-frame count never rounds down.
    project().zoom =
        (static_cast<float>(frames) + 0.5f) / static_cast<float>(project().output.rate);
    project().view_start = start;
    timeline().redraw();
    ASSERT_EQ(project().visible_frames, frames);
}

QPoint WindowTest::point_at(std::int32_t row, std::int32_t frame) const {
    const ClientLayout layout = m_window->timeline()->layout();
    const Project& shown = m_window->project();
    const double ppf = shown.pixels_per_frame;
    // The frame under x is view start + ceil(x / ppf): aim just left of the
    // frame's own line.
    const double x = std::floor((frame - shown.view_start) * ppf) - 0.0;
    const double y = shown.row_height * (row + 0.5);
    return QPoint(layout.track.left + static_cast<int>(x), layout.track.top + static_cast<int>(y));
}

void WindowTest::select(const TimelineItem& item) {
    const QPoint over = point_at(item.track, item.start + 1) - QPoint(2, 0);
    press(over);
    release(over);
    ASSERT_EQ(project().selected_item, &item);
}

void WindowTest::press(QPoint point) {
    QTest::mousePress(m_window->timeline(), Qt::LeftButton, Qt::NoModifier, point);
}

void WindowTest::move_to(QPoint point) {
    QTest::mouseMove(m_window->timeline(), point);
}

void WindowTest::release(QPoint point) {
    QTest::mouseRelease(m_window->timeline(), Qt::LeftButton, Qt::NoModifier, point);
}

void WindowTest::drag(QPoint from, QPoint to) {
    press(from);
    move_to(to);
    release(to);
}

void WindowTest::trigger(const char* name) {
    QAction* entry = m_window->action(QString::fromLatin1(name));
    ASSERT_NE(entry, nullptr) << name;
    ASSERT_TRUE(entry->isEnabled()) << name << " is greyed";
    entry->trigger();
}

std::vector<std::string> WindowTest::played() const {
    std::ifstream file(root() / "played.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool WindowTest::wait_for_player() const {
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(root() / "played.txt")) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool WindowTest::wait_for_render_end() {
    return QTest::qWaitFor([this] { return !m_window->rendering(); }, 60000);
}

bool WindowTest::said(const std::string& title, const std::string& text) const {
    for (const Message& message : messages) {
        if (message.title == title && message.text == text) {
            return true;
        }
    }
    return false;
}

}  // namespace kdr::editor::window::test

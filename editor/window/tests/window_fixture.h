#pragma once
// The main window's tests: a private installation (editor_fixture.h) with
// the counting engine as "Engine" and "Prev_Engine", the waiting engine
// beside it, the help file, a player that writes down what it was asked to
// play, and a real MainWindow on the offscreen platform. Every message box
// and file dialog is answered by the test: messages are recorded and
// answered from `answers` (OK when it is empty, and a question without an
// answer fails the test); file dialogs take their answer from `files`.

#include <QString>
#include <QStringList>
#include <QtTest/QTest>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/editor/window/file_dialogs.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/platform/message_box.h"

namespace kdr::editor::window::test {

struct Message {
    std::string title;
    std::string text;
    platform::MessageKind kind = platform::MessageKind::information;
};

inline QString text_of(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

class WindowTest : public editor::test::EditorTest {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A fresh window over the registry as it is now.
    void open_window();
    MainWindow& window() { return *m_window; }
    Project& project() { return m_window->project(); }
    TimelineView& timeline() { return *m_window->timeline(); }

    // Adds an opened item to the project and redraws.
    TimelineItem& add(std::unique_ptr<TimelineItem> item);
    // Shows `frames` frames across the timeline from `start`.
    void show_frames(std::int32_t start, std::int32_t frames);

    // The point of the timeline over frame `frame` in row `row` (in the
    // middle of the row, where item boxes are).
    QPoint point_at(std::int32_t row, std::int32_t frame) const;
    // Clicks the item (just right of its start), as a user selects it.
    void select(const TimelineItem& item);
    void press(QPoint point);
    void move_to(QPoint point);
    void release(QPoint point);
    void drag(QPoint from, QPoint to);

    // Runs a menu entry by its objectName, as a click on it does.
    void trigger(const char* name);

    // What the player was asked to play, one line an argument (empty until
    // it has run).
    std::vector<std::string> played() const;
    bool wait_for_player() const;
    // Waits until no render runs; false when it did not end in time.
    bool wait_for_render_end();

    bool said(const std::string& title, const std::string& text) const;

    std::deque<platform::MessageAnswer> answers;
    std::vector<Message> messages;
    std::deque<QStringList> files;
    std::vector<FileRequest> requests;

  private:
    std::unique_ptr<MainWindow> m_window;
    platform::MessageBoxHandler m_previous_handler;
    FileDialogAnswer m_previous_answer;
};

}  // namespace kdr::editor::window::test

#pragma once
// What the dialogs' tests share: an installation with the recording preview
// engine, records to open the sheet over, and running the sheet through the
// library's own entry point with a test body that drives its widgets.

#include <gtest/gtest.h>

#include <QDialog>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/records/layout.h"

namespace kdr::gui {
class SelectionSheet;
class OptionPage;
}  // namespace kdr::gui

namespace kdr::gui::test {

// A settings record that is destroyed with the test.
struct TestRecord {
    EffectSettings value;
    explicit TestRecord(const char* name = "");
    ~TestRecord();
    TestRecord(const TestRecord&) = delete;
    TestRecord& operator=(const TestRecord&) = delete;
    // The stored form, for comparing records byte for byte.
    std::vector<std::uint8_t> stored() const;
    // Adds a path, an envelope and a video mapping to the embedded scene.
    void add_user_items();
};

// The installation most dialog tests use: shipped effects, the recording
// engine as "Prev_Engine", the preferences the package installs, the help
// file, and the catalogue refreshed.
class DialogTest : public ::testing::Test {
  protected:
    explicit DialogTest(const InstallationContents& contents = recording_contents());
    ~DialogTest() override;

    static InstallationContents recording_contents();

    // Runs KDRGUI_Select's work over `record`; `body` runs once the sheet is
    // shown and must close it (accept or reject). Fails the test and cancels
    // the sheet when it is still open after 60 s.
    int run_sheet(EffectSettings& record, const std::function<void(SelectionSheet&)>& body,
                  int filter_mode = 0);

    // The messages shown while the test ran (title: text).
    const std::vector<std::string>& messages() const { return m_messages; }

    TestInstallation install;

  private:
    std::vector<std::string> m_messages;
    platform::MessageBoxHandler m_previous_handler;
};

// Polls with the event loop running until `done` holds (30 s at most).
::testing::AssertionResult eventually(const std::function<bool()>& done, const char* what);

// The control `id` of the page shown, failing the test when it is missing.
template <class Widget>
Widget* control(const QWidget* page, int id) {
    auto* widget = page->findChild<Widget*>(QString::number(id));
    EXPECT_NE(widget, nullptr) << "no control " << id;
    return widget;
}

std::vector<std::string> engine_lines(const TestInstallation& install);
std::vector<std::string> engine_renders(const TestInstallation& install);

}  // namespace kdr::gui::test

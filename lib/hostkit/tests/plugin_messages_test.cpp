#include "kaleidra/hostkit/plugin_messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::hostkit {
namespace {

using platform::MessageAnswer;
using platform::MessageKind;

std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class PluginMessagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_previous = platform::set_message_box_handler({});
        log = folder.path() / "messages.log";
        ::setenv(message_log_variable, log.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv(message_log_variable);
        platform::set_message_box_handler(std::move(m_previous));
    }

    test::TempFolder folder;
    std::filesystem::path log;

  private:
    platform::MessageBoxHandler m_previous;
};

TEST_F(PluginMessagesTest, MessagesGoToTheLogAnsweredByTheirDefaultButton) {
    install_plugin_message_boxes();
    EXPECT_EQ(platform::show_message_box("Kaleidra Plugin Error", "Invalid function from Premiere",
                                         MessageKind::error),
              MessageAnswer::ok);
    EXPECT_EQ(platform::show_message_box("About KDRMulti",
                                         "Kaleidra 3.0 - Multisaver filter\nfor Speed Razor",
                                         MessageKind::information),
              MessageAnswer::ok);
    EXPECT_EQ(platform::show_message_box("Replace", "Replace it?", MessageKind::question),
              MessageAnswer::no);
    EXPECT_EQ(read_text(log),
              "error\tKaleidra Plugin Error\tInvalid function from Premiere\n"
              "information\tAbout KDRMulti\tKaleidra 3.0 - Multisaver filter\\nfor Speed Razor\n"
              "question\tReplace\tReplace it?\n");
}

TEST_F(PluginMessagesTest, AHandlerAlreadyThereIsKept) {
    int seen = 0;
    platform::set_message_box_handler([&](const std::string&, const std::string&, MessageKind) {
        ++seen;
        return MessageAnswer::yes;
    });
    install_plugin_message_boxes();
    EXPECT_EQ(platform::show_message_box("T", "x", MessageKind::question), MessageAnswer::yes);
    EXPECT_EQ(seen, 1);
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST_F(PluginMessagesTest, WithoutALogTheyGoToStandardError) {
    ::unsetenv(message_log_variable);
    install_plugin_message_boxes();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(platform::show_message_box("Kaleidra Plugin Error",
                                         "Not enough memory to create icon.", MessageKind::warning),
              MessageAnswer::ok);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Kaleidra Plugin Error: Not enough memory to create icon.\n");
}

}  // namespace
}  // namespace kdr::hostkit

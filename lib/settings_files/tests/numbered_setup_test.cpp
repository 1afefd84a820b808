// The setup of a numbered transition with a stand-in for the selection
// dialog: what it is shown, what is saved, and the number handed back.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/settings_files/numbered_setup.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::settings_files {
namespace {

class NumberedSetupTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, platform::MessageKind) {
                messages.push_back(title + ": " + text);
                return platform::MessageAnswer::ok;
            });
    }
    void TearDown() override { platform::set_message_box_handler(m_previous); }

    // A dialog that records the effect it was shown, names `chosen` and
    // answers `answer`.
    ChooseSettings dialog(const char* chosen, int answer) {
        return [this, chosen, answer](EffectSettings& settings) {
            shown.push_back(settings.name);
            std::strcpy(settings.name, chosen);
            return answer;
        };
    }
    std::string saved_name(std::int32_t number) {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        const std::string name =
            load_numbered_settings(settings, number, vxdll_extension) ? settings.name : "<none>";
        settings_destroy(settings);
        return name;
    }

    std::vector<std::string> shown;
    std::vector<std::string> messages;

  private:
    platform::MessageBoxHandler m_previous;
};

TEST_F(NumberedSetupTest, OkSavesAndHandsBackTheNumber) {
    std::optional<std::int32_t> first =
        run_numbered_setup(dialog("Shatter", 0), 0, vxdll_extension);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, 1);
    EXPECT_EQ(saved_name(1), "Shatter");
    // The same number again: the dialog starts from the file, which is
    // rewritten in place.
    EXPECT_EQ(run_numbered_setup(dialog("PageTurn", 0), 1, vxdll_extension), 1);
    EXPECT_EQ(saved_name(1), "PageTurn");
    EXPECT_EQ(shown, (std::vector<std::string>{"", "Shatter"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(NumberedSetupTest, CancelSavesNothing) {
    ASSERT_TRUE(run_numbered_setup(dialog("Shatter", 0), 0, vxdll_extension));
    for (int answer : {1, 2}) {
        EXPECT_FALSE(run_numbered_setup(dialog("PageTurn", answer), 1, vxdll_extension));
        EXPECT_FALSE(run_numbered_setup(dialog("PageTurn", answer), 0, vxdll_extension));
    }
    EXPECT_EQ(saved_name(1), "Shatter");
    EXPECT_EQ(saved_name(2), "<none>");
    EXPECT_FALSE(run_numbered_setup(ChooseSettings{}, 0, vxdll_extension)) << "no dialog";
}

TEST_F(NumberedSetupTest, AnUnreadableNumberStartsClearedUnderANewNumber) {
    std::ofstream(work() / "40.HUL") << "not settings";
    EXPECT_EQ(run_numbered_setup(dialog("Shatter", 0), 40, vxdll_extension), 1);
    EXPECT_EQ(run_numbered_setup(dialog("Shatter", 0), -6, vxdll_extension), 2);
    EXPECT_EQ(shown, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(read_text(work() / "40.HUL"), "not settings");
}

TEST_F(NumberedSetupTest, AFileThatCannotBeWrittenIsSaidAndHandsBackNothing) {
    std::filesystem::remove_all(work());
    EXPECT_FALSE(run_numbered_setup(dialog("Shatter", 0), 0, vxdll_extension));
    EXPECT_FALSE(run_numbered_setup(dialog("Shatter", 0), 12, pi_extension));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("File Error: ", 0), 0u) << messages[0];
}

}  // namespace
}  // namespace kdr::settings_files

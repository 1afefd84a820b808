#include "dialog_test_support.h"

#include <QTest>
#include <QTimer>

#include <cstring>
#include <fstream>
#include <memory>

#include "kaleidra/gui/catalogue_refresh.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/items.h"
#include "kaleidra/scene/scene.h"
#include "selection_sheet.h"

namespace kdr::gui::test {

TestRecord::TestRecord(const char* name) {
    EXPECT_TRUE(settings_initialise(value));
    std::strncpy(value.name, name, sizeof value.name - 1);
}

TestRecord::~TestRecord() {
    settings_destroy(value);
}

std::vector<std::uint8_t> TestRecord::stored() const {
    return settings_to_block(value);
}

void TestRecord::add_user_items() {
    Scene* scene = settings_scene(value);
    auto path = std::make_unique<scene::Path>();
    path->id = 40;
    path->link_id = 20;
    for (float time : {0.0f, 1.0f}) {
        PathKey key{};
        key.time = time;
        key.position[0] = time * 2;
        key.scale[0] = key.scale[1] = key.scale[2] = 1;
        path->keys.push_back(key);
    }
    scene->paths.push_back(std::move(path));
    auto envelope = std::make_unique<scene::Envelope>();
    envelope->id = 41;
    envelope->parameter = global_shadows;
    for (float time : {0.0f, 1.0f}) {
        EnvelopeKey key{};
        key.time = time;
        key.value = 30 + 40 * time;
        envelope->keys.push_back(key);
    }
    scene->envelopes.push_back(std::move(envelope));
    auto mapping = std::make_unique<scene::Surface>();
    mapping->id = 1;
    mapping->source_kind = 3;
    mapping->video_number = 0;
    std::strcpy(mapping->name.data(), "/videos/holiday.avi");
    scene->surfaces.push_back(std::move(mapping));
    scene->link();
}

InstallationContents DialogTest::recording_contents() {
    InstallationContents contents;
    contents.recording_engine = true;
    contents.preview_engine = "Rnd_Recording";
    return contents;
}

DialogTest::DialogTest(const InstallationContents& contents) : install(contents) {
    install.set_string("Engine", "Rnd_Generic");
    install.set_number("Prev_Quality", 1);
    install.set_number("Prev_Frames", 30);
    install.set_number("Prev_Speed", 15);
    install.set_number("Prev_Render", 1);
    install.set_number("Eff_Display", 2);
    // The catalogue made beforehand, so that attaching does not wait for
    // its progress window (the attach tests make it themselves).
    (void)refresh_catalogue();
    m_previous_handler = platform::set_message_box_handler(
        [this](const std::string& title, const std::string& text, platform::MessageKind) {
            m_messages.push_back(title + ": " + text);
            return platform::MessageAnswer::ok;
        });
    attach_library();
}

DialogTest::~DialogTest() {
    set_dialog_shown_hook({});
    platform::set_message_box_handler(std::move(m_previous_handler));
}

int DialogTest::run_sheet(EffectSettings& record, const std::function<void(SelectionSheet&)>& body,
                          int filter_mode) {
    bool ran = false;
    set_dialog_shown_hook([&](QDialog& dialog, DialogKind kind) {
        auto* sheet = qobject_cast<SelectionSheet*>(&dialog);
        if (kind != DialogKind::selection_sheet || sheet == nullptr) {
            return;
        }
        QTimer::singleShot(0, sheet, [&, sheet] {
            ran = true;
            body(*sheet);
        });
        QTimer::singleShot(60000, sheet, [sheet] {
            ADD_FAILURE() << "the sheet was still open after 60 s";
            sheet->reject();
        });
    });
    const int result = select_effect(0, &record, filter_mode);
    set_dialog_shown_hook({});
    EXPECT_TRUE(ran || result == dialog_not_shown) << "the test body never ran";
    return result;
}

::testing::AssertionResult eventually(const std::function<bool()>& done, const char* what) {
    if (QTest::qWaitFor(done, 30000)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "timed out waiting for " << what;
}

std::vector<std::string> engine_lines(const TestInstallation& install) {
    std::vector<std::string> lines;
    std::ifstream in(install.engine_log());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> engine_renders(const TestInstallation& install) {
    std::vector<std::string> renders;
    for (const std::string& line : engine_lines(install)) {
        if (line.starts_with("render ")) {
            renders.push_back(line);
        }
    }
    return renders;
}

}  // namespace kdr::gui::test

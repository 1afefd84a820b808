// Fx-Kdr30's setup as Premiere asks for it: the selection dialog of
// Kaleidra30 (offscreen, answered by its dialog script) over the settings
// the specification handle holds, written back into that handle, and the
// engine named afresh after each dialog.

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/testing/program_run.h"
#include "premiere_test_support.h"

namespace kdr::premiere::test {
namespace {

class PremiereSetupTest : public PremiereHostTest {
  protected:
    void SetUp() override {
        PremiereHostTest::SetUp();
        // The shipped effects, their catalogue and textures, as the build
        // staged them.
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_directories(root() / "orgs");
        install_counting_engine("Rnd_Count");
    }
    void TearDown() override {
        ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
        PremiereHostTest::TearDown();
    }

    void setup(SimEffect& effect, const char* script) {
        ::setenv("KALEIDRA_DIALOG_SCRIPT", script, 1);
        EXPECT_EQ(call(hostkit::premiere_effect_setup, effect), 0);
    }

    // The effect the stored block names, as kdr-dump reads it.
    std::string dumped(const std::vector<std::uint8_t>& block) {
        const std::filesystem::path file = root() / "stored.kdrr";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        kdr::test::ProgramRun run =
            kdr::test::run_program(std::string(KDR_DUMP) + " --memory '" + file.string() + "'");
        EXPECT_EQ(run.exit_code, 0) << run.output;
        return run.output;
    }

    static std::string name_in(const std::vector<std::uint8_t>& block) {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        EXPECT_TRUE(settings_from_block(settings, block.data(), block.size()));
        std::string name = settings.name;
        settings_destroy(settings);
        return name;
    }
};

// One test: the dialog library keeps its Qt application for the life of
// the process, so the steps run in order.
TEST_F(PremiereSetupTest, SetupWritesTheChoiceIntoAHandleItMakesOnceAndResizesAfter) {
    load();
    SimEffect effect;
    // The second group's third effect: PageTurn.
    setup(effect, "choose 1026 1; click 1003; ok");
    ASSERT_NE(effect.record().specification, nullptr) << "the first setup makes the handle";
    EXPECT_EQ(SimPremiere_Calls(379), 1);
    EXPECT_EQ(SimPremiere_Calls(484), 0);
    EXPECT_EQ(SimPremiere_Calls(235), 1) << "the main window owns the dialog";
    const std::vector<std::uint8_t> first = effect.stored();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(name_in(first), "PageTurn");
    const std::string dump = dumped(first);
    EXPECT_NE(dump.find("KDRR"), std::string::npos) << dump;
    EXPECT_NE(dump.find("PageTurn"), std::string::npos) << dump;

    // Again, confirmed without a change: the same handle, resized to the
    // same size.
    char** handle = effect.record().specification;
    setup(effect, "ok");
    EXPECT_EQ(effect.record().specification, handle);
    EXPECT_EQ(SimPremiere_Calls(379), 1);
    EXPECT_EQ(SimPremiere_Calls(484), 1);
    EXPECT_EQ(effect.stored(), first);

    // Cancelled after choosing another effect: the settings the dialog
    // came with are written back all the same.
    setup(effect, "click 1001; cancel");
    EXPECT_EQ(SimPremiere_Calls(484), 2);
    EXPECT_EQ(name_in(effect.stored()), "PageTurn");

    // A render reads the handle.
    TransitionCall frame(160, 120, 2, 10);
    frame.effect.store(effect.stored());
    call(hostkit::premiere_effect_render, frame.effect);
    ASSERT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(engine_events("render")[0].name, "PageTurn");
    EXPECT_EQ(engine_events("render")[0].library, "Rnd_Count");

    // The engine is named afresh after each dialog: the old one's contexts
    // are freed, and the next frame prepares with the new one.
    install_engine("Rnd_Other");
    set_string("Engine", "Rnd_Other");
    clear_engine_events();
    setup(effect, "ok");
    const std::vector<kdr::test::EngineEvent> freed = engine_events("free");
    ASSERT_EQ(freed.size(), 1u);
    EXPECT_EQ(freed[0].library, "Rnd_Count");
    call(hostkit::premiere_effect_render, frame.effect);
    ASSERT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(engine_events("render")[0].library, "Rnd_Other");

    // Without memory for the stream the handle stays as it was.
    SimPremiere_FailAllocations(1);
    SimEffect unstored;
    setup(unstored, "ok");
    EXPECT_EQ(unstored.record().specification, nullptr);
    const std::vector<std::uint8_t> before = effect.stored();
    setup(effect, "choose 1026 0; click 1001; ok");
    EXPECT_EQ(effect.stored(), before) << "a handle that could not grow is not written";
    SimPremiere_FailAllocations(0);

    EXPECT_EQ(messages(), "") << "no message boxes";
}

}  // namespace
}  // namespace kdr::premiere::test

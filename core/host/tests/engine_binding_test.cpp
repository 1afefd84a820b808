#include "kaleidra/host/engine_binding.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "kaleidra/testing/installation_test.h"

namespace kdr::host {
namespace {

class EngineBindingTest : public kdr::test::InstallationTest {
  protected:
    void install(const std::filesystem::path& source, const std::string& name) {
        install_engine(name, source);
    }
};

TEST_F(EngineBindingTest, BindsAllFiveExportsOfTheNamedEngine) {
    install(kdr::test::counting_engine_file(), "Rnd_Count");
    EngineBinding binding;
    Status loaded = binding.load_named("Rnd_Count");
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(binding.tried_path(), libs() / "Rnd_Count.so");
    EXPECT_TRUE(binding.has_create_context());
    EXPECT_TRUE(binding.has_free_context());
    EXPECT_TRUE(binding.has_prepare());
    EXPECT_TRUE(binding.has_static_video());
    EXPECT_TRUE(binding.has_render());
    EXPECT_EQ(binding.static_video(), 0);

    RenderContext* context = binding.create_context(nullptr, nullptr);
    ASSERT_NE(context, nullptr);
    binding.free_context(context);
}

TEST_F(EngineBindingTest, ReadsTheEngineNameOfItsRole) {
    install(kdr::test::counting_engine_file(), "Rnd_Final");
    install(kdr::test::counting_engine_file(), "Rnd_Preview");
    set_string("Engine", "Rnd_Final");
    set_string("Prev_Engine", "Rnd_Preview");
    EngineBinding final_engine;
    EngineBinding preview_engine;
    ASSERT_TRUE(final_engine.load(EngineRole::final_render));
    ASSERT_TRUE(preview_engine.load(EngineRole::preview));
    EXPECT_EQ(final_engine.tried_path(), libs() / "Rnd_Final.so");
    EXPECT_EQ(preview_engine.tried_path(), libs() / "Rnd_Preview.so");
}

TEST_F(EngineBindingTest, FindsTheLibsFolderWhateverItsCase) {
    std::filesystem::remove(libs());
    std::filesystem::create_directories(folder.path() / "libs");
    std::filesystem::copy_file(kdr::test::counting_engine_file(),
                               folder.path() / "libs" / "Rnd_Count.so");
    EngineBinding binding;
    Status loaded = binding.load_named("Rnd_Count");
    EXPECT_TRUE(loaded.ok()) << loaded.error();
}

TEST_F(EngineBindingTest, MissingLibrarySaysWhichFileItTried) {
    EngineBinding binding;
    Status loaded = binding.load_named("Rnd_Gone");
    ASSERT_FALSE(loaded.ok());
    EXPECT_FALSE(binding.loaded());
    EXPECT_EQ(binding.tried_path(), libs() / "Rnd_Gone.so");
    EXPECT_NE(loaded.error().find("Rnd_Gone.so"), std::string::npos) << loaded.error();
    EXPECT_FALSE(binding.has_prepare());
    RenderContext* context = nullptr;
    Status prepared = binding.prepare(context, nullptr, nullptr);
    ASSERT_FALSE(prepared.ok());
    EXPECT_NE(prepared.error().find("Rnd_Prepare"), std::string::npos) << prepared.error();
    EXPECT_EQ(binding.render(nullptr, nullptr, nullptr), 0);
}

TEST_F(EngineBindingTest, MissingNameOrInstallFolderLoadsNothing) {
    EngineBinding binding;
    Status final_engine = binding.load(EngineRole::final_render);
    ASSERT_FALSE(final_engine.ok());
    EXPECT_NE(final_engine.error().find("\"Engine\""), std::string::npos) << final_engine.error();
    Status preview = binding.load(EngineRole::preview);
    ASSERT_FALSE(preview.ok());
    EXPECT_NE(preview.error().find("\"Prev_Engine\""), std::string::npos) << preview.error();

    install(kdr::test::counting_engine_file(), "Rnd_Count");
    remove_value("Path");
    Status no_folder = binding.load_named("Rnd_Count");
    ASSERT_FALSE(no_folder.ok());
    EXPECT_NE(no_folder.error().find("\"Path\""), std::string::npos) << no_folder.error();
    Status climbing = binding.load_named("../LIBS/Rnd_Count");
    ASSERT_FALSE(climbing.ok());
    EXPECT_NE(climbing.error().find("not an engine name"), std::string::npos) << climbing.error();
}

TEST_F(EngineBindingTest, MissingExportsAreSkippedWhereverTheyWouldBeCalled) {
    install(kdr::test::partial_engine_file(), "Rnd_Partial");
    EngineBinding binding;
    Status loaded = binding.load_named("Rnd_Partial");
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_TRUE(binding.has_create_context());
    EXPECT_TRUE(binding.has_free_context());
    EXPECT_FALSE(binding.has_prepare());
    EXPECT_FALSE(binding.has_render());

    RenderContext* context = binding.create_context(nullptr, nullptr);
    RenderContext* kept = context;
    EXPECT_FALSE(binding.prepare(context, nullptr, nullptr));
    EXPECT_EQ(context, kept);
    EXPECT_EQ(binding.render(context, nullptr, nullptr), 0);
    binding.free_context(context);
}

TEST_F(EngineBindingTest, FailedLoadKeepsTheEngineItHad) {
    install(kdr::test::counting_engine_file(), "Rnd_Count");
    EngineBinding binding;
    ASSERT_TRUE(binding.load_named("Rnd_Count"));
    EXPECT_FALSE(binding.load_named("Rnd_Gone"));
    EXPECT_TRUE(binding.loaded());
    EXPECT_TRUE(binding.has_render());
    RenderContext* context = binding.create_context(nullptr, nullptr);
    EXPECT_NE(context, nullptr);
    binding.free_context(context);
}

TEST_F(EngineBindingTest, ReleaseForgetsEveryExport) {
    install(kdr::test::counting_engine_file(), "Rnd_Count");
    EngineBinding binding;
    ASSERT_TRUE(binding.load_named("Rnd_Count"));
    binding.release();
    EXPECT_FALSE(binding.loaded());
    EXPECT_FALSE(binding.has_create_context());
    EXPECT_FALSE(binding.has_free_context());
    EXPECT_FALSE(binding.has_prepare());
    EXPECT_FALSE(binding.has_static_video());
    EXPECT_FALSE(binding.has_render());
    // Every call is now skipped instead of jumping into unmapped code.
    EXPECT_EQ(binding.create_context(nullptr, nullptr), nullptr);
    EXPECT_EQ(binding.static_video(), 0);
    binding.free_context(reinterpret_cast<RenderContext*>(0x1));
}

}  // namespace
}  // namespace kdr::host

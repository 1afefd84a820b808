// The tests' installation: what it sets up, and that it gives the
// environment back.

#include "kaleidra/testing/installation_test.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <cstdlib>
#include <optional>
#include <string>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"

namespace kdr::test {
namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

TEST(TestInstallation, NamesItsFolderInItsOwnStoreAndGivesTheEnvironmentBack) {
    ::setenv("KALEIDRA_REGISTRY", "/elsewhere/registry", 1);
    ::setenv("KDR_COUNTING_ENGINE_FAIL_PREPARE", "all", 1);
    ::unsetenv("KDR_COUNTING_ENGINE_LOG");
    std::filesystem::path root;
    {
        TestInstallation installation;
        root = installation.root();
        EXPECT_EQ(variable("KALEIDRA_REGISTRY"), installation.registry_file().string());
        EXPECT_FALSE(variable("KDR_COUNTING_ENGINE_FAIL_PREPARE")) << "a clean engine";
        EXPECT_EQ(install::install_folder(), root);
        for (const char* folder : {"LIBS", "EFFECTS", "Textures", "Work"}) {
            EXPECT_TRUE(std::filesystem::is_directory(root / folder)) << folder;
        }
        installation.install_counting_engine("Rnd_Count");
        installation.fail_prepare("0x800");
        EXPECT_EQ(install::read_string("Engine"), "Rnd_Count");
        installation.set_number("Rnd_Multi", 1);
        EXPECT_EQ(install::read_number("Rnd_Multi"), 1u);
        installation.remove_value("Rnd_Multi");
        EXPECT_EQ(install::read_number("Rnd_Multi"), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_EQ(variable("KALEIDRA_REGISTRY"), "/elsewhere/registry");
    EXPECT_EQ(variable("KDR_COUNTING_ENGINE_FAIL_PREPARE"), "all");
    EXPECT_FALSE(variable("KDR_COUNTING_ENGINE_LOG"));
    ::unsetenv("KDR_COUNTING_ENGINE_FAIL_PREPARE");
}

class CountingEngineTest : public InstallationTest {};

TEST_F(CountingEngineTest, ItsCallsArriveInTheLogAsEvents) {
    install_counting_engine();
    void* library = ::dlopen((libs() / "Rnd_Count.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    using Create = void* (*)(void*, void*);
    using Free = void (*)(void*);
    auto create = reinterpret_cast<Create>(::dlsym(library, "Rnd_CreateContext"));
    auto free_context = reinterpret_cast<Free>(::dlsym(library, "Rnd_FreeContext"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(free_context, nullptr);
    free_context(create(nullptr, nullptr));
    ::dlclose(library);

    const std::vector<EngineEvent> events = engine_events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].library, "Rnd_Count");
    EXPECT_EQ(events[0].event, "create");
    EXPECT_EQ(events[1].event, "free");
    EXPECT_EQ(events[0].context, events[1].context);
    EXPECT_EQ(events[0].thread, current_thread_id());
    EXPECT_EQ(engine_events("free").size(), 1u);
    clear_engine_events();
    EXPECT_TRUE(engine_events().empty());
}

}  // namespace
}  // namespace kdr::test

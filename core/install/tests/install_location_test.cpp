// Programs and libraries find the installation folder they lie in when the
// registry names none: a copy of a probe program in <folder>/bin and of a
// probe module in <folder>/LIBS and <folder>/lib/frei0r-1 report <folder>;
// copies elsewhere report none.

#include "kaleidra/install/install_location.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::install {
namespace {

namespace fs = std::filesystem;

class InstallLocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* sub : {"LIBS", "Effects", "bin", "lib/frei0r-1"}) {
            fs::create_directories(installation / sub);
        }
        fs::create_directories(elsewhere);
        // No store: the registry names no installation folder.
        ::setenv("KALEIDRA_REGISTRY", (root / "registry").c_str(), 1);
    }

    // Copies the probe module to `place` and asks it.
    std::string module_answer(const fs::path& place) {
        fs::copy_file(KDR_INSTALL_PROBE_MODULE_FILE, place);
        void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(module, nullptr) << ::dlerror();
        if (module == nullptr) {
            return {};
        }
        auto probe = reinterpret_cast<const char* (*)()>(::dlsym(module, "probe_install_folder"));
        std::string answer = probe != nullptr ? probe() : "no probe";
        ::dlclose(module);
        return answer;
    }

    // Runs the probe program from `place`.
    std::string program_answer(const fs::path& place) {
        std::string answer;
        std::FILE* pipe = ::popen(("'" + place.string() + "'").c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        if (pipe == nullptr) {
            return answer;
        }
        char line[4096];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            answer += line;
        }
        EXPECT_EQ(::pclose(pipe), 0);
        if (!answer.empty() && answer.back() == '\n') {
            answer.pop_back();
        }
        return answer;
    }

    test::TempFolder folder;
    fs::path root = fs::canonical(folder.path());
    fs::path installation = root / "Kaleidra";
    fs::path elsewhere = root / "elsewhere";
};

TEST_F(InstallLocationTest, LibrariesFindTheFolderTheyLieIn) {
    EXPECT_EQ(module_answer(installation / "LIBS" / "probe.so"), installation.string());
    EXPECT_EQ(module_answer(installation / "lib" / "frei0r-1" / "probe.so"), installation.string());
    EXPECT_EQ(module_answer(elsewhere / "probe.so"), "none");
}

TEST_F(InstallLocationTest, ProgramsFindTheFolderTheyLieInThroughLinksToo) {
    fs::copy_file(KDR_INSTALL_PROBE_PROGRAM, installation / "bin" / "probe");
    fs::permissions(installation / "bin" / "probe", fs::perms::owner_all);
    EXPECT_EQ(program_answer(installation / "bin" / "probe"), installation.string());
    fs::create_symlink(installation / "bin" / "probe", elsewhere / "probe");
    EXPECT_EQ(program_answer(elsewhere / "probe"), installation.string());
    fs::copy_file(KDR_INSTALL_PROBE_PROGRAM, elsewhere / "copy");
    EXPECT_EQ(program_answer(elsewhere / "copy"), "none");

    // "Path" in the registry wins over where the program lies.
    ASSERT_TRUE(platform::Registry(root / "registry")
                    .set("Software\\Talvane\\Kaleidra\\3.0",
                         platform::RegistryValue::make_string("Path", "/opt/elsewhere"))
                    .ok());
    EXPECT_EQ(program_answer(installation / "bin" / "probe"), "/opt/elsewhere");
}

TEST_F(InstallLocationTest, AFolderNeedsBothLibsAndEffects) {
    EXPECT_EQ(installation_folder_around(installation / "bin" / "x"), installation);
    EXPECT_EQ(installation_folder_around(installation / "x"), installation);
    fs::create_directories(elsewhere / "LIBS");
    EXPECT_EQ(installation_folder_around(elsewhere / "LIBS" / "x"), std::nullopt);
    // Three levels down is not an installation's layout.
    fs::create_directories(installation / "a" / "b" / "c");
    EXPECT_EQ(installation_folder_around(installation / "a" / "b" / "c" / "x"), std::nullopt);
    EXPECT_EQ(installation_folder_around("/x"), std::nullopt);
}

}  // namespace
}  // namespace kdr::install

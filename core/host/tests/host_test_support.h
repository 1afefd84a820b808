#pragma once
// A private installation folder and registry for the host core's tests: the
// registry file, "Path", and the LIBS and Work folders live in a temporary
// folder that disappears with the fixture.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::host::test {

class InstallFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("KALEIDRA_REGISTRY", (folder.path() / "registry").c_str(), 1);
        install::set_registry_key(install::package_registry_key);
        std::filesystem::create_directories(libs());
        std::filesystem::create_directories(work());
        set_string("Path", folder.path().string());
    }

    std::filesystem::path libs() const { return folder.path() / "LIBS"; }
    std::filesystem::path work() const { return folder.path() / "Work"; }
    std::filesystem::path log_file() const { return work() / "RENDER.LOG"; }

    void set_string(const char* name, const std::string& value) {
        ASSERT_TRUE(platform::Registry::open_default()
                        .set(install::package_registry_key,
                             platform::RegistryValue::make_string(name, value))
                        .ok());
    }
    void set_number(const char* name, std::uint32_t value) {
        ASSERT_TRUE(platform::Registry::open_default()
                        .set(install::package_registry_key,
                             platform::RegistryValue::make_number(name, value))
                        .ok());
    }

    static std::string read_text(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    kdr::test::TempFolder folder;
};

}  // namespace kdr::host::test

#pragma once
// An installation for tests: a temporary folder that is the installation
// folder (registry value "Path") with LIBS, EFFECTS, Textures and Work in
// it, a registry store of its own ($KALEIDRA_REGISTRY, the package's key
// selected), and the counting engine of the tests:
//
//   - install_counting_engine() copies it into LIBS and names it in
//     "Engine"; every call it gets is appended to engine.log in the folder,
//     read back with engine_events();
//   - the partial build lacks Rnd_Prepare and Rnd_Render.
//
// See counting_engine/counting_engine.cpp for what it draws and logs. The
// environment variables it changes are restored when it dies. One at a
// time: the environment is the process's.
//
// TestInstallation is the object; InstallationTest the GoogleTest fixture
// made of it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::test {

// One line of the counting engine's call log.
struct EngineEvent {
    std::string library;
    std::string event;  // create, prepare, render, aborted, free or unload
    int context = 0;
    std::uint32_t flags = 0;
    std::uint32_t position = 0;
    std::uint32_t images = 0;
    long thread = 0;
    std::string name;  // the settings' effect name, "-" for none
    int a = -1;        // first byte of image slots 0 and 1, -1 without pixels
    int b = -1;
    std::uint32_t quiet = 0;  // the frame's quiet field
};

// The built counting engine, and its build without Rnd_Prepare and Rnd_Render.
std::filesystem::path counting_engine_file();
std::filesystem::path partial_engine_file();

// The thread id the counting engine logs.
long current_thread_id();

class TestInstallation {
  public:
    TestInstallation();
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    const std::filesystem::path& root() const { return folder.path(); }
    std::filesystem::path libs() const { return root() / "LIBS"; }
    std::filesystem::path effects() const { return root() / "EFFECTS"; }
    std::filesystem::path textures() const { return root() / "Textures"; }
    std::filesystem::path work() const { return root() / "Work"; }
    std::filesystem::path render_log() const { return work() / "RENDER.LOG"; }
    std::filesystem::path registry_file() const { return root() / "registry"; }
    std::filesystem::path engine_log() const { return root() / "engine.log"; }

    // Values under the package's key of this test's store.
    void set_string(const char* name, const std::string& value);
    void set_number(const char* name, std::uint32_t value);
    void remove_value(const char* name);

    // Copies `library` (the counting engine by default) to LIBS/name.so.
    void install_engine(const std::string& name,
                        const std::filesystem::path& library = counting_engine_file());
    // Installs the counting engine as `name`, names it in "Engine" and
    // sends its call log to engine_log().
    void install_counting_engine(const std::string& name = "Rnd_Count");
    // Makes the counting engine fail Rnd_Prepare for frames whose flags hold
    // `mask` ("all": every prepare; empty: none).
    void fail_prepare(const std::string& mask);

    // EFFECTS/name.KDR: an effect file without items, enough for the
    // checks that an effect exists.
    void write_empty_effect(const std::string& name);

    std::vector<EngineEvent> engine_events(const std::string& event = "") const;
    void clear_engine_events();

    static std::string read_text(const std::filesystem::path& file);

    TempFolder folder;

  private:
    struct SavedVariable {
        const char* name;
        std::optional<std::string> value;
    };
    void change_variable(const char* name, const std::string& value);
    void remove_variable(const char* name);

    std::vector<SavedVariable> m_saved;
};

class InstallationTest : public ::testing::Test, public TestInstallation {};

}  // namespace kdr::test

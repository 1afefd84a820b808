#pragma once
// A temporary installation folder for the selection dialog's tests, with a
// registry store of its own: $KALEIDRA_REGISTRY points into the folder for
// as long as the object lives (the previous value comes back afterwards),
// the package key is set, and "Path" names the folder. It holds LIBS,
// EFFECTS (each shipped effect and the master list linked one by one, so a
// test may add or remove files), Textures (the shipped textures), Work,
// orgs and HELP (with the selection dialog's help file). Create it before any thread reads the
// registry.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::gui::test {

struct InstallationContents {
    bool shipped_effects = true;
    bool textures = true;
    bool generic_engine = false;           // LIBS/Rnd_Generic.so, the built engine
    bool recording_engine = false;         // LIBS/Rnd_Recording.so (recording_engine.cpp)
    const char* preview_engine = nullptr;  // "Prev_Engine", when given
};

class TestInstallation {
  public:
    explicit TestInstallation(const InstallationContents& contents = {});
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    const std::filesystem::path& root() const { return m_folder.path(); }
    std::filesystem::path folder(const char* name) const { return root() / name; }
    // The file the recording engine appends its lines to.
    std::filesystem::path engine_log() const { return root() / "engine.log"; }
    // Makes each render of the recording engine take `milliseconds` (0:
    // none); safe while render threads run.
    void set_engine_delay(int milliseconds) const;

    void set_number(const char* name, std::uint32_t value) const;
    void set_string(const char* name, const std::string& value) const;
    std::optional<std::uint32_t> number(const char* name) const;
    std::optional<std::string> text(const char* name) const;
    void remove_value(const char* name) const;

    // Links `library` into LIBS as name ".so".
    void install_engine(const std::string& name, const std::filesystem::path& library) const;

  private:
    kdr::test::TempFolder m_folder;
    std::optional<std::string> m_previous_registry;
    std::optional<std::string> m_previous_log;
};

// Writes a minimal effect file: form "KDRE" with the name chunk "ENAM"
// (none when `stored_name` is null), the allow word "ALOW" and one item
// chunk after them.
void write_effect_file(const std::filesystem::path& file, const char* stored_name,
                       std::uint32_t allow);

}  // namespace kdr::gui::test

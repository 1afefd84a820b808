#include "kaleidra/gui/testing/test_installation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

platform::Registry store() {
    return platform::Registry::open_default();
}

}  // namespace

TestInstallation::TestInstallation(const InstallationContents& contents) {
    m_previous_registry = environment("KALEIDRA_REGISTRY");
    m_previous_log = environment("KDR_RECORDING_ENGINE_LOG");
    ::setenv("KALEIDRA_REGISTRY", (root() / "registry").c_str(), 1);
    ::setenv("KDR_RECORDING_ENGINE_LOG", engine_log().c_str(), 1);
    install::set_registry_key(install::package_registry_key);
    for (const char* name : {"LIBS", "EFFECTS", "Textures", "Work", "orgs", "HELP"}) {
        fs::create_directories(folder(name));
    }
    const fs::path stage = KALEIDRA_CONTENT_STAGE;
    if (contents.shipped_effects) {
        for (const fs::directory_entry& entry : fs::directory_iterator(stage / "EFFECTS")) {
            fs::create_symlink(entry.path(), folder("EFFECTS") / entry.path().filename());
        }
    }
    if (contents.textures) {
        for (const fs::directory_entry& entry : fs::directory_iterator(stage / "Textures")) {
            fs::create_symlink(entry.path(), folder("Textures") / entry.path().filename());
        }
    }
    fs::create_symlink(KALEIDRA_SELECTION_HELP, folder("HELP") / "KDRSlct.html");
    set_string("Path", root().string());
    if (contents.generic_engine) {
        install_engine("Rnd_Generic", KALEIDRA_RND_GENERIC);
    }
    if (contents.recording_engine) {
        install_engine("Rnd_Recording", KALEIDRA_RECORDING_ENGINE);
    }
    if (contents.preview_engine != nullptr) {
        set_string("Prev_Engine", contents.preview_engine);
    }
}

TestInstallation::~TestInstallation() {
    restore("KALEIDRA_REGISTRY", m_previous_registry);
    restore("KDR_RECORDING_ENGINE_LOG", m_previous_log);
}

void TestInstallation::set_number(const char* name, std::uint32_t value) const {
    Status status = store().set(install::package_registry_key,
                                platform::RegistryValue::make_number(name, value));
    ASSERT_TRUE(status.ok()) << status.error();
}

void TestInstallation::set_string(const char* name, const std::string& value) const {
    Status status = store().set(install::package_registry_key,
                                platform::RegistryValue::make_string(name, value));
    ASSERT_TRUE(status.ok()) << status.error();
}

std::optional<std::uint32_t> TestInstallation::number(const char* name) const {
    std::optional<platform::RegistryValue> value = store().get(install::package_registry_key, name);
    if (!value || value->type != platform::RegistryType::number) {
        return std::nullopt;
    }
    return value->number;
}

std::optional<std::string> TestInstallation::text(const char* name) const {
    std::optional<platform::RegistryValue> value = store().get(install::package_registry_key, name);
    if (!value || value->type != platform::RegistryType::string) {
        return std::nullopt;
    }
    return value->text;
}

void TestInstallation::remove_value(const char* name) const {
    Result<bool> removed = store().remove(install::package_registry_key, name);
    ASSERT_TRUE(removed.ok()) << removed.error();
}

void TestInstallation::set_engine_delay(int milliseconds) const {
    const fs::path file = engine_log().string() + ".delay";
    const fs::path temporary = file.string() + ".new";
    std::ofstream(temporary) << milliseconds;
    fs::rename(temporary, file);
}

void TestInstallation::install_engine(const std::string& name, const fs::path& library) const {
    fs::create_symlink(library, folder("LIBS") / (name + ".so"));
}

void write_effect_file(const fs::path& file, const char* stored_name, std::uint32_t allow) {
    using chunks::make_id;
    auto stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, make_id("KDRE"));
    if (stored_name != nullptr) {
        stream.write_chunk(make_id("ENAM"),
                           static_cast<std::uint32_t>(std::strlen(stored_name) + 1), stored_name);
    }
    std::uint8_t word[4] = {static_cast<std::uint8_t>(allow), static_cast<std::uint8_t>(allow >> 8),
                            static_cast<std::uint8_t>(allow >> 16),
                            static_cast<std::uint8_t>(allow >> 24)};
    stream.write_chunk(make_id("ALOW"), 4, word);
    const std::vector<std::uint8_t> item(16, 0);
    stream.write_chunk(make_id("CAM0"), static_cast<std::uint32_t>(item.size()), item.data());
    ASSERT_EQ(stream.close(), chunks::ready) << "cannot write " << file;
}

}  // namespace kdr::gui::test

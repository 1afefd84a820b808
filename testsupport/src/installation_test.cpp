#include "kaleidra/testing/installation_test.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"

namespace kdr::test {

std::filesystem::path counting_engine_file() {
    return KDR_COUNTING_ENGINE;
}

std::filesystem::path partial_engine_file() {
    return KDR_PARTIAL_ENGINE;
}

long current_thread_id() {
    return static_cast<long>(::syscall(SYS_gettid));
}

TestInstallation::TestInstallation() {
    change_variable("KALEIDRA_REGISTRY", registry_file().string());
    remove_variable("KDR_COUNTING_ENGINE_LOG");
    remove_variable("KDR_COUNTING_ENGINE_FAIL_PREPARE");
    install::set_registry_key(install::package_registry_key);
    for (const std::filesystem::path& sub : {libs(), effects(), textures(), work()}) {
        std::filesystem::create_directories(sub);
    }
    set_string("Path", root().string());
}

TestInstallation::~TestInstallation() {
    for (auto saved = m_saved.rbegin(); saved != m_saved.rend(); ++saved) {
        if (saved->value) {
            ::setenv(saved->name, saved->value->c_str(), 1);
        } else {
            ::unsetenv(saved->name);
        }
    }
    m_saved.clear();
}

void TestInstallation::change_variable(const char* name, const std::string& value) {
    const char* previous = std::getenv(name);
    m_saved.push_back(
        {name, previous != nullptr ? std::optional<std::string>(previous) : std::nullopt});
    ::setenv(name, value.c_str(), 1);
}

void TestInstallation::remove_variable(const char* name) {
    const char* previous = std::getenv(name);
    m_saved.push_back(
        {name, previous != nullptr ? std::optional<std::string>(previous) : std::nullopt});
    ::unsetenv(name);
}

void TestInstallation::set_string(const char* name, const std::string& value) {
    ASSERT_TRUE(
        platform::Registry(registry_file())
            .set(install::package_registry_key, platform::RegistryValue::make_string(name, value))
            .ok());
}

void TestInstallation::set_number(const char* name, std::uint32_t value) {
    ASSERT_TRUE(
        platform::Registry(registry_file())
            .set(install::package_registry_key, platform::RegistryValue::make_number(name, value))
            .ok());
}

void TestInstallation::remove_value(const char* name) {
    ASSERT_TRUE(
        platform::Registry(registry_file()).remove(install::package_registry_key, name).ok());
}

void TestInstallation::install_engine(const std::string& name,
                                      const std::filesystem::path& library) {
    std::filesystem::copy_file(library, libs() / (name + ".so"),
                               std::filesystem::copy_options::overwrite_existing);
}

void TestInstallation::install_counting_engine(const std::string& name) {
    install_engine(name);
    set_string("Engine", name);
    ::setenv("KDR_COUNTING_ENGINE_LOG", engine_log().c_str(), 1);
}

void TestInstallation::fail_prepare(const std::string& mask) {
    if (mask.empty()) {
        ::unsetenv("KDR_COUNTING_ENGINE_FAIL_PREPARE");
    } else {
        ::setenv("KDR_COUNTING_ENGINE_FAIL_PREPARE", mask.c_str(), 1);
    }
}

void TestInstallation::write_empty_effect(const std::string& name) {
    chunks::ChunkStream stream = chunks::ChunkStream::open_file(
        chunks::ChunkMode::write_file, effects() / (name + ".KDR"), chunks::make_id("KDRE"));
    ASSERT_EQ(stream.close(), chunks::ready) << name;
}

std::vector<EngineEvent> TestInstallation::engine_events(const std::string& event) const {
    std::vector<EngineEvent> events;
    std::ifstream in(engine_log());
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        EngineEvent e;
        fields >> e.library >> e.event >> e.context >> e.flags >> e.position >> e.images >>
            e.thread >> e.name >> e.a >> e.b >> e.quiet;
        if (event.empty() || e.event == event) {
            events.push_back(e);
        }
    }
    return events;
}

void TestInstallation::clear_engine_events() {
    std::filesystem::remove(engine_log());
}

std::string TestInstallation::read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kdr::test

#pragma once
// Fixture for render driver tests: the counting engine installed as
// LIBS/Rnd_Count.so, its call log, and a BGRA output buffer that the test
// owns.

#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host_test_support.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/records/image_record.h"

namespace kdr::host::test {

// One line of the counting engine's call log.
struct EngineEvent {
    std::string library;
    std::string event;
    int context = 0;
    std::uint32_t flags = 0;
    std::uint32_t position = 0;
    std::uint32_t images = 0;
    long thread = 0;
    std::string name;
};

inline long current_thread() {
    return static_cast<long>(::syscall(SYS_gettid));
}

class DriverTest : public InstallFolderTest {
  protected:
    void SetUp() override {
        InstallFolderTest::SetUp();
        ::setenv("KDR_COUNTING_ENGINE_LOG", engine_log().c_str(), 1);
        ::unsetenv("KDR_COUNTING_ENGINE_FAIL_PREPARE");
        install_engine("Rnd_Count");
        set_string("Engine", "Rnd_Count");
    }
    void TearDown() override { ::unsetenv("KDR_COUNTING_ENGINE_FAIL_PREPARE"); }

    std::filesystem::path engine_log() const { return folder.path() / "engine.log"; }

    void install_engine(const std::string& name, const char* source = KDR_COUNTING_ENGINE) {
        std::filesystem::copy_file(source, libs() / (name + ".so"),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    std::vector<EngineEvent> events() const {
        std::vector<EngineEvent> result;
        std::ifstream in(engine_log());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            EngineEvent e;
            fields >> e.library >> e.event >> e.context >> e.flags >> e.position >> e.images >>
                e.thread >> e.name;
            result.push_back(e);
        }
        return result;
    }
    std::vector<EngineEvent> events_of(const std::string& kind) const {
        std::vector<EngineEvent> result;
        for (const EngineEvent& e : events()) {
            if (e.event == kind) {
                result.push_back(e);
            }
        }
        return result;
    }
    void clear_events() { std::filesystem::remove(engine_log()); }

    // Fills the slot's frame record as an adapter would: the size, two
    // sources (one picture serves as both), the output, part and total.
    void fill(RenderDriver& driver, int slot, std::uint32_t width, std::uint32_t height,
              std::uint32_t position = 0, std::uint32_t total = 10, std::uint32_t flags = 0) {
        output.assign(static_cast<std::size_t>(width) * height * 4, 0xEE);
        source.assign(output.size(), 0x11);
        FrameRecord& frame = driver.frame(slot);
        frame.width = width;
        frame.height = static_cast<std::int32_t>(height);
        frame.image_count = 2;
        describe(frame.output, width, height, output);
        describe(frame.images[0], width, height, source);
        describe(frame.images[1], width, height, source);
        frame.position = position;
        frame.total = total;
        frame.flags = flags;
    }

    void describe(ImageRecord& image, std::uint32_t width, std::uint32_t height,
                  std::vector<std::uint8_t>& pixels) {
        image_release_all(image);
        ASSERT_TRUE(image_set_shape(image, {format_bgra, 4, 1, row_order_top_down, width, height}));
        image.buffer = pixels.data();
        image.owns = 0;
    }

    const std::uint8_t* pixel(std::uint32_t width, std::uint32_t x, std::uint32_t y) const {
        return output.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }

    std::vector<std::uint8_t> output;
    std::vector<std::uint8_t> source;
};

}  // namespace kdr::host::test

#pragma once
// Fixture for render driver tests: a private installation with the counting
// engine installed as LIBS/Rnd_Count.so and named in "Engine", its call log,
// and a BGRA output buffer that the test owns.

#include <cstring>
#include <string>
#include <vector>

#include "kaleidra/host/render_driver.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::host::test {

using kdr::test::EngineEvent;

inline long current_thread() {
    return kdr::test::current_thread_id();
}

class DriverTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { install_counting_engine("Rnd_Count"); }

    std::vector<EngineEvent> events() const { return engine_events(); }
    std::vector<EngineEvent> events_of(const std::string& kind) const {
        return engine_events(kind);
    }
    void clear_events() { clear_engine_events(); }

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

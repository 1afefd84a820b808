#pragma once
// The renderer's test fixture: an installation folder with the counting
// engine (LIBS/Rnd_Count.so, which logs every call and draws a pattern of
// the frame position) and the waiting engine (LIBS/Rnd_Wait.so), a project
// to fill, message capture, and helpers that run a render to its end and
// read the movie back.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kaleidra/editor/movie_renderer.h"
#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::editor::test {

// One line of the counting engine's call log.
struct EngineEvent {
    std::string event;
    int context = 0;
    std::uint32_t flags = 0;
    std::uint32_t position = 0;
    std::uint32_t images = 0;
    int a = -1;  // first byte of image slot 0, -1 when empty
    int b = -1;
};

class RenderTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        ::setenv("KDR_COUNTING_ENGINE_LOG", engine_log().c_str(), 1);
        std::filesystem::copy_file(KDR_COUNTING_ENGINE, libs() / "Rnd_Count.so");
        std::filesystem::copy_file(KDR_WAITING_ENGINE, libs() / "Rnd_Wait.so");
        set_package_string("Engine", "Rnd_Count");
        set_package_string("Prev_Engine", "Rnd_Count");
        set_package_number("Rnd_Multi", 0);
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, platform::MessageKind) {
                messages.push_back(title + ": " + text);
                return platform::MessageAnswer::ok;
            });
        project.clear(default_output_settings(), (projects() / "test.kdp").string());
        project.output.rate = 25;
        project.output.final_width = 16;
        project.output.final_height = 12;
        project.output.final_options.handler = video::make_fourcc("DIB ");
        project.output.preview_options.handler = video::make_fourcc("DIB ");
    }
    void TearDown() override { platform::set_message_box_handler(m_previous); }

    std::filesystem::path engine_log() const { return root() / "engine.log"; }
    std::filesystem::path movie() const { return media() / "out.avi"; }

    TimelineItem& add(std::unique_ptr<TimelineItem> item) {
        return project.add_item(std::move(item));
    }

    RenderRequest final_request() const {
        RenderRequest request;
        request.kind = RenderKind::final_movie;
        request.output = movie();
        return request;
    }

    // Starts, waits for the thread (polling as the window does) and
    // finishes.
    Result<RenderOutcome> render(const RenderRequest& request) {
        MovieRenderer renderer;
        if (Status started = renderer.start(project, request); !started) {
            return Error{started.error()};
        }
        EXPECT_TRUE(renderer.wait_for_end(std::chrono::seconds(60))) << "the render did not end";
        EXPECT_FALSE(renderer.running());
        notices = renderer.take_notices();
        return renderer.finish();
    }

    std::vector<EngineEvent> engine_events(const std::string& only = "") const {
        std::vector<EngineEvent> events;
        std::ifstream in(engine_log());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string library, thread, name;
            EngineEvent event;
            fields >> library >> event.event >> event.context >> event.flags >> event.position >>
                event.images >> thread >> name >> event.a >> event.b;
            if (only.empty() || event.event == only) {
                events.push_back(event);
            }
        }
        return events;
    }

    // The movie's frames, decoded.
    std::vector<video::VideoFrame> frames_of(const std::filesystem::path& file) const {
        std::vector<video::VideoFrame> frames;
        Result<video::AviReader> reader = video::AviReader::open(file);
        EXPECT_TRUE(reader.ok()) << (reader ? "" : reader.error());
        if (!reader) {
            return frames;
        }
        for (std::uint32_t i = 0; i < reader->length(); ++i) {
            Result<const video::VideoFrame*> frame = reader->read_frame(i);
            EXPECT_TRUE(frame.ok());
            if (frame) {
                frames.push_back(**frame);
            }
        }
        return frames;
    }

    // Blue, green, red of pixel (x, y), y counted from the top.
    static FlatColour pixel(const video::VideoFrame& frame, std::uint32_t x, std::uint32_t y) {
        const std::uint8_t* p = &frame.pixels[(frame.height - 1 - y) * frame.stride + x * 3];
        return {p[0], p[1], p[2]};
    }

    static std::string read_text(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    Project project;
    std::vector<std::string> messages;
    std::vector<std::string> notices;

  private:
    platform::MessageBoxHandler m_previous;
};

inline bool operator==(const FlatColour& a, const FlatColour& b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

inline std::ostream& operator<<(std::ostream& out, const FlatColour& c) {
    return out << "(" << int(c.blue) << ", " << int(c.green) << ", " << int(c.red) << ")";
}

}  // namespace kdr::editor::test

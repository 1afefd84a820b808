#pragma once
// A private installation folder for the editor's tests: registry store,
// "Path", and the EFFECTS, Work, LIBS and Projects folders live in a
// temporary folder that disappears with the fixture. Helpers write the
// media the tests need: effect files with a chosen type, video count and
// thumbnail, uncompressed clips whose frames are one flat colour naming the
// clip and the frame, and bitmaps.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/editor/timeline_item.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::editor::test {

// The flat colour of frame `frame` of clip `clip`: blue = clip x 64 + frame
// (frames below 64), green = frame, red = 200 - clip.
struct FlatColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};
FlatColour clip_colour(int clip, int frame);

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override;

    std::filesystem::path root() const { return m_folder.path(); }
    std::filesystem::path effects() const { return root() / "EFFECTS"; }
    std::filesystem::path work() const { return root() / "Work"; }
    std::filesystem::path libs() const { return root() / "LIBS"; }
    std::filesystem::path projects() const { return root() / "Projects"; }
    std::filesystem::path media() const { return root() / "media"; }

    void set_package_number(const char* name, std::uint32_t value);
    void set_package_string(const char* name, const std::string& value);

    // EFFECTS/<name>.KDR with "ENAM", "ETYP", "VCNT" and a thumbnail of
    // `thumb_width` x `thumb_height` ("IMG0", none when 0).
    void write_effect(const std::string& name, std::uint32_t type, std::uint32_t videos,
                      std::uint32_t thumb_width = 8, std::uint32_t thumb_height = 6);
    // media/<name>: an uncompressed AVI of `frames` flat frames of clip_colour(clip, f).
    std::filesystem::path write_clip(const std::string& name, int clip, int frames,
                                     std::uint32_t width = 16, std::uint32_t height = 12,
                                     std::uint32_t rate = 25);
    // media/<name>: a 24-bit bitmap of one flat colour.
    std::filesystem::path write_bitmap(const std::string& name, FlatColour colour,
                                       std::uint32_t width = 16, std::uint32_t height = 12);

    // Items as the insert commands make them (not opened).
    static std::unique_ptr<TimelineItem> effect_item(const std::string& effect, std::int32_t start,
                                                     std::int32_t length);
    static std::unique_ptr<TimelineItem> clip_item(const std::filesystem::path& file,
                                                   std::int32_t track, std::int32_t start,
                                                   std::int32_t length);
    static std::unique_ptr<TimelineItem> bitmap_item(const std::filesystem::path& file,
                                                     std::int32_t track, std::int32_t start,
                                                     std::int32_t length);

  private:
    kdr::test::TempFolder m_folder;
};

}  // namespace kdr::editor::test

namespace kdr::editor::test {

// ffmpeg's "framemd5" listing of a movie's decoded frames (time base, size
// and a checksum per frame), or the error it printed prefixed with "error:".
std::string framemd5(const std::filesystem::path& movie);

// Writes `frames` frames of clip_colour(clip, first + f) with `handler`
// ("DIB ", "MSVC", "MJPG" ...).
void write_movie(const std::filesystem::path& file, const char* handler, int clip, int first,
                 int frames, std::uint32_t width, std::uint32_t height, std::uint32_t rate);

}  // namespace kdr::editor::test

#pragma once
// One item on the timeline: an effect on the effect track (track 0), or a
// video clip, bitmap or Targa image on a source track (1 and up). An item
// owns its effect settings record (effects only) and its current picture:
// the first frame of a clip, the bitmap, or the effect's thumbnail.
//
// Time is counted in whole frames; an item covers frames start .. start +
// length - 1. Items are created empty and filled by the insert commands, by
// project files or by copying; opening (item_opening.h) fills the values
// that come from the source file. Not thread-safe: the user-interface thread
// edits items, and the renderer only reads them while a render runs.

#include <cstddef>
#include <cstdint>
#include <string>

#include "kaleidra/records/layout.h"

namespace kdr::editor {

enum class ItemKind : std::int32_t {
    none = 0,  // the empty clipboard
    effect = 1,
    video = 2,   // an AVI clip
    bitmap = 3,  // a BMP picture
    targa = 4,   // a Targa picture
};

// Longest file name an item can keep, without its terminator.
inline constexpr std::size_t max_item_name_size = 255;

// Frames a project may reach: an item ending later is refused, so that a
// forged project file cannot start a render without end.
inline constexpr std::int64_t max_project_frames = 10'000'000;

class TimelineItem {
  public:
    // Kind none, every number 0, an empty settings record and no picture.
    TimelineItem();
    ~TimelineItem();
    TimelineItem(const TimelineItem&) = delete;
    TimelineItem& operator=(const TimelineItem&) = delete;

    // Takes what Copy takes: name, kind, track, start, length, rate, width,
    // height, tracks used and a deep copy of the settings record. The
    // picture and the values opening recomputes are not copied. False when
    // memory runs out.
    bool copy_from(const TimelineItem& other);

    EffectSettings& settings() { return m_settings; }
    const EffectSettings& settings() const { return m_settings; }
    // The item owns the picture's pixels.
    ImageRecord& image() { return m_image; }
    const ImageRecord& image() const { return m_image; }

    // Frame `frame` lies in start .. start + length - 1.
    bool contains(std::int64_t frame) const;
    // start + length, without overflow.
    std::int64_t end() const { return std::int64_t{start} + length; }

    std::string file_name;  // full path of the source; empty for effects
    ItemKind kind = ItemKind::none;
    std::int32_t track = 0;
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::int32_t rate = 0;  // clips: the rate of the video stream
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t tracks_used = 0;  // effects: source videos the effect takes
    std::int32_t effect_type = 0;  // effects: 1 is a transition
    std::int32_t clip_frames = 0;  // clips: frames in the video stream

  private:
    EffectSettings m_settings;
    ImageRecord m_image;
};

// What the screen needs to draw the item's picture: the bitmap header of a
// device-independent bitmap.
struct BitmapHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bit_count = 24;  // 24 for 3 bytes a pixel, else 32
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;
};
BitmapHeader bitmap_header(const TimelineItem& item);

// The name labels and progress texts show: the file name, or for an effect
// without one the effect's name from its settings record.
std::string display_name(const TimelineItem& item);

const char* item_kind_name(ItemKind kind);

}  // namespace kdr::editor

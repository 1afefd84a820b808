#pragma once
// The pictures a render takes from the project's items, one frame at a
// time: a clip's frame is read into a picture the renderer owns (the
// window may draw the item's own picture meanwhile), kept open between
// frames so that reading runs forward through the file; bitmaps and Targa
// images give the picture opened at the start.
//
// Each clip has two pictures, one per buffer, so the next frame can be read
// into one while the engine draws from the other; a picture stays valid
// until the next read into the same buffer.
//
// A clip frame that cannot be read leaves the clip's last picture in place
// (the first frame, as opened, when nothing was read yet) and produces one
// notice per clip. One thread at a time.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/editor/timeline_item.h"
#include "kaleidra/images/mapped_video.h"

namespace kdr::editor {

class SourcePictures {
  public:
    // Relative item names are found below `base` (the project's folder).
    explicit SourcePictures(std::filesystem::path base);
    ~SourcePictures();
    SourcePictures(const SourcePictures&) = delete;
    SourcePictures& operator=(const SourcePictures&) = delete;

    // The picture of `item` at frame `index` of the item (0 = its start),
    // read into `buffer` (0 or 1). Null when the item has no picture at all.
    const ImageRecord* picture(const TimelineItem& item, std::int64_t index, int buffer);

    // Notices written since the last call ("cannot read frame ...").
    std::vector<std::string> take_notices();

    // Closes every clip and frees the pictures.
    void release();

  private:
    struct Clip {
        MappedVideo video;
        ImageRecord pictures[2];
        int last_read = -1;  // the buffer holding the last picture read
        bool warned = false;
    };

    std::filesystem::path m_base;
    std::map<const TimelineItem*, std::unique_ptr<Clip>> m_clips;
    std::vector<std::string> m_notices;
};

}  // namespace kdr::editor

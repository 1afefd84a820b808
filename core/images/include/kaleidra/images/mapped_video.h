#pragma once
// Pictures that surfaces take from files, one frame per rendered frame: an
// AVI file, a numbered bitmap sequence or a numbered Targa sequence. These
// are the loaders the engines use.
//
// AVI frames become format 2 (BGR), 3 bytes a pixel, alignment 4, bottom row
// first. Sequences take frame `index` by the numbered-name rule, falling
// back to earlier frames and then to the name as given (image_sequence.h);
// their frames load as bmp_file.h and targa_file.h describe. On failure the
// record keeps what it had and the error says why.
//
// MappedVideo keeps the last AVI open, so rendering frame after frame reads
// the movie forward instead of opening and seeking it every time, and keeps
// the frame numbers of the last sequence's folder. One MappedVideo per
// surface; not for use by two threads at once.

#include <cstdint>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

enum MappedVideoKind : int {
    mapped_avi = 0,
    mapped_bitmap_sequence = 1,
    mapped_targa_sequence = 2,
};

class MappedVideo {
  public:
    MappedVideo();
    ~MappedVideo();
    MappedVideo(MappedVideo&&) noexcept;
    MappedVideo& operator=(MappedVideo&&) noexcept;

    // Loads frame `index` of `file`, of `kind` (MappedVideoKind), into `image`.
    Status load(ImageRecord& image, const std::string& file, int kind, std::uint32_t index);

    // Closes a kept AVI.
    void close();

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The same without keeping anything open between calls.
Status load_mapped_video_frame(ImageRecord& image, const std::string& file, int kind,
                               std::uint32_t index);

}  // namespace kdr

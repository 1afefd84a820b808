#pragma once
// Opening an item fills the values that come from its source: an effect's
// video count, type and thumbnail from its effect file; a clip's frames,
// rate and first frame; a bitmap's or Targa image's picture; width and
// height from the picture in every case.
//
// File names may be relative: they are then found below the folder that
// holds the project file (so a project and its media can move together).
// Reads files and the registry (the installation folder for effects); no
// state of its own.

#include <filesystem>
#include <string>

#include "kaleidra/editor/timeline_item.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor {

// `name` itself when it is absolute or `base` is empty, else `name` below
// `base` (folder names found without regard to case).
std::filesystem::path item_path(const std::string& name, const std::filesystem::path& base);

// Opens `item` by its kind. An effect always opens: when its file cannot be
// read it takes 0 tracks, type 0 and no thumbnail. A clip whose length is 0
// (a fresh insert) takes the clip's frame count as its length. Fails, saying
// why, when the source cannot be read or the kind is not one of the four;
// the item's picture is then left as it was.
Status open_item(TimelineItem& item, const std::filesystem::path& base = {});

}  // namespace kdr::editor

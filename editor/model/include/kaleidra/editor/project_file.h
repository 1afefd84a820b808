#pragma once
// Project files (extension "kdp"): a chunked file of form "KDRP" holding, in
// this order, "SETW" (the 400-byte output settings record), "PRVX" and
// "OUTX" (the preview and final compressor parameter blocks, empty when
// there are none), "ZOOM" (float), "VSTR" (view start), "TRCK" (selected
// track), then one "ITEM" per item in list order:
//
//   0 file name, 256 bytes NUL-ended   256 kind   260 track   264 start
//   268 length   272 rate   276 width   280 height   (int32 each)
//   284 effects only: the settings record as a "KDRR" memory block
//
// Saving replaces the file only when every byte was written. Loading puts
// each item at the head of the list, so the loaded list is in reverse chunk
// order (saving and loading twice gives the first order back). Loading
// treats the file as hostile: an item whose numbers are out of range, whose
// name has no end, whose settings block is broken, or whose source cannot
// be opened is reported as "Could not find %s. Item not loaded." under
// "Project Load Error" through the message hook and left out; the rest of
// the project loads. Called on the user-interface thread.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor {

inline constexpr std::uint32_t item_chunk_header_size = 284;

// Opens a loaded item (item_opening.h for the editor; tests and the fuzz
// target give their own).
using ItemOpener = std::function<Status(TimelineItem&)>;

// open_item() with relative names found below the folder of `project_file`.
ItemOpener item_opener_for(const std::filesystem::path& project_file);

// Saves to the project's file name; modified becomes false on success.
Status save_project(Project& project);

// The "ITEM" chunk data of one item; empty when the settings record cannot
// be stored (out of memory).
std::vector<std::uint8_t> encode_item(const TimelineItem& item);

struct RefusedItem {
    std::string name;    // as the message shows it
    std::string reason;  // why, for people reading a log
};

struct LoadReport {
    std::vector<RefusedItem> refused;
};

// Loads the file the project names into the project, which the caller has
// cleared. Fails when the file cannot be opened, is not a project file, or
// its chunks end in a read error; items loaded before the error stay.
// Modified becomes false on success.
Result<LoadReport> load_project(Project& project);
Result<LoadReport> load_project(Project& project, const ItemOpener& open);
// The same from a stream opened for reading with form "KDRP".
Result<LoadReport> load_project_chunks(Project& project, chunks::ChunkStream& stream,
                                       const ItemOpener& open);

}  // namespace kdr::editor

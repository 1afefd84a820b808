#pragma once
// Catalogue files: chunked files of form "KDRG" holding, for each group, an
// "OGRP" chunk (the group name with its terminating zero) followed by one
// "OITM" chunk per effect name. Reading: "OGRP" starts a group, "OITM" adds
// to the latest group ("OITM" before any group is ignored), other chunks
// are skipped; a chunk's text ends at its first zero or at its end, and is
// cut to its field. A read succeeds when the reader stops at the end of the
// file; a failed read keeps what came before the failure.
//
// Three files exist below the installation folder: the master list
// "EFFECTS/Master.lst" shipped with the effects, the current list
// "orgs/current.org" rebuilt from it (catalogue_refresh.h), and any other
// list in "orgs" that the effect page could read.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/catalogue.h"
#include "kaleidra/platform/result.h"

namespace kdr::gui {

inline constexpr chunks::ChunkId catalogue_form = chunks::make_id("KDRG");

// Empties `catalogue` and reads the stream's chunks into it. True when the
// stream ended cleanly.
bool read_catalogue(Catalogue& catalogue, chunks::ChunkStream& stream);
bool read_catalogue(Catalogue& catalogue, const std::filesystem::path& file);

// Writes every group and item; the file is replaced only when all of it was
// written (temporary file renamed over the target).
Status write_catalogue(const Catalogue& catalogue, const std::filesystem::path& file);
// The same as a memory block (size word, form, chunks); empty when memory
// runs out.
std::vector<std::uint8_t> catalogue_to_block(const Catalogue& catalogue);

// Paths below the installation folder (nothing when "Path" is unknown).
std::optional<std::filesystem::path> master_list_path();
// The list "orgs" / name ".org" (the effect page reads "current").
std::optional<std::filesystem::path> catalogue_path(const char* name);

}  // namespace kdr::gui

#pragma once
// Which files the video services read, for file dialogs and for programs
// that tell movies from pictures by name. The AVI filter the package's
// dialogs have always offered comes first; "All videos" beside it takes
// every container the reader opens.

#include <filesystem>
#include <string>
#include <vector>

namespace kdr::video {

// Lower-case extensions without the dot: "avi", "mp4", "mov", "mkv",
// "webm", "m4v", "ts", "mts", "m2ts", "mpg", "mpeg", "wmv", "flv", "ogv",
// "3gp", "dv", "mxf", "gif".
const std::vector<std::string>& readable_video_extensions();

// True when the file's extension (any case) is one of them.
bool is_video_file_name(const std::filesystem::path& file);

struct FileFilter {
    std::string title;                    // "AVI Video Clips"
    std::vector<std::string> extensions;  // lower case, without the dot
    // "AVI Video Clips (*.avi)", the form Qt's file dialogs take.
    std::string dialog_text() const;
};

// "AVI Video Clips (*.avi)", then "All videos (*.avi *.mp4 ...)".
std::vector<FileFilter> video_file_filters();

}  // namespace kdr::video

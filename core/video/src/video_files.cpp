#include "kaleidra/video/video_files.h"

#include <algorithm>
#include <cctype>

namespace kdr::video {
namespace {

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

const std::vector<std::string>& readable_video_extensions() {
    static const std::vector<std::string> extensions = {"avi", "mp4", "mov",  "mkv", "webm", "m4v",
                                                        "ts",  "mts", "m2ts", "mpg", "mpeg", "wmv",
                                                        "flv", "ogv", "3gp",  "dv",  "mxf",  "gif"};
    return extensions;
}

bool is_video_file_name(const std::filesystem::path& file) {
    std::string extension = lower(file.extension().string());
    if (extension.empty()) {
        return false;
    }
    extension.erase(0, 1);
    const std::vector<std::string>& known = readable_video_extensions();
    return std::find(known.begin(), known.end(), extension) != known.end();
}

std::string FileFilter::dialog_text() const {
    std::string patterns;
    for (const std::string& extension : extensions) {
        patterns += (patterns.empty() ? "*." : " *.") + extension;
    }
    return title + " (" + patterns + ")";
}

std::vector<FileFilter> video_file_filters() {
    return {{"AVI Video Clips", {"avi"}}, {"All videos", readable_video_extensions()}};
}

}  // namespace kdr::video

#include "kaleidra/video/video_files.h"

#include <gtest/gtest.h>

namespace kdr::video {
namespace {

TEST(VideoFiles, KnowsEverydayContainersInAnyCase) {
    for (const char* name :
         {"a.avi", "b.MP4", "dir.x/c.mov", "d.Mkv", "e.webm", "f.ts", "g.m2ts"}) {
        EXPECT_TRUE(is_video_file_name(name)) << name;
    }
    for (const char* name : {"a.png", "b.bmp", "mp4", "c.mp4.txt", "d.", ""}) {
        EXPECT_FALSE(is_video_file_name(name)) << name;
    }
}

TEST(VideoFiles, TheAviFilterComesFirstWithAllVideosBesideIt) {
    const std::vector<FileFilter> filters = video_file_filters();
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].dialog_text(), "AVI Video Clips (*.avi)");
    EXPECT_EQ(filters[1].title, "All videos");
    EXPECT_EQ(filters[1].extensions, readable_video_extensions());
    const std::string all = filters[1].dialog_text();
    EXPECT_EQ(all.substr(0, 28), "All videos (*.avi *.mp4 *.mo") << all;
    for (const char* pattern : {"*.mp4", "*.webm", "*.mkv", "*.ts", "*.gif)"}) {
        EXPECT_NE(all.find(pattern), std::string::npos) << all;
    }
}

}  // namespace
}  // namespace kdr::video

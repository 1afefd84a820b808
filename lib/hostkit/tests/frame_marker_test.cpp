#include "kaleidra/hostkit/frame_marker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::hostkit {
namespace {

using chunks::ChunkStream;
using chunks::make_id;

std::vector<std::uint8_t> file_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void append(std::vector<std::uint8_t>& bytes, const char* id, std::vector<std::uint8_t> data) {
    bytes.insert(bytes.end(), id, id + 4);
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    }
    bytes.insert(bytes.end(), data.begin(), data.end());
}

TEST(FrameMarker, IsWrittenAsTheThreeChunksInOrder) {
    test::TempFolder folder;
    const std::filesystem::path file = folder.path() / "Premiere.MSV";
    ASSERT_TRUE(write_frame_marker(file, {10, 720, -2}).ok());
    std::vector<std::uint8_t> expected = {'M', 'S', 'A', 'V'};
    append(expected, "LFRM", {10, 0, 0, 0});
    append(expected, "LWID", {0xD0, 0x02, 0, 0});
    append(expected, "LHIT", {0xFE, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(file_bytes(file), expected);
    EXPECT_EQ(read_frame_marker(file), (FrameMarker{10, 720, -2}));

    // Written again, the file is replaced, not appended to.
    ASSERT_TRUE(write_frame_marker(file, {11, 720, 480}).ok());
    EXPECT_EQ(read_frame_marker(file), (FrameMarker{11, 720, 480}));
    EXPECT_EQ(file_bytes(file).size(), expected.size());
}

TEST(FrameMarker, ReadsChunksInAnyOrderAndSkipsOthers) {
    std::vector<std::uint8_t> bytes = {'M', 'S', 'A', 'V'};
    append(bytes, "LHIT", {60, 0, 0, 0});
    append(bytes, "NOTE", {1, 2, 3});
    append(bytes, "LWID", {80, 0, 0, 0, 0});  // five bytes: not a value
    append(bytes, "LFRM", {3, 0, 0, 0});
    EXPECT_EQ(read_frame_marker_bytes(bytes.data(), bytes.size()), (FrameMarker{3, 0, 60}));
}

TEST(FrameMarker, AnythingElseCountsAsZero) {
    test::TempFolder folder;
    EXPECT_EQ(read_frame_marker(folder.path() / "missing.MSV"), FrameMarker{});

    std::vector<std::uint8_t> other = {'K', 'D', 'R', 'I'};
    append(other, "LFRM", {3, 0, 0, 0});
    EXPECT_EQ(read_frame_marker_bytes(other.data(), other.size()), FrameMarker{}) << "another form";

    std::vector<std::uint8_t> cut = {'M', 'S', 'A', 'V'};
    append(cut, "LFRM", {9, 0, 0, 0});
    append(cut, "LWID", {80, 0, 0, 0});
    cut.resize(cut.size() - 2);
    EXPECT_EQ(read_frame_marker_bytes(cut.data(), cut.size()), (FrameMarker{9, 0, 0}))
        << "what came before the cut stays";
    EXPECT_EQ(read_frame_marker_bytes(nullptr, 0), FrameMarker{});
}

}  // namespace
}  // namespace kdr::hostkit

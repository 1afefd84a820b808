#include "kaleidra/video/output_codecs.h"

#include <gtest/gtest.h>

namespace kdr::video {
namespace {

std::string option(const VideoEncoding& encoding, const std::string& name) {
    for (const auto& [key, value] : encoding.options) {
        if (key == name) {
            return value;
        }
    }
    return "(none)";
}

VideoEncoding chosen(const std::string& container, const std::string& codec,
                     std::optional<int> quality = std::nullopt) {
    CodecRequest request;
    request.codec = codec;
    request.quality = quality;
    Result<VideoEncoding> encoding = choose_video_encoding(container, request);
    EXPECT_TRUE(encoding) << encoding.error();
    return encoding ? *encoding : VideoEncoding{};
}

TEST(ContainerFor, GoesByTheExtensionInAnyCase) {
    EXPECT_EQ(container_for("a.mp4"), "mp4");
    EXPECT_EQ(container_for("A.MOV"), "mov");
    EXPECT_EQ(container_for("dir.x/clip.mkv"), "matroska");
    EXPECT_EQ(container_for("clip.WebM"), "webm");
    EXPECT_EQ(container_for("clip.avi"), "avi");
    EXPECT_FALSE(container_for("clip.png"));
    EXPECT_FALSE(container_for("mp4"));
}

TEST(ChooseVideoEncoding, EachContainerHasItsUsualCodec) {
    EXPECT_EQ(chosen("mp4", "").encoder, "libx264");
    EXPECT_EQ(chosen("matroska", "").encoder, "libx264");
    EXPECT_EQ(chosen("webm", "").encoder, "libvpx-vp9");
    EXPECT_EQ(chosen("avi", "").encoder, "mjpeg");
    EXPECT_TRUE(chosen("avi", "").every_frame_key);
}

TEST(ChooseVideoEncoding, QualityMapsOntoEachEncodersScale) {
    EXPECT_EQ(option(chosen("mp4", "h264"), "crf"), "23");
    EXPECT_EQ(option(chosen("mp4", "h264", 50), "crf"), "26");
    EXPECT_EQ(option(chosen("mp4", "h264", 0), "crf"), "51");
    EXPECT_EQ(option(chosen("mp4", "h264", 100), "qp"), "0");
    EXPECT_EQ(option(chosen("mp4", "h265", 100), "x265-params"), "log-level=error:lossless=1");
    EXPECT_EQ(option(chosen("mp4", "hevc", 60), "crf"), "20");
    EXPECT_EQ(option(chosen("webm", "vp9"), "crf"), "32");
    EXPECT_EQ(option(chosen("webm", "vp9", 100), "lossless"), "1");
    EXPECT_EQ(option(chosen("mov", "prores", 90), "profile"), "3");
    EXPECT_EQ(option(chosen("mov", "prores", 10), "profile"), "0");
    // The AVI compressors take it as a fixed quantiser, 31 (worst) to 2.
    EXPECT_EQ(chosen("avi", "MJPG", 100).quantiser, 2);
    EXPECT_EQ(chosen("avi", "MJPG", 0).quantiser, 31);
    EXPECT_FALSE(chosen("avi", "DIB ", 50).quantiser);
}

TEST(ChooseVideoEncoding, DeliveryCodecsAreTaggedAndLosslessOnesStayRgb) {
    CodecRequest request;
    request.codec = "h264";
    request.colour = {ColourMatrix::bt601, ColourRange::full};
    Result<VideoEncoding> h264 = choose_video_encoding("mp4", request);
    ASSERT_TRUE(h264) << h264.error();
    EXPECT_EQ(h264->pixel_format, "yuv420p");
    ASSERT_TRUE(h264->colour);
    EXPECT_EQ(*h264->colour, request.colour);
    EXPECT_EQ(chosen("matroska", "ffv1").pixel_format, "bgr0");
    EXPECT_EQ(chosen("mov", "prores").pixel_format, "yuv422p10le");
    EXPECT_EQ(chosen("mov", "h265").codec_tag, "hvc1");
    EXPECT_EQ(chosen("matroska", "h265").codec_tag, "");
    EXPECT_FALSE(chosen("avi", "HFYU").colour) << "AVI compressors write no colour tags";
}

TEST(ChooseVideoEncoding, RefusesWithAMessage) {
    const struct {
        const char* container;
        const char* codec;
        int quality;
        const char* message;
    } cases[] = {{"mp4", "theora", 50, "no codec \"theora\""},
                 {"mp4", "MJPG", 50, "AVI movies only"},
                 {"mp4", "h264", 101, "from 0 to 100"},
                 {"avi", "XVID", 50, "choose one of h264"}};
    for (const auto& c : cases) {
        CodecRequest request;
        request.codec = c.codec;
        request.quality = c.quality;
        Result<VideoEncoding> encoding = choose_video_encoding(c.container, request);
        ASSERT_FALSE(encoding) << c.codec;
        EXPECT_NE(encoding.error().find(c.message), std::string::npos) << encoding.error();
    }
}

TEST(IsNamedCodec, KnowsTheNamesAndAliasesButNotFourccs) {
    for (const char* name :
         {"h264", "H264", "avc", "hevc", "h265", "vp9", "av1", "prores", "ffv1"}) {
        EXPECT_TRUE(is_named_codec(name)) << name;
    }
    for (const char* name : {"MJPG", "DIB ", "mpeg4", ""}) {
        EXPECT_FALSE(is_named_codec(name)) << name;
    }
}

TEST(AudioEncodingFor, TheContainersUsualAudio) {
    EXPECT_EQ(audio_encoding_for("mp4").encoder, "aac");
    EXPECT_EQ(audio_encoding_for("mov").encoder, "aac");
    EXPECT_EQ(audio_encoding_for("webm").encoder, "libopus");
    EXPECT_EQ(audio_encoding_for("matroska").encoder, "libopus");
    EXPECT_EQ(audio_encoding_for("avi").encoder, "pcm_s16le");
}

TEST(ListCodecs, NamesEveryCodecAndWhetherThisBuildHasIt) {
    const std::vector<CodecInfo> codecs = list_codecs();
    ASSERT_EQ(codecs.size(), 6u);
    EXPECT_EQ(codecs[0].name, "h264");
    for (const CodecInfo& codec : codecs) {
        // Debian's FFmpeg has them all; CI runs on it.
        EXPECT_TRUE(codec.available) << codec.description;
    }
}

}  // namespace
}  // namespace kdr::video

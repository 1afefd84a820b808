// Audio read from files the ffmpeg program made, with a tone that sounds in
// the first half of every second and is silent in the second, so where a
// read lands on the file's clock can be heard.

#include "kaleidra/video/audio_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/movie_writer.h"
#include "kaleidra/video/testing/numbered_clips.h"
#include "kaleidra/video/video_reader.h"

namespace kdr::video {
namespace {

using testing::program_output;
using testing::shell_quoted;

// A 1 kHz tone at half amplitude (RMS 0.35) while mod(t, 1) < 0.5, in one
// channel or the same in two.
constexpr const char* beep = "if(lt(mod(t\\,1)\\,0.5)\\,0.5*sin(2*PI*1000*t)\\,0)";
const std::string beeps = std::string("aevalsrc='") + beep + "'";
const std::string stereo_beeps = std::string("aevalsrc='") + beep + "|" + beep + "'";

double rms(const std::vector<float>& samples, int channel) {
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += 2) {
        sum += double(samples[i]) * samples[i];
        ++count;
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0;
}

class AudioReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffmpeg")) << "the ffmpeg program is not installed";
    }
    std::filesystem::path make(const std::string& name, const std::string& arguments,
                               bool stereo = false) {
        const auto file = folder.path() / name;
        program_output("ffmpeg -nostdin -v error -y -f lavfi -i " +
                       (stereo ? stereo_beeps : beeps) + ":s=44100:d=3 " + arguments + " " +
                       shell_quoted(file));
        return file;
    }
    // The RMS of `seconds` read from the current position.
    static double loudness(AudioReader& reader, double seconds) {
        std::vector<float> samples(static_cast<std::size_t>(seconds * movie_sample_rate) * 2);
        EXPECT_TRUE(reader.read(samples.data(), samples.size() / 2).ok());
        return rms(samples, 0);
    }
    kdr::test::TempFolder folder;
};

struct Encoded {
    const char* file;
    const char* arguments;
    const char* codec;
    bool stereo;
};

class ReadsAudioOfEveryContainer : public AudioReaderTest,
                                   public ::testing::WithParamInterface<Encoded> {};

TEST_P(ReadsAudioOfEveryContainer, InTimeAndResampledToStereo) {
    const auto file = make(GetParam().file, GetParam().arguments, GetParam().stereo);
    Result<AudioReader> reader = AudioReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->codec_name(), GetParam().codec);
    // Whole read in tenths of a second: loud, loud, ..., quiet, quiet.
    for (int tenth = 0; tenth < 30; ++tenth) {
        std::vector<float> samples(movie_sample_rate / 10 * 2);
        ASSERT_TRUE(reader->read(samples.data(), samples.size() / 2).ok());
        const int within_second = tenth % 10;
        // The tenths that touch a change of state are left out.
        if (within_second == 0 || within_second == 5 || within_second == 4 || within_second == 9) {
            continue;
        }
        const bool loud = within_second < 5;
        EXPECT_NEAR(rms(samples, 0), loud ? 0.35 : 0.0, 0.05) << "tenth " << tenth;
        EXPECT_NEAR(rms(samples, 1), rms(samples, 0), 0.01) << "both channels carry it";
    }
    EXPECT_EQ(reader->seek_count(), 0u);
    // After the end: silence, not an error.
    EXPECT_NEAR(loudness(*reader, 0.5), 0.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Codecs, ReadsAudioOfEveryContainer,
                         ::testing::Values(Encoded{"mono.m4a", "-c:a aac", "aac", false},
                                           Encoded{"stereo.webm", "-c:a libopus", "opus", true},
                                           Encoded{"mono.mkv", "-c:a flac", "flac", false},
                                           Encoded{"stereo.avi", "-ar 22050 -c:a pcm_s16le",
                                                   "pcm_s16le", true},
                                           Encoded{"mono.mp3", "-c:a libmp3lame", "mp3", false}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST_F(AudioReaderTest, SeeksToAnyMomentBackwardsAndForwards) {
    const auto file = make("beeps.m4a", "-c:a aac");
    Result<AudioReader> reader = AudioReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    const struct {
        double at;
        bool loud;
    } moments[] = {{2.1, true}, {1.6, false}, {0.15, true}, {2.65, false}, {1.05, true}};
    for (const auto& moment : moments) {
        ASSERT_TRUE(reader->seek(moment.at).ok());
        EXPECT_NEAR(loudness(*reader, 0.3), moment.loud ? 0.35 : 0.0, 0.05) << "at " << moment.at;
    }
    EXPECT_GE(reader->seek_count(), 3u);
    // Before the stream and far beyond it: silence.
    ASSERT_TRUE(reader->seek(-2.0).ok());
    EXPECT_NEAR(loudness(*reader, 1.0), 0.0, 1e-6);
    ASSERT_TRUE(reader->seek(60.0).ok());
    EXPECT_NEAR(loudness(*reader, 0.2), 0.0, 1e-6);
    EXPECT_FALSE(reader->seek(std::nan("")).ok());
}

TEST_F(AudioReaderTest, ASeekJustAheadReadsOnInstead) {
    const auto file = make("beeps.mkv", "-c:a flac");
    Result<AudioReader> reader = AudioReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    ASSERT_TRUE(reader->seek(0.5).ok());
    ASSERT_TRUE(reader->seek(1.0).ok());
    EXPECT_EQ(reader->seek_count(), 0u);
    EXPECT_NEAR(loudness(*reader, 0.4), 0.35, 0.05);
}

TEST_F(AudioReaderTest, LinesUpWithTheVideoOfTheSameFile) {
    // Video starting later than the audio: frame 0 shows at 0.5 s, so the
    // audio beside frame f starts at 0.5 + f / 10 s.
    const auto file = folder.path() / "late-video.mkv";
    testing::ClipRequest request;
    request.frames = 20;
    request.rate = "10";
    request.output_arguments = "-c:v libx264";
    testing::make_numbered_clip(folder.path() / "plain.mkv", request);
    program_output("ffmpeg -nostdin -v error -y -itsoffset 0.5 -i " +
                   shell_quoted(folder.path() / "plain.mkv") + " -f lavfi -i " + beeps +
                   ":s=48000:d=3 -map 0:v -map 1:a -c:v copy -c:a flac " + shell_quoted(file));
    Result<VideoReader> video = VideoReader::open(file);
    ASSERT_TRUE(video) << video.error();
    EXPECT_NEAR(video->start_seconds(), 0.5, 0.01);
    Result<AudioReader> audio = AudioReader::open(file);
    ASSERT_TRUE(audio) << audio.error();
    // Beside frame 10 (1.5 s on the file's clock) the tone has just stopped.
    ASSERT_TRUE(audio->seek(video->start_seconds() + 10 / 10.0).ok());
    EXPECT_NEAR(loudness(*audio, 0.4), 0.0, 0.05);
    ASSERT_TRUE(audio->seek(video->start_seconds() + 5 / 10.0).ok());
    EXPECT_NEAR(loudness(*audio, 0.4), 0.35, 0.05);
}

TEST_F(AudioReaderTest, AFileWithoutAudioIsRefused) {
    testing::ClipRequest request;
    request.frames = 3;
    request.output_arguments = "-c:v libx264";
    const auto file = folder.path() / "silent.mp4";
    testing::make_numbered_clip(file, request);
    Result<AudioReader> reader = AudioReader::open(file);
    ASSERT_FALSE(reader);
    EXPECT_NE(reader.error().find("has no audio stream"), std::string::npos) << reader.error();
}

}  // namespace
}  // namespace kdr::video

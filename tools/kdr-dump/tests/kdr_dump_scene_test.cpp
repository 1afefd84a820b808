// Runs kdr-dump on effect files and settings blocks written for the test and
// checks what it prints.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

struct ToolRun {
    int status;
    std::string out;
};

ToolRun run(const std::string& arguments) {
    const std::string command = std::string(KDR_DUMP_PATH) + " " + arguments + " 2>&1";
    ToolRun result{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.out.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// An effect with a camera, an object moved by a straight path from x 0 to 10,
// an envelope fading the object, an unlinked envelope for parameter 205, and
// a hostile object whose vertex count lies.
class DumpScene : public ::testing::Test {
  protected:
    void SetUp() override {
        Scene scene;
        scene.name = "Slide";
        scene.type = 1;
        scene.video_names = {"A", "B"};
        auto& camera = *scene.cameras.emplace_back(std::make_unique<scene::Camera>());
        camera.id = 1;
        auto& object = *scene.objects.emplace_back(std::make_unique<scene::Object>());
        object.id = 10;
        object.video_number = 1;
        object.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        object.polygons.resize(1);
        object.polygons[0].corner_count = 3;
        auto& path = *scene.paths.emplace_back(std::make_unique<scene::Path>());
        path.id = 20;
        path.link_id = 10;
        path.keys.resize(2);
        path.keys[1].time = 1;
        path.keys[1].position[0] = 10;
        path.keys[1].linear = 1;
        auto& fade = *scene.envelopes.emplace_back(std::make_unique<scene::Envelope>());
        fade.id = 30;
        fade.link_id = 10;
        fade.keys = {EnvelopeKey{0, 0, 0, 0, 0, 1, 0}, EnvelopeKey{1, 1, 0, 0, 0, 1, 0}};
        auto& turn = *scene.envelopes.emplace_back(std::make_unique<scene::Envelope>());
        turn.id = 31;
        turn.parameter = 205;
        turn.keys = {EnvelopeKey{0, 40, 0, 0, 0, 1, 0}, EnvelopeKey{1, 40, 0, 0, 0, 1, 0}};

        auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, effect,
                                                     chunks::make_id("KDRE"));
        ASSERT_EQ(stream.write_chunk(chunks::make_id("ENAM"), 6, "Slide"), chunks::ready);
        const std::uint32_t two = 2;
        ASSERT_EQ(stream.write_chunk(chunks::make_id("VCNT"), 4, &two), chunks::ready);
        const char video[] = "\x05\0\0\0Far";
        ASSERT_EQ(stream.write_chunk(chunks::make_id("VDSC"), 8, video), chunks::ready);
        scene.write_items(stream);
        const std::uint8_t liar[20] = {10,   0,    0, 0, 0, 0, 0,    0,    0, 0,
                                       0x80, 0x3f, 0, 0, 0, 0, 0xff, 0xff, 0, 0};
        ASSERT_EQ(stream.write_chunk(chunks::make_id("OBJ0"), sizeof liar, liar), chunks::ready);
        ASSERT_EQ(stream.close(), chunks::ready);
    }

    test::TempFolder folder;
    std::filesystem::path effect = folder.path() / "SLIDE.KDR";
};

TEST_F(DumpScene, DecodesHeaderChunksAndOneLinePerItem) {
    const ToolRun result = run(effect.string());
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("name \"Slide\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("video count 2"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("video 5 name \"Far\"  (ignored"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("object   id 10    link 0     parent 0     start 0      end 1     "
                              "  vertices 3  polygons 1  video 1"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("path     id 20    link 10"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("parameter 205  keys 2"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("dropped"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("items: 1 camera 0 light 1 object 0 surface 1 path 2 envelope "
                              "0 warp, 1 dropped"),
              std::string::npos)
        << result.out;
}

TEST_F(DumpScene, DecodesSettingsBlocksByMeaning) {
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    std::strcpy(settings.name, "Slide");
    settings.globals[global_lighting] = 1;
    settings.video_values[1][video_trail_count] = 4;
    auto& user_path =
        *settings_scene(settings)->paths.emplace_back(std::make_unique<scene::Path>());
    user_path.id = 44;
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    const auto file = folder.path() / "settings.kdrr";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(block.size()));

    const ToolRun result = run("--memory " + file.string());
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("effect \"Slide\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("global  5 lighting"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("video  2 value 3 trail count"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("global  0"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("path     id 44"), std::string::npos) << result.out;
}

TEST_F(DumpScene, EvalPrintsTheFrameSceneAfterPathsAndEnvelopes) {
    const ToolRun result = run("--eval " + effect.string() + " --at 0.5");
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("position (5, 0, 0)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("transparency 0.5"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("video 2 direction: 0 -> 40"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("trail copy"), std::string::npos) << result.out;
}

TEST_F(DumpScene, EvalWithAFrameMakesTrails) {
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    settings.video_values[0][video_trail_count] = 2;
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    const auto file = folder.path() / "trails.kdrr";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(block.size()));
    const ToolRun result =
        run("--eval " + effect.string() + " --at 0.5 --frame 10/20 --settings " + file.string());
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("id 5001"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("id 5002"), std::string::npos) << result.out;
}

TEST_F(DumpScene, EvalRefusesBadArguments) {
    EXPECT_EQ(run("--eval " + effect.string()).status, 2);
    EXPECT_EQ(run("--eval " + effect.string() + " --at 1.5").status, 2);
    EXPECT_EQ(run("--eval " + effect.string() + " --at 0.5 --frame 3/0").status, 2);
    EXPECT_EQ(run("--at 0.5 " + effect.string()).status, 2);
    EXPECT_EQ(run("--eval " + (folder.path() / "missing.kdr").string() + " --at 0").status, 1);
    EXPECT_EQ(run("--eval " + effect.string() + " --at 0 --settings " + effect.string()).status, 1);
}

}  // namespace
}  // namespace kdr

// kdr-dump on envelope and path files, and --eval with a settings file as
// the selection dialog saves it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/item_files.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/program_run.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

test::ProgramRun dump(const std::string& arguments) {
    return test::run_program(std::string(KDR_DUMP_PATH) + " " + arguments);
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class DumpItemFiles : public ::testing::Test {
  protected:
    test::TempFolder folder;
};

TEST_F(DumpItemFiles, AnEnvelopeFileShowsItsIdsAndOneLinePerKey) {
    scene::Envelope envelope;
    envelope.id = 40003;
    envelope.parameter = 6;
    envelope.keys = {EnvelopeKey{0, 0, 0, 0, 0, 0, 0}, EnvelopeKey{0.5f, 80, 0.5f, 0, 0, 1, 0},
                     EnvelopeKey{1, 100, 0, 0, 0, 0, 0}};
    const auto file = folder.path() / "shadows.env";
    ASSERT_TRUE(write_envelope_file(file, envelope).ok());
    const test::ProgramRun run = dump(file.string());
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("form KENV"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("envelope id 40003  link 0  parent 0  start 0  end 1  parameter 6 "
                              "(shadows)  3 keys"),
              std::string::npos)
        << run.output;
    EXPECT_NE(
        run.output.find("key 1: time 0.5  value 80  tension 0.5  continuity 0  bias 0  linear"),
        std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("key 2: time 1  value 100"), std::string::npos) << run.output;
}

TEST_F(DumpItemFiles, KeysAddedOnReadingAndRefusedFilesAreSaidSo) {
    // Made by hand: one key at 0.5 of parameter 205, for object 0.
    std::string body;
    auto u16 = [&](unsigned v) {
        body += char(v & 0xff);
        body += char(v >> 8);
    };
    auto f32 = [&](float v) {
        char b[4];
        std::memcpy(b, &v, 4);
        body.append(b, 4);
    };
    u16(9);
    u16(0);
    f32(0);
    f32(1);
    u16(0);
    u16(0);
    u16(205);
    body += std::string("\x01\0\0\0", 4);
    f32(0.5f);
    f32(40);
    f32(0);
    f32(0);
    f32(0);
    u16(0);
    u16(0);
    std::string file = "KENVENV0";
    const auto length = static_cast<std::uint32_t>(body.size());
    file += std::string(reinterpret_cast<const char*>(&length), 4) + body;
    write_bytes(folder.path() / "hand.env", file);
    const test::ProgramRun run = dump((folder.path() / "hand.env").string());
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("parameter 205 (video 2 direction)  1 keys"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("key 0: time 0  value 40  tension 0  continuity 0  bias 0  linear  "
                              "(added on reading)"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("key 1: time 0.5  value 40"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("key 2: time 1  value 40  tension 0  continuity 0  bias 0  linear  "
                              "(added on reading)"),
              std::string::npos)
        << run.output;

    file[12 + 18] = 9;  // nine keys stated, one there
    write_bytes(folder.path() / "liar.env", file);
    const test::ProgramRun liar = dump((folder.path() / "liar.env").string());
    EXPECT_NE(liar.output.find("refused: states 9 keys, holds room for 1"), std::string::npos)
        << liar.output;
}

TEST_F(DumpItemFiles, APathFileShowsEveryKeysMotion) {
    scene::Path path;
    path.id = 3001;
    path.link_id = 20;
    path.keys.resize(2);
    path.keys[1].time = 1;
    path.keys[1].position[0] = -7;
    path.keys[1].heading = 250;
    path.keys[1].linear = 1;
    const auto file = folder.path() / "fly.pth";
    ASSERT_TRUE(write_path_file(file, path).ok());
    const test::ProgramRun run = dump(file.string());
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("path id 3001  link 20  parent 0  start 0  end 1  2 keys"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("key 1: time 1  position (-7, 0, 0)  rotation (0, 250, 0)  scale (1, "
                              "1, 1)  tension 0  continuity 0  bias 0  linear"),
              std::string::npos)
        << run.output;
}

TEST_F(DumpItemFiles, EvalReadsASettingsFileAsTheDialogSavesIt) {
    // An effect with one object on a straight path from x 0 to x 10.
    Scene effect;
    auto& object = *effect.objects.emplace_back(std::make_unique<scene::Object>());
    object.id = 10;
    auto& own = *effect.paths.emplace_back(std::make_unique<scene::Path>());
    own.id = 20;
    own.link_id = 10;
    own.keys.resize(2);
    own.keys[1].time = 1;
    own.keys[1].position[0] = 10;
    own.keys[1].linear = 1;
    const auto effect_file = folder.path() / "SLIDE.KDR";
    {
        auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, effect_file,
                                                     chunks::make_id("KDRE"));
        effect.write_items(stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    // The user's path: the same id, x 11 at the middle.
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    auto& mine = *settings_scene(settings)->paths.emplace_back(std::make_unique<scene::Path>(own));
    mine.keys.insert(mine.keys.begin() + 1, own.keys[1]);
    mine.keys[1].time = 0.5f;
    mine.keys[1].position[0] = 11;
    const auto settings_file = folder.path() / "user.kri";
    {
        auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, settings_file,
                                                     chunks::make_id("KDRR"));
        settings_write(settings, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    settings_destroy(settings);
    const test::ProgramRun run =
        dump("--eval " + effect_file.string() + " --at 0.5 --settings " + settings_file.string());
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("position (11, 0, 0)"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace kdr

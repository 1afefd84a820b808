// Envelope and path files: files made by hand byte for byte load, ours load
// back identical, and hostile or unusable files are refused without
// touching the item.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "hand_bytes.h"
#include "kaleidra/scene/item_files.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using test::Bytes;
using test::chunk;

Bytes envelope_chunk_body(std::uint16_t id, std::int16_t link, std::uint16_t parameter,
                          std::initializer_list<std::array<float, 5>> keys,
                          std::uint32_t stated_count = 0xffffffff) {
    Bytes b;
    b.header(id, 0, 1, link, 0).u16(parameter);
    b.u32(stated_count == 0xffffffff ? static_cast<std::uint32_t>(keys.size()) : stated_count);
    for (const auto& key : keys) {
        b.floats({key[0], key[1], key[2], key[3], key[4]}).u16(0).u16(0);
    }
    return b;
}

Bytes envelope_file(const Bytes& body) {
    Bytes file = test::form("KENV");
    file.append(chunk("ENV0", body));
    return file;
}

class ItemFilesTest : public ::testing::Test {
  protected:
    std::filesystem::path file(const char* name) const { return folder.path() / name; }
    kdr::test::TempFolder folder;
};

TEST_F(ItemFilesTest, AHandMadeEnvelopeFileLoadsWithItsFieldsAtTheirOffsets) {
    // Key count at offset 18, not aligned; keys from 22.
    Bytes body =
        envelope_chunk_body(40007, 12, 206, {{0, 10, 0.5f, -0.5f, 0.25f}, {1, 90, 0, 0, 0}});
    ASSERT_EQ(body.size(), 22u + 2 * 24u);
    body.data[22 + 24 + 20] = 1;  // the second key runs straight into its value
    test::write_file(file("hand.env"), envelope_file(body));

    scene::Envelope envelope;
    ASSERT_EQ(read_envelope_file(file("hand.env"), envelope), ItemFileRead::read);
    EXPECT_EQ(envelope.id, 40007);
    EXPECT_EQ(envelope.link_id, 12);
    EXPECT_EQ(envelope.parameter, 206);
    ASSERT_EQ(envelope.keys.size(), 2u);
    EXPECT_EQ(envelope.keys[0].value, 10);
    EXPECT_EQ(envelope.keys[0].tension, 0.5f);
    EXPECT_EQ(envelope.keys[0].continuity, -0.5f);
    EXPECT_EQ(envelope.keys[0].bias, 0.25f);
    EXPECT_EQ(envelope.keys[0].linear, 0);
    EXPECT_EQ(envelope.keys[1].time, 1);
    EXPECT_EQ(envelope.keys[1].value, 90);
    EXPECT_EQ(envelope.keys[1].linear, 1);
}

TEST_F(ItemFilesTest, AnEnvelopeReadFromAFileGetsItsEndKeys) {
    test::write_file(file("mid.env"),
                     envelope_file(envelope_chunk_body(1, 0, 6, {{0.5f, 40, 0, 0, 0}})));
    scene::Envelope envelope;
    ASSERT_EQ(read_envelope_file(file("mid.env"), envelope), ItemFileRead::read);
    ASSERT_EQ(envelope.keys.size(), 3u);
    EXPECT_EQ(envelope.keys[0].time, 0);
    EXPECT_EQ(envelope.keys[0].value, 40);
    EXPECT_EQ(envelope.keys[0].linear, 1);
    EXPECT_EQ(envelope.keys[2].time, 1);
    EXPECT_EQ(envelope.keys[2].value, 40);
}

TEST_F(ItemFilesTest, AHandMadePathFileLoadsEveryMotionValue) {
    Bytes body;
    body.header(3002, 0.1f, 0.9f, 20, 7).u32(2);
    body.motion({0, 1, 2, 3, 10, 20, 30, 1, 1, 1, 0.5f, 0.25f, -0.25f}, 0);
    body.motion({1, -4, 5.5f, -6, 0, 90, 0, 2, 3, 4, 0, 0, 0}, 1);
    ASSERT_EQ(body.size(), 20u + 2 * 56u);
    Bytes bytes = test::form("KPTH");
    bytes.append(chunk("PTH0", body));
    test::write_file(file("hand.pth"), bytes);

    scene::Path path;
    ASSERT_EQ(read_path_file(file("hand.pth"), path), ItemFileRead::read);
    EXPECT_EQ(path.id, 3002);
    EXPECT_EQ(path.link_id, 20);
    EXPECT_EQ(path.parent_id, 7);
    EXPECT_EQ(path.start, 0.1f);
    EXPECT_EQ(path.end, 0.9f);
    ASSERT_EQ(path.keys.size(), 2u);
    EXPECT_EQ(path.keys[0].position[2], 3);
    EXPECT_EQ(path.keys[0].bank, 30);
    EXPECT_EQ(path.keys[0].bias, -0.25f);
    EXPECT_EQ(path.keys[1].position[1], 5.5f);
    EXPECT_EQ(path.keys[1].heading, 90);
    EXPECT_EQ(path.keys[1].scale[2], 4);
    EXPECT_EQ(path.keys[1].linear, 1);
}

TEST_F(ItemFilesTest, OurFilesLoadBackIdentical) {
    scene::Envelope envelope;
    envelope.id = 40002;
    envelope.link_id = 31;
    envelope.parameter = 1;
    envelope.keys = {EnvelopeKey{0, 0.5f, 0.1f, 0.2f, 0.3f, 0, 0},
                     EnvelopeKey{0.37f, 2, 0, 0, 0, 1, 0}, EnvelopeKey{1, 1.5f, -1, 1, 0, 0, 0}};
    ASSERT_TRUE(write_envelope_file(file("ours.env"), envelope).ok());
    scene::Envelope envelope_back;
    ASSERT_EQ(read_envelope_file(file("ours.env"), envelope_back), ItemFileRead::read);
    EXPECT_FALSE(envelope_back.differs(envelope));

    scene::Path path;
    path.id = 3001;
    path.link_id = 20;
    path.start = 0.25f;
    for (float time : {0.0f, 0.3f, 1.0f}) {
        PathKey key;
        key.time = time;
        key.position[0] = time * 7;
        key.heading = -time * 45;
        key.scale[1] = 1 + time;
        key.tension = time / 2;
        key.linear = time > 0.5f ? 1 : 0;
        path.keys.push_back(key);
    }
    ASSERT_TRUE(write_path_file(file("ours.pth"), path).ok());
    scene::Path path_back;
    ASSERT_EQ(read_path_file(file("ours.pth"), path_back), ItemFileRead::read);
    EXPECT_FALSE(path_back.differs(path));

    // And the bytes are exactly the form and one chunk.
    std::ifstream in(file("ours.pth"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 4u + 8u + 20u + 3u * 56u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("KPTHPTH0"));
}

TEST_F(ItemFilesTest, AFileOfAnotherFirstChunkReadsNothingAndSaysSo) {
    Bytes bytes = test::form("KENV");
    bytes.append(chunk("PTH0", Bytes().header(1, 0, 1, 0, 0).u32(0)));
    bytes.append(chunk("ENV0", envelope_chunk_body(1, 0, 6, {{0, 5, 0, 0, 0}})));
    test::write_file(file("other.env"), bytes);
    scene::Envelope envelope;
    envelope.id = 99;
    envelope.keys = {EnvelopeKey{0, 3, 0, 0, 0, 0, 0}};
    EXPECT_EQ(read_envelope_file(file("other.env"), envelope), ItemFileRead::other_chunk);
    EXPECT_EQ(envelope.id, 99);
    EXPECT_EQ(envelope.keys.size(), 1u);
}

TEST_F(ItemFilesTest, HostileAndUnusableFilesAreUnreadableAndChangeNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"missing", Bytes()});
    cases.push_back({"only the form", test::form("KENV")});
    cases.push_back({"another form", [] {
                         Bytes b = test::form("KPTH");
                         b.append(chunk("ENV0", envelope_chunk_body(1, 0, 6, {{0, 5, 0, 0, 0}})));
                         return b;
                     }()});
    cases.push_back({"key count beyond the chunk",
                     envelope_file(envelope_chunk_body(1, 0, 6, {{0, 5, 0, 0, 0}}, 0x0fffffff))});
    cases.push_back({"key count one too many",
                     envelope_file(envelope_chunk_body(1, 0, 6, {{0, 5, 0, 0, 0}}, 2))});
    cases.push_back({"no keys", envelope_file(envelope_chunk_body(1, 0, 6, {}))});
    cases.push_back({"header cut", envelope_file(Bytes().u16(1).u16(0).f32(0))});
    cases.push_back({"time out of order", envelope_file(envelope_chunk_body(
                                              1, 0, 6, {{0.8f, 1, 0, 0, 0}, {0.2f, 2, 0, 0, 0}}))});
    cases.push_back(
        {"time beyond 1", envelope_file(envelope_chunk_body(1, 0, 6, {{1.5f, 1, 0, 0, 0}}))});
    cases.push_back(
        {"value not a number", envelope_file(envelope_chunk_body(1, 0, 6, {{0, nan, 0, 0, 0}}))});
    cases.push_back({"start not a number", [nan] {
                         Bytes b;
                         b.header(1, nan, 1, 0, 0).u16(6).u32(1).floats({0, 5, 0, 0, 0});
                         return envelope_file(b.u16(0).u16(0));
                     }()});
    cases.push_back({"chunk cut", [] {
                         Bytes b = envelope_file(envelope_chunk_body(1, 0, 6, {{0, 5, 0, 0, 0}}));
                         b.data.resize(b.data.size() - 3);
                         return b;
                     }()});
    for (const Case& c : cases) {
        if (!c.bytes.data.empty()) {
            test::write_file(file("bad.env"), c.bytes);
        } else {
            std::filesystem::remove(file("bad.env"));
        }
        scene::Envelope envelope;
        envelope.id = 77;
        envelope.parameter = 8;
        envelope.keys = {EnvelopeKey{0, 3, 0, 0, 0, 0, 0}, EnvelopeKey{1, 4, 0, 0, 0, 0, 0}};
        EXPECT_EQ(read_envelope_file(file("bad.env"), envelope), ItemFileRead::unreadable)
            << c.what;
        EXPECT_EQ(envelope.id, 77) << c.what;
        EXPECT_EQ(envelope.parameter, 8) << c.what;
        EXPECT_EQ(envelope.keys.size(), 2u) << c.what;
    }

    Bytes path_bytes = test::form("KPTH");
    path_bytes.append(chunk(
        "PTH0",
        Bytes().header(1, 0, 1, 2, 0).u32(3).motion({0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0)));
    test::write_file(file("bad.pth"), path_bytes);
    scene::Path path;
    EXPECT_EQ(read_path_file(file("bad.pth"), path), ItemFileRead::unreadable)
        << "three keys stated, one there";
    Bytes infinite = test::form("KPTH");
    infinite.append(chunk("PTH0", Bytes()
                                      .header(1, 0, 1, 2, 0)
                                      .u32(1)
                                      .motion({0, INFINITY, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, 0)));
    test::write_file(file("bad.pth"), infinite);
    EXPECT_EQ(read_path_file(file("bad.pth"), path), ItemFileRead::unreadable);
    EXPECT_TRUE(path.keys.empty());
}

TEST_F(ItemFilesTest, AWriteThatCannotBeMadeNamesTheFile) {
    scene::Envelope envelope;
    envelope.keys = {EnvelopeKey{0, 1, 0, 0, 0, 0, 0}, EnvelopeKey{1, 2, 0, 0, 0, 0, 0}};
    const Status no_folder = write_envelope_file(file("absent/x.env"), envelope);
    EXPECT_FALSE(no_folder.ok());
    EXPECT_NE(no_folder.error().find("absent/x.env"), std::string::npos) << no_folder.error();
    EXPECT_FALSE(std::filesystem::exists(file("absent")));
}

}  // namespace
}  // namespace kdr

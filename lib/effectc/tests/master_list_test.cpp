#include "kaleidra/effectc/master_list.h"

#include <gtest/gtest.h>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::effectc {
namespace {

TEST(MasterList, TextFormReadsGroupsInOrder) {
    GroupListResult list = read_group_list_text(
        "# comment\n"
        "group \"Turns and Flips\"\n"
        "  FlipOver CubeTurn\n"
        "  Doors\n"
        "\n"
        "group \"Pieces\"\n"
        "  Shatter\n",
        "Master.groups");
    ASSERT_TRUE(list.catalogue) << list.error;
    ASSERT_EQ(list.catalogue->size(), 2u);
    EXPECT_EQ((*list.catalogue)[0].name, "Turns and Flips");
    EXPECT_EQ((*list.catalogue)[0].effects,
              (std::vector<std::string>{"FlipOver", "CubeTurn", "Doors"}));
    EXPECT_EQ((*list.catalogue)[1].effects, (std::vector<std::string>{"Shatter"}));
}

struct BadList {
    const char* text;
    const char* error;
};

class MasterListErrors : public ::testing::TestWithParam<BadList> {};

TEST_P(MasterListErrors, NameFileAndLine) {
    GroupListResult list = read_group_list_text(GetParam().text, "m.groups");
    EXPECT_FALSE(list.catalogue);
    EXPECT_EQ(list.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MasterListErrors,
    ::testing::Values(
        BadList{"Loose\n", "m.groups:1: \"Loose\" comes before the first group"},
        BadList{"group \"A\"\ngroup \"B\"\n X\n", "m.groups:1: the group \"A\" is empty"},
        BadList{"group \"A\"\n X\ngroup \"B\"\n X\n", "m.groups:4: \"X\" is listed twice"},
        BadList{"group \"A\"\n a b c d e f g h i j k l m n o p q\n",
                "m.groups:2: the group \"A\" already holds 16 effects"},
        BadList{"group \"A\"\n ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJX\n",
                "m.groups:2: an effect name has 1 to 40 characters"},
        BadList{"group A B\n", "m.groups:1: a group line is: group \"Name\""},
        BadList{"", "m.groups:1: the list has no group"}));

TEST(MasterList, CatalogueFileHoldsGroupAndItemChunksAndReadsBack) {
    test::TempFolder folder;
    auto file = folder.path() / "Master.lst";
    Catalogue catalogue{{"Turns", {"FlipOver", "CubeTurn"}}, {"Pieces", {"Shatter"}}};
    ASSERT_EQ(write_catalogue(catalogue, file), "");

    std::vector<std::pair<std::string, std::string>> chunks_read;
    auto stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, chunks::make_id("KDRG"));
    chunks::Chunk chunk;
    while (stream.read_chunk(chunk) == chunks::ready) {
        // Each name is stored with its terminating zero.
        ASSERT_GT(chunk.length, 0u);
        EXPECT_EQ(chunk.data[chunk.length - 1], 0);
        chunks_read.emplace_back(chunks::id_to_text(chunk.id),
                                 reinterpret_cast<const char*>(chunk.data));
    }
    EXPECT_EQ(chunks_read, (std::vector<std::pair<std::string, std::string>>{{"OGRP", "Turns"},
                                                                             {"OITM", "FlipOver"},
                                                                             {"OITM", "CubeTurn"},
                                                                             {"OGRP", "Pieces"},
                                                                             {"OITM", "Shatter"}}));

    std::optional<Catalogue> back = read_catalogue(file);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].effects, catalogue[0].effects);
    EXPECT_EQ((*back)[1].name, "Pieces");
    EXPECT_FALSE(read_catalogue(folder.path() / "missing.lst"));
}

TEST(MasterList, ReadingIgnoresItemsBeforeTheFirstGroupAndForeignChunks) {
    test::TempFolder folder;
    auto file = folder.path() / "odd.lst";
    auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file,
                                                 chunks::make_id("KDRG"));
    stream.write_chunk(chunks::make_id("OITM"), 6, "Early");
    stream.write_chunk(chunks::make_id("OGRP"), 2, "G");
    stream.write_chunk(chunks::make_id("XTRA"), 3, "zz");
    stream.write_chunk(chunks::make_id("OITM"), 5, "Item");
    ASSERT_EQ(stream.close(), chunks::ready);
    std::optional<Catalogue> back = read_catalogue(file);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 1u);
    EXPECT_EQ((*back)[0].effects, (std::vector<std::string>{"Item"}));
}

}  // namespace
}  // namespace kdr::effectc

// The catalogue in memory and its files: names cut to their fields, sixteen
// items a group, the reading rules for hostile files, and writing that
// replaces a file only when all of it was written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/catalogue.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::gui {
namespace {

namespace fs = std::filesystem;
using chunks::make_id;

// A catalogue file made chunk by chunk, for files the writer would never
// produce.
struct RawChunk {
    chunks::ChunkId id;
    std::string data;
};

void write_raw(const fs::path& file, const std::vector<RawChunk>& list,
               chunks::ChunkId form = make_id("KDRG")) {
    auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, form);
    for (const RawChunk& chunk : list) {
        stream.write_chunk(chunk.id, static_cast<std::uint32_t>(chunk.data.size()),
                           chunk.data.data());
    }
    ASSERT_EQ(stream.close(), chunks::ready);
}

std::string zstr(const std::string& text) {
    return text + std::string(1, '\0');
}

TEST(CatalogueTest, CutsNamesToTheirFieldsAndHoldsSixteenItemsAGroup) {
    Catalogue catalogue;
    EXPECT_FALSE(catalogue.add_item("Orphan")) << "an item needs a group";
    catalogue.add_group(std::string(50, 'g'));
    for (int i = 0; i < 17; ++i) {
        const bool added = catalogue.add_item("Effect" + std::to_string(i) + std::string(45, 'x'));
        EXPECT_EQ(added, i < 16) << "item " << i;
    }
    ASSERT_EQ(catalogue.group_count(), 1);
    EXPECT_EQ(catalogue.groups()[0].name, std::string(41, 'g'));
    ASSERT_EQ(catalogue.groups()[0].items.size(), 16u);
    EXPECT_EQ(catalogue.groups()[0].items[0].size(), 40u);
    EXPECT_EQ(catalogue.groups()[0].items[15], ("Effect15" + std::string(45, 'x')).substr(0, 40));
    EXPECT_EQ(catalogue.item_total(), 16u);
}

TEST(CatalogueTest, FindsTheFirstItemOfANameInGroupOrder) {
    Catalogue catalogue;
    catalogue.add_group("One");
    catalogue.add_item("A");
    catalogue.add_item("B");
    catalogue.add_group("Two");
    catalogue.add_item("C");
    catalogue.add_item("B");
    EXPECT_EQ(catalogue.find("B"), (CataloguePlace{0, 1}));
    EXPECT_EQ(catalogue.find("C"), (CataloguePlace{1, 0}));
    EXPECT_FALSE(catalogue.find("b")) << "names compare exactly";
    EXPECT_FALSE(catalogue.find(""));
}

TEST(CatalogueFileTest, WritesAndReadsBackGroupsAndItemsInOrder) {
    kdr::test::TempFolder folder;
    Catalogue written;
    written.add_group("Turns");
    written.add_item("FlipOver");
    written.add_item("CubeTurn");
    written.add_group("Empty group");
    written.add_group("Pages");
    written.add_item("PageTurn");
    const fs::path file = folder.path() / "current.org";
    Status status = write_catalogue(written, file);
    ASSERT_TRUE(status.ok()) << status.error();

    Catalogue read;
    read.add_group("left over");
    ASSERT_TRUE(read_catalogue(read, file));
    EXPECT_EQ(read, written);

    // The bytes: form, then OGRP "Turns\0" first.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(bytes.substr(0, 4), "KDRG");
    EXPECT_EQ(bytes.substr(4, 4), "OGRP");
    EXPECT_EQ(bytes.substr(8, 4), std::string("\x06\0\0\0", 4));
    EXPECT_EQ(bytes.substr(12, 6), zstr("Turns"));
}

TEST(CatalogueFileTest, ReadsHostileFilesByTheRules) {
    kdr::test::TempFolder folder;
    const fs::path file = folder.path() / "odd.org";
    write_raw(file, {
                        {make_id("OITM"), zstr("BeforeAnyGroup")},
                        {make_id("OGRP"), "NoTerminator"},
                        {make_id("XTRA"), "skipped"},
                        {make_id("OITM"), std::string(60, 'n')},
                        {make_id("OITM"), std::string("Cut\0Rest", 8)},
                        {make_id("OITM"), ""},
                        {make_id("OGRP"), zstr(std::string(70, 'G'))},
                    });
    Catalogue catalogue;
    ASSERT_TRUE(read_catalogue(catalogue, file));
    ASSERT_EQ(catalogue.group_count(), 2);
    EXPECT_EQ(catalogue.groups()[0].name, "NoTerminator");
    EXPECT_EQ(catalogue.groups()[0].items,
              (std::vector<std::string>{std::string(40, 'n'), "Cut", ""}));
    EXPECT_EQ(catalogue.groups()[1].name, std::string(41, 'G'));
    EXPECT_TRUE(catalogue.groups()[1].items.empty());
}

TEST(CatalogueFileTest, ACutFileKeepsWhatCameBeforeTheCutAndFails) {
    kdr::test::TempFolder folder;
    const fs::path file = folder.path() / "cut.org";
    write_raw(file, {{make_id("OGRP"), zstr("Kept")},
                     {make_id("OITM"), zstr("One")},
                     {make_id("OITM"), zstr("Two")}});
    // Cut the last chunk in half: its length now lies.
    fs::resize_file(file, fs::file_size(file) - 2);
    Catalogue catalogue;
    EXPECT_FALSE(read_catalogue(catalogue, file));
    ASSERT_EQ(catalogue.group_count(), 1);
    EXPECT_EQ(catalogue.groups()[0].items, std::vector<std::string>{"One"});
}

TEST(CatalogueFileTest, AMissingOrForeignFileReadsNothing) {
    kdr::test::TempFolder folder;
    Catalogue catalogue;
    catalogue.add_group("stale");
    EXPECT_FALSE(read_catalogue(catalogue, folder.path() / "missing.org"));
    EXPECT_TRUE(catalogue.empty());

    const fs::path foreign = folder.path() / "foreign.org";
    write_raw(foreign, {{make_id("OGRP"), zstr("Group")}}, make_id("KDRE"));
    catalogue.add_group("stale");
    EXPECT_FALSE(read_catalogue(catalogue, foreign));
    EXPECT_TRUE(catalogue.empty());
}

TEST(CatalogueFileTest, AFailedWriteLeavesTheOldFile) {
    kdr::test::TempFolder folder;
    const fs::path file = folder.path() / "current.org";
    Catalogue old;
    old.add_group("Old");
    old.add_item("Kept");
    ASSERT_TRUE(write_catalogue(old, file).ok());

    Catalogue fresh;
    fresh.add_group("New");
    Status missing_folder = write_catalogue(fresh, folder.path() / "no-such-folder" / "x.org");
    EXPECT_FALSE(missing_folder.ok());
    EXPECT_NE(missing_folder.error().find("no-such-folder"), std::string::npos)
        << missing_folder.error();

    Catalogue read;
    ASSERT_TRUE(read_catalogue(read, file));
    EXPECT_EQ(read, old);
}

TEST(CatalogueFileTest, AMemoryBlockReadsBackAsTheCatalogue) {
    Catalogue written;
    written.add_group("G");
    written.add_item("I");
    const std::vector<std::uint8_t> block = catalogue_to_block(written);
    ASSERT_FALSE(block.empty());
    auto stream =
        chunks::ChunkStream::open_memory_reader(block.data(), block.size(), catalogue_form);
    Catalogue read;
    EXPECT_TRUE(read_catalogue(read, stream));
    EXPECT_EQ(read, written);
}

}  // namespace
}  // namespace kdr::gui

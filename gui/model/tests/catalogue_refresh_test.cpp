// The refresh of the current catalogue at the library's first use, against
// installation folders made for each case.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/catalogue_refresh.h"
#include "kaleidra/gui/testing/test_installation.h"

namespace kdr::gui {
namespace {

namespace fs = std::filesystem;
using test::InstallationContents;
using test::TestInstallation;
using test::write_effect_file;

struct MasterGroup {
    std::string name;
    std::vector<std::string> items;
};

class CatalogueRefreshTest : public ::testing::Test {
  protected:
    CatalogueRefreshTest() : install(InstallationContents{.shipped_effects = false}) {}

    void effect(const std::string& file_name, std::uint32_t allow = 1,
                const char* stored_name = nullptr) {
        write_effect_file(install.folder("EFFECTS") / (file_name + ".KDR"),
                          stored_name != nullptr ? stored_name : file_name.c_str(), allow);
    }

    void master(const std::vector<MasterGroup>& groups) {
        Catalogue catalogue;
        for (const MasterGroup& group : groups) {
            catalogue.add_group(group.name);
            for (const std::string& item : group.items) {
                catalogue.add_item(item);
            }
        }
        ASSERT_TRUE(write_catalogue(catalogue, install.folder("EFFECTS") / "Master.lst").ok());
    }

    Catalogue current() const {
        Catalogue catalogue;
        EXPECT_TRUE(read_catalogue(catalogue, install.folder("orgs") / "current.org"));
        return catalogue;
    }

    static std::vector<MasterGroup> groups_of(const Catalogue& catalogue) {
        std::vector<MasterGroup> groups;
        for (const CatalogueGroup& group : catalogue.groups()) {
            groups.push_back({group.name, group.items});
        }
        return groups;
    }

    TestInstallation install;
};

bool operator==(const MasterGroup& a, const MasterGroup& b) {
    return a.name == b.name && a.items == b.items;
}

void PrintTo(const MasterGroup& group, std::ostream* out) {
    *out << "\"" << group.name << "\" {";
    for (const std::string& item : group.items) {
        *out << " " << item;
    }
    *out << " }";
}

TEST_F(CatalogueRefreshTest, KeepsTheUsableInstalledEffectsInMasterOrder) {
    effect("Alpha");
    effect("Beta", 0);   // bit 0 clear: not listed
    effect("Gamma", 3);  // bit 0 set among others
    effect("Delta", 2);
    effect("Renamed", 1, "Shown Name");
    master({{"First", {"Gamma", "Missing", "Alpha", "Beta"}},
            {"Hidden", {"Beta", "Delta", "AlsoMissing"}},
            {"Last", {"Renamed"}}});

    EXPECT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    EXPECT_EQ(groups_of(current()),
              (std::vector<MasterGroup>{{"First", {"Gamma", "Alpha"}}, {"Last", {"Shown Name"}}}));
    EXPECT_EQ(install.number(effect_count_value), 5u);
}

TEST_F(CatalogueRefreshTest, RunsAgainOnlyWhenTheEffectFilesChangeInNumber) {
    effect("Alpha");
    master({{"Group", {"Alpha", "Beta"}}});
    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    EXPECT_EQ(refresh_catalogue(), RefreshResult::up_to_date);

    effect("Beta");
    EXPECT_TRUE(check_catalogue().needed);
    EXPECT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    EXPECT_EQ(groups_of(current()), (std::vector<MasterGroup>{{"Group", {"Alpha", "Beta"}}}));
    EXPECT_EQ(install.number(effect_count_value), 2u);

    // A lost current list is made again even when the count matches.
    fs::remove(install.folder("orgs") / "current.org");
    EXPECT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
}

TEST_F(CatalogueRefreshTest, CountsEffectFilesOfAnyCaseAndNothingElse) {
    effect("Alpha");
    write_effect_file(install.folder("EFFECTS") / "lower.kdr", "lower", 1);
    write_effect_file(install.folder("EFFECTS") / "Master.lst", "x", 1);
    fs::create_directory(install.folder("EFFECTS") / "folder.kdr");
    EXPECT_EQ(count_effect_files(), 2u);
}

TEST_F(CatalogueRefreshTest, SeventeenMasterItemsKeepTheFirstSixteen) {
    // The writer never puts more than sixteen items in a group: write the
    // master list chunk by chunk.
    auto stream = chunks::ChunkStream::open_file(
        chunks::ChunkMode::write_file, install.folder("EFFECTS") / "Master.lst", catalogue_form);
    stream.write_chunk(chunks::make_id("OGRP"), 5, "Many");
    std::vector<std::string> names;
    for (int i = 0; i < 17; ++i) {
        names.push_back("Effect" + std::to_string(i));
        effect(names.back());
        stream.write_chunk(chunks::make_id("OITM"),
                           static_cast<std::uint32_t>(names.back().size() + 1),
                           names.back().c_str());
    }
    ASSERT_EQ(stream.close(), chunks::ready);

    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    EXPECT_EQ(groups_of(current()),
              (std::vector<MasterGroup>{
                  {"Many", std::vector<std::string>(names.begin(), names.begin() + 16)}}));
    EXPECT_EQ(install.number(effect_count_value), 17u);
}

TEST_F(CatalogueRefreshTest, AnUnreadableMasterListChangesNothing) {
    effect("Alpha");
    master({{"Group", {"Alpha"}}});
    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    effect("Beta");
    fs::resize_file(install.folder("EFFECTS") / "Master.lst", 10);  // cut inside a chunk

    EXPECT_EQ(refresh_catalogue(), RefreshResult::master_unreadable);
    EXPECT_EQ(groups_of(current()), (std::vector<MasterGroup>{{"Group", {"Alpha"}}}));
    EXPECT_EQ(install.number(effect_count_value), 1u);
    EXPECT_TRUE(check_catalogue().needed) << "the next start tries again";
}

TEST_F(CatalogueRefreshTest, ACurrentListThatCannotBeWrittenLeavesTheCountUnwritten) {
    effect("Alpha");
    master({{"Group", {"Alpha"}}});
    fs::remove_all(install.folder("orgs"));
    // A file where the folder should be: the list cannot be written.
    { std::ofstream(install.folder("orgs")) << "in the way"; }
    bool ran = false;
    EXPECT_EQ(refresh_catalogue([&](const RebuildWork& work) { ran = true, work({}); }),
              RefreshResult::write_failed);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(install.number(effect_count_value).has_value());
}

TEST_F(CatalogueRefreshTest, TheRunnerSeesProgressOverEveryMasterItem) {
    effect("Alpha");
    effect("Beta");
    master({{"One", {"Alpha", "Gone"}}, {"Two", {"Beta"}}});
    std::vector<std::pair<std::size_t, std::size_t>> steps;
    EXPECT_EQ(refresh_catalogue([&](const RebuildWork& work) {
                  EXPECT_TRUE(work([&](std::size_t done, std::size_t total) {
                      steps.emplace_back(done, total);
                  }));
              }),
              RefreshResult::rebuilt);
    EXPECT_EQ(steps,
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
}

TEST_F(CatalogueRefreshTest, AnEffectWithoutAStoredNameKeepsItsFileName) {
    write_effect_file(install.folder("EFFECTS") / "Nameless.KDR", nullptr, 1);
    master({{"Group", {"Nameless"}}});
    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    EXPECT_EQ(groups_of(current()), (std::vector<MasterGroup>{{"Group", {"Nameless"}}}));
}

TEST(ShippedCatalogueTest, EveryShippedEffectIsListedInMasterOrder) {
    TestInstallation install;
    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    Catalogue master;
    ASSERT_TRUE(read_catalogue(master, install.folder("EFFECTS") / "Master.lst"));
    Catalogue current;
    ASSERT_TRUE(read_catalogue(current, install.folder("orgs") / "current.org"));
    EXPECT_EQ(current, master);
    EXPECT_EQ(install.number(effect_count_value), count_effect_files());
    EXPECT_EQ(count_effect_files(), master.item_total());
}

}  // namespace
}  // namespace kdr::gui

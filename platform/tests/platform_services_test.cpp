#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/dynamic_library.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/platform/local_time.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::platform {
namespace {

TEST(AtomicFile, ReplacesContentsAndLeavesNoTemporaryFiles) {
    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "data.txt";
    ASSERT_TRUE(write_file_atomically(file, "first").ok());
    ASSERT_TRUE(write_file_atomically(file, "second, longer").ok());
    EXPECT_EQ(*read_whole_file(file), "second, longer");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, AbandonedWriteKeepsTheOldFile) {
    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "data.txt";
    ASSERT_TRUE(write_file_atomically(file, "precious").ok());
    {
        AtomicFileWriter writer(file);
        ASSERT_TRUE(writer.open().ok());
        ASSERT_TRUE(writer.write("half", 4).ok());
    }
    EXPECT_EQ(*read_whole_file(file), "precious");
}

TEST(AtomicFile, MissingFolderGivesAnErrorNamingTheFile) {
    Status status = write_file_atomically("/nonexistent-folder/x/file", "x");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("/nonexistent-folder/x/file"), std::string::npos);
    Result<std::string> read = read_whole_file("/nonexistent-folder/x/file");
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("cannot open"), std::string::npos);
}

TEST(FolderCase, FindsEntriesWhateverTheirCase) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder.path() / "Effects");
    std::ofstream(folder.path() / "Effects" / "Ballsplt.kdr") << "x";
    EXPECT_EQ(resolve_entry(folder.path(), "EFFECTS"), folder.path() / "Effects");
    EXPECT_EQ(resolve_entry(folder.path(), "Effects"), folder.path() / "Effects");
    EXPECT_EQ(resolve_below(folder.path(), "EFFECTS/BALLSPLT.KDR"),
              folder.path() / "Effects" / "Ballsplt.kdr");
    // Nothing matches: the name is kept as asked.
    EXPECT_EQ(resolve_entry(folder.path(), "LIBS"), folder.path() / "LIBS");
    EXPECT_EQ(resolve_entry(folder.path() / "missing", "x"), folder.path() / "missing" / "x");
}

TEST(FolderCase, ExactMatchWinsOverOtherSpellings) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder.path() / "work");
    std::filesystem::create_directory(folder.path() / "Work");
    EXPECT_EQ(resolve_entry(folder.path(), "Work"), folder.path() / "Work");
    EXPECT_EQ(resolve_entry(folder.path(), "WORK"), folder.path() / "Work");  // sorted first
}

TEST(LocalTime, FieldsAreInTheirRanges) {
    LocalTime now = local_time_now();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
    EXPECT_LE(now.millisecond, 999);
    EXPECT_LE(now.day_of_week, 6);
}

TEST(MessageBox, HandlerInterceptsAndDefaultComesBack) {
    std::string seen_title, seen_text;
    MessageBoxHandler previous = set_message_box_handler(
        [&](const std::string& title, const std::string& text, MessageKind) {
            seen_title = title;
            seen_text = text;
            return MessageAnswer::yes;
        });
    EXPECT_EQ(show_message_box("File Error", "Cannot open x", MessageKind::question),
              MessageAnswer::yes);
    EXPECT_EQ(seen_title, "File Error");
    EXPECT_EQ(seen_text, "Cannot open x");
    set_message_box_handler(previous);
    testing::internal::CaptureStderr();
    EXPECT_EQ(show_message_box("Render Error", "no engine", MessageKind::question),
              MessageAnswer::no);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Render Error: no engine\n");
}

TEST(DynamicLibrary, LoadsAndLooksUpSymbols) {
    Result<DynamicLibrary> library = DynamicLibrary::open(KALEIDRA_TEST_LIBRARY);
    ASSERT_TRUE(library.ok()) << library.error();
    using Answer = int (*)();
    auto answer = reinterpret_cast<Answer>(library->symbol("kdr_test_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library->symbol("no_such_symbol"), nullptr);
    DynamicLibrary moved = std::move(*library);
    EXPECT_TRUE(moved.loaded());
    EXPECT_FALSE(library->loaded());
    moved.release();
    EXPECT_EQ(moved.symbol("kdr_test_answer"), nullptr);
}

TEST(DynamicLibrary, MissingFileGivesAnErrorNamingIt) {
    Result<DynamicLibrary> library = DynamicLibrary::open("/nonexistent/Rnd_Missing.so");
    ASSERT_FALSE(library.ok());
    EXPECT_NE(library.error().find("Rnd_Missing.so"), std::string::npos);
}

}  // namespace
}  // namespace kdr::platform

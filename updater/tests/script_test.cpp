#include <gtest/gtest.h>

#include <limits>

#include "kaleidra/updater/script.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

using testing::crlf_lines;

const FolderValues folders{"/x/Kal", "/etc/xdg", "/usr/local/lib"};

Script parse(const std::string& text, const FolderValues& values = folders) {
    Result<Script> script = parse_script(text, [&](const std::string&) { return values; });
    EXPECT_TRUE(script.ok()) << (script.ok() ? "" : script.error());
    return script.ok() ? *script : Script{};
}

std::string header(int count) {
    return crlf_lines(
        {"Software\\Talvane\\Kaleidra\\3.0", "3", "Kaleidra 3.0.9", std::to_string(count)});
}

TEST(ScriptParser, ReadsTheHeaderAndOneRecordPerCommandLine) {
    Script script = parse(
        header(3) + crlf_lines({"C,{KDRDIR}/,plugin.dll", "D,/opt/old.so", "K,S,Version,3.0.9"}));
    EXPECT_EQ(script.key, "Software\\Talvane\\Kaleidra\\3.0");
    EXPECT_EQ(script.number, 3);
    EXPECT_EQ(script.text, "Kaleidra 3.0.9");
    EXPECT_EQ(script.declared_count, 3);
    ASSERT_EQ(script.records.size(), 3u);
    EXPECT_EQ(script.records[0].letter, 'C');
    EXPECT_EQ(script.records[0].arguments, (std::vector<std::string>{"/x/Kal/", "plugin.dll"}));
    EXPECT_EQ(script.records[1].letter, 'D');
    EXPECT_EQ(script.records[1].arguments, (std::vector<std::string>{"/opt/old.so"}));
    EXPECT_EQ(script.records[2].arguments, (std::vector<std::string>{"S", "Version", "3.0.9"}));
    EXPECT_EQ(script.records[2].line, "K,S,Version,3.0.9");
}

TEST(ScriptParser, OnlyCrLfEndsALine) {
    // The last line lacks CR LF and is lost; a bare LF or CR is part of a line.
    Script script = parse(header(5) + "D,a\nD,b\r\n" + "D,c\rx\r\n" + "D,lost");
    ASSERT_EQ(script.records.size(), 2u);
    EXPECT_EQ(script.records[0].arguments, (std::vector<std::string>{"a\nD", "b"}));
    EXPECT_EQ(script.records[1].arguments, (std::vector<std::string>{"c\rx"}));
    EXPECT_EQ(script.ignored_bytes, 6u);

    Script unix_lines = parse("Key\n3\ntext\n1\nD,a\n");
    EXPECT_TRUE(unix_lines.key.empty());
    EXPECT_FALSE(unix_lines.header_complete);
    EXPECT_TRUE(unix_lines.records.empty());
}

TEST(ScriptParser, RunsOfCommasCountAsOne) {
    Script script =
        parse(header(3) + crlf_lines({"C,,,{KDRDIR}/,,plugin.dll,,", ",,D,x", "K,S,,Name,,v"}));
    EXPECT_EQ(script.records[0].arguments, (std::vector<std::string>{"/x/Kal/", "plugin.dll"}));
    // The second character is a comma, so the line is parsed; the leading
    // commas make no field, so the letter comes from "D".
    EXPECT_EQ(script.records[1].letter, 'D');
    EXPECT_EQ(script.records[1].arguments, (std::vector<std::string>{"x"}));
    EXPECT_EQ(script.records[2].arguments, (std::vector<std::string>{"S", "Name", "v"}));
}

TEST(ScriptParser, ShortOrCommalessLinesLeaveEmptyRecords) {
    Script script = parse(header(6) + crlf_lines({"C", "C,", "", "CX,a,b", ",,,,", ",C,a"}));
    ASSERT_EQ(script.records.size(), 6u);
    for (const CommandRecord& record : script.records) {
        EXPECT_EQ(record.letter, 0) << "line \"" << record.line << "\"";
        EXPECT_TRUE(record.arguments.empty()) << "line \"" << record.line << "\"";
    }
}

struct ExpansionCase {
    const char* field;
    const char* expected;
};

class MacroExpansion : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(MacroExpansion, ReplacesKnownGroupsAndDropsOthers) {
    Script script = parse(header(1) + crlf_lines({std::string("D,") + GetParam().field}));
    ASSERT_EQ(script.records.size(), 1u);
    EXPECT_EQ(script.records[0].argument(0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ScriptParser, MacroExpansion,
    ::testing::Values(ExpansionCase{"{KDRDIR}/a", "/x/Kal/a"},
                      ExpansionCase{"{WINDIR}/kaleidra.conf", "/etc/xdg/kaleidra.conf"},
                      ExpansionCase{"{SYSDIR}/frei0r-1/x.so", "/usr/local/lib/frei0r-1/x.so"},
                      ExpansionCase{"{KDRDIR}{SYSDIR}", "/x/Kal/usr/local/lib"},
                      ExpansionCase{"{kdrdir}/a", "/a"},          // exact case only
                      ExpansionCase{"{TEMP}/a", "/a"},            // unknown groups vanish
                      ExpansionCase{"{KDRDIRX}/a", "/a"},         // eight characters decide
                      ExpansionCase{"{KDRDIR}x}y", "/x/Kalx}y"},  // first "}" closes
                      ExpansionCase{"a{KDRDIR", "a"},             // unclosed: rest dropped
                      ExpansionCase{"a{", "a"}, ExpansionCase{"}{}", "}"}));

TEST(ScriptParser, LinesBeyondTheDeclaredCountAreIgnored) {
    Script script = parse(header(2) + crlf_lines({"D,a", "D,b", "D,c", "D,d"}));
    EXPECT_EQ(script.records.size(), 2u);
    EXPECT_EQ(script.ignored_lines, 2u);

    // A huge count allocates nothing for lines that are not there.
    Script huge = parse(header(std::numeric_limits<std::int32_t>::max()) + crlf_lines({"D,a"}));
    EXPECT_EQ(huge.records.size(), 1u);

    Script negative = parse(header(-5) + crlf_lines({"D,a"}));
    EXPECT_TRUE(negative.records.empty());
    EXPECT_EQ(negative.ignored_lines, 1u);
}

TEST(ScriptParser, AsksForTheFoldersOnceWithTheFirstLinesKey) {
    std::vector<std::string> asked;
    auto fetch = [&](const std::string& key) {
        asked.push_back(key);
        return folders;
    };
    ASSERT_TRUE(parse_script(header(1) + crlf_lines({"D,{KDRDIR}"}), fetch).ok());
    EXPECT_EQ(asked, (std::vector<std::string>{"Software\\Talvane\\Kaleidra\\3.0"}));

    asked.clear();
    ASSERT_TRUE(parse_script(crlf_lines({"Key only"}), fetch).ok());
    EXPECT_TRUE(asked.empty());
}

TEST(ScriptParser, MarksCommandsNamingAnUnknownInstallationFolder) {
    FolderValues unknown{std::nullopt, "/etc/xdg", "/usr/local/lib"};
    Script script =
        parse(header(3) + crlf_lines({"C,{KDRDIR}/,plugin.dll", "C,{WINDIR}/,a.conf", "D,{KDRDIR"}),
              unknown);
    EXPECT_TRUE(script.records[0].needs_installation);
    EXPECT_EQ(script.records[0].argument(0), "/");
    EXPECT_FALSE(script.records[1].needs_installation);
    // "{KDRDIR" has no closing brace but its eight characters do not match.
    EXPECT_FALSE(script.records[2].needs_installation);
}

TEST(ScriptParser, RefusesAScriptWhoseArgumentsExpandBeyondTheLimit) {
    std::string line = "D";
    for (int i = 0; i < 200; ++i) {
        line += ",{KDRDIR}";
    }
    FolderValues long_folder{std::string(1000, 'k'), "", ""};
    ParseLimits limits;
    limits.expanded_bytes = 100000;
    Result<Script> script = parse_script(
        header(1) + crlf_lines({line}), [&](const std::string&) { return long_folder; }, limits);
    ASSERT_FALSE(script.ok());
    EXPECT_NE(script.error().find("100000"), std::string::npos);

    limits.expanded_bytes = 200000;
    EXPECT_TRUE(
        parse_script(
            header(1) + crlf_lines({line}), [&](const std::string&) { return long_folder; }, limits)
            .ok());
}

TEST(DecimalNumbers, ReadLikeTheOldRuntime) {
    EXPECT_EQ(parse_decimal("12"), 12);
    EXPECT_EQ(parse_decimal("  -7x"), -7);
    EXPECT_EQ(parse_decimal("+5"), 5);
    EXPECT_EQ(parse_decimal("abc"), 0);
    EXPECT_EQ(parse_decimal(""), 0);
    EXPECT_EQ(parse_decimal("-"), 0);
    EXPECT_EQ(parse_decimal("2147483647"), 2147483647);
    EXPECT_EQ(parse_decimal("2147483648"), 2147483647);
    EXPECT_EQ(parse_decimal("99999999999999999999999"), 2147483647);
    EXPECT_EQ(parse_decimal("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parse_decimal("-99999999999999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace kdr::updater

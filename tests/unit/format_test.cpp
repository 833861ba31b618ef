// SPDX-License-Identifier: Apache-2.0
// Tests of the map file's line rules: raw lines, normalisation, headers and line kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locmapfile/Format.h"
#include "support/TestSupport.h"

namespace {

using namespace locmap50::mapfile;

std::vector<std::string> rawLines(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    for (std::string line; readRawLine(text, position, line);) lines.push_back(line);
    return lines;
}

TEST(FormatReadRawLine, LfAndCrLfReadAlike) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(rawLines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(rawLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(rawLines("\r\n\n"), (Lines{"", ""}));
    EXPECT_EQ(rawLines(""), Lines{});
    // A CR elsewhere is part of the line.
    EXPECT_EQ(rawLines("a\rb\n\r\rc\r\n"), (Lines{"a\rb", "\r\rc"}));
    EXPECT_EQ(rawLines("last\r"), (Lines{"last\r"}));
}

struct NormaliseCase {
    std::string raw;
    bool kept;
    std::string normalised;
};

TEST(FormatNormaliseLine, AppliesTheStepsInOrder) {
    const NormaliseCase cases[] = {
        {"C:/tools/bin", true, "C:\\tools/bin"},  // only the drive separator changes here
        {"1:/x", true, "1:\\x"},
        {"  C:/x", true, "C:/x"},  // the drive fix looks at the raw line
        {"", false, ""},
        {" \t \t", false, ""},
        {"# comment", false, ""},
        {"   # note", true, ""},  // indented comment: kept, then empty
        {"\v", true, ""},         // not blank or tab, so not skipped
        {"$TOOLS # where the tools live", true, "$TOOLS"},
        {"\t D:\\with blanks\\in it \f\r", true, "D:\\with blanks\\in it"},
        {"C:#x", true, "C:"},
    };
    for (const NormaliseCase &c : cases) {
        std::string line = c.raw;
        EXPECT_EQ(normaliseLine(line), c.kept) << '"' << c.raw << '"';
        if (c.kept) EXPECT_EQ(line, c.normalised) << '"' << c.raw << '"';
    }
}

// The raw text is classified first: under the POSIX style a POSIX path is
// kept as written; the drive fix is the same as ever under the Windows style.
TEST(FormatNormaliseLine, APosixPathIsNoDriveUnderThePosixStyle) {
    using locmap50::paths::PathStyle;
    const struct {
        const char *raw;
        const char *windows, *posix;
    } cases[] = {
        {"/:/", "/:\\", "/:/"},
        {"/:/x # n", "/:\\x", "/:/x"},
        {"C:/x", "C:\\x", "C:\\x"},
        {"//:/", "//:/", "//:/"},
    };
    for (const auto &c : cases) {
        std::string windows = c.raw, posix = c.raw;
        ASSERT_TRUE(normaliseLine(windows, PathStyle::Windows) && normaliseLine(posix, PathStyle::Posix));
        EXPECT_EQ(windows, c.windows) << c.raw;
        EXPECT_EQ(posix, c.posix) << c.raw;
    }
    std::string line = "/:/";
    normaliseLine(line, PathStyle::Posix);
    EXPECT_EQ(classifyLine(line, PathStyle::Posix), LineKind::HardPath);
    EXPECT_EQ(classifyLine("/:\\", PathStyle::Windows), LineKind::ParseError);
}

// A path line with a comment and a CR LF, then a comment line, as a load reads them.
TEST(FormatReadRawLine, ReadsAndNormalisesLinesAsTheLoadDoes) {
    std::size_t position = 0;
    std::string line;
    ASSERT_TRUE(readRawLine("C:/x  # c\r\n# only\n", position, line));
    EXPECT_TRUE(normaliseLine(line));
    EXPECT_EQ(line, "C:\\x");
    ASSERT_TRUE(readRawLine("C:/x  # c\r\n# only\n", position, line));
    EXPECT_FALSE(normaliseLine(line));
}

TEST(FormatTrimWhiteSpace, TrimsEveryWhiteSpaceCharacterButNotHighBytes) {
    std::string text = " \t\n\v\f\rx y\r\f\v\n\t ";
    trimWhiteSpace(text);
    EXPECT_EQ(text, "x y");
    text = " \t ";
    trimWhiteSpace(text);
    EXPECT_EQ(text, "");
    text = "\xa0x\xa0";
    trimWhiteSpace(text);
    EXPECT_EQ(text, "\xa0x\xa0");
}

struct HeaderCase {
    std::string line;
    bool valid;
    std::string version;
    bool force;
};

TEST(FormatParseHeader, MagicsAndTheForceForm) {
    const HeaderCase cases[] = {
        {"ZOR_LOCATION_MAP_1", true, "1", false},
        {"ZOR_LOCATION_MAP_2", true, "2", false},
        {"ZOR_LOCATION_MAP_2 force", true, "", true},
        {"ZOR_LOCATION_MAP_1\t  force", true, "", true},
        {"ZOR_LOCATION_MAP_ force", true, "", true},  // what the writer produces
        {"ABCDEFGHIJKLMNOPQRforce", true, "", true},  // the first 18 are not checked
        {"ZOR_LOCATION_MAP_3", false, "", false},
        {"ZOR_LOCATION_MAP_2x", false, "", false},
        {"ZOR_LOCATION_MAP_2 Force", false, "", false},
        {"ZOR_LOCATION_MAP_2 force x", false, "", false},
        {"zor_location_map_2", false, "", false},
        {"\xEF\xBB\xBFZOR_LOCATION_MAP_2", false, "", false},  // a byte order mark
        {"force", false, "", false},
        {"", false, "", false},
    };
    for (const HeaderCase &c : cases) {
        const Header header = parseHeader(c.line);
        EXPECT_EQ(header.valid, c.valid) << c.line;
        EXPECT_EQ(header.version, c.version) << c.line;
        EXPECT_EQ(header.force, c.force) << c.line;
    }
}

TEST(FormatHeaderText, WritesAHeaderThatReadsBack) {
    EXPECT_EQ(headerText("2", ForceMode::Off), "ZOR_LOCATION_MAP_2\n\n");
    EXPECT_EQ(headerText("1", ForceMode::Off), "ZOR_LOCATION_MAP_1\n\n");
    EXPECT_EQ(headerText("", ForceMode::On), "ZOR_LOCATION_MAP_ force\n\n");
    const Header header = parseHeader("ZOR_LOCATION_MAP_ force");
    EXPECT_TRUE(header.valid && header.force && header.version.empty());
}

TEST(FormatClassifyLine, FirstMatchingRuleWins) {
    const std::pair<std::string, LineKind> cases[] = {
        {"$A", LineKind::SoftPrefix},
        {"$1ABC", LineKind::SoftPrefix},  // a bad soft prefix is still a soft prefix line
        {"$A C:\\x", LineKind::SoftPrefix},
        {"$", LineKind::ParseError},
        {"C:\\x", LineKind::HardPath},
        {"z:\\", LineKind::HardPath},
        {"\\\\server\\share", LineKind::HardPath},
        {"\\\\", LineKind::HardPath},
        {"//server/share", LineKind::ParseError},
        {"/opt/Eda Tools", testsupport::onWindows() ? LineKind::ParseError : LineKind::HardPath},
        {"/", testsupport::onWindows() ? LineKind::ParseError : LineKind::HardPath},
        {"c:tools", LineKind::ParseError},
        {"C:/x", LineKind::ParseError},  // normalisation turns this into C:\x first
        {"tools\\bin", LineKind::ParseError},
        {"\\x", LineKind::ParseError},
        {"INCLUDE a.map", LineKind::Include},
        {"INCLUDE\tC:/maps/site map.txt", LineKind::Include},
        {"INCLUDE", LineKind::ParseError},
        {"INCLUDEX a.map", LineKind::ParseError},
        {"include a.map", LineKind::ParseError},
        {"", LineKind::ParseError},
    };
    for (const auto &[line, kind] : cases) EXPECT_EQ(classifyLine(line), kind) << line;
}

TEST(FormatSoftPrefix, LetterThenLettersDigitsOrUnderscore) {
    for (const char *valid : {"$CURRENT_PROJECT_PATH", "$A1_b", "$a", "$Z_"})
        EXPECT_TRUE(isValidSoftPrefix(valid)) << valid;
    for (const char *invalid : {"$1ABC", "$_A", "$A-B", "$A.B", "$A C:\\x", "$", "A", "$A\xe9"})
        EXPECT_FALSE(isValidSoftPrefix(invalid)) << invalid;
}

TEST(FormatIncludePath, TextAfterTheKeywordTrimmedAsWritten) {
    EXPECT_EQ(includePath("INCLUDE\t  C:/maps/site map.txt"), "C:/maps/site map.txt");
    EXPECT_EQ(includePath("INCLUDE a.map"), "a.map");
}

}  // namespace

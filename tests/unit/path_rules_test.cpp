// The pure path rules: URL test, slash conversion, absolute test, joining,
// hard path lists, the component-boundary match, current-directory resolution,
// UNC roots, directory splits and the names a save makes beside its file.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"

namespace paths = locmap50::paths;

TEST(PathRules, UrlNeedsSchemeAndColonInAnyCase) {
    EXPECT_TRUE(paths::isUrl("http:"));
    EXPECT_TRUE(paths::isUrl("HTTP://host/a"));
    EXPECT_TRUE(paths::isUrl("Ftp:"));
    EXPECT_FALSE(paths::isUrl("http"));
    EXPECT_FALSE(paths::isUrl("ftp"));
    EXPECT_FALSE(paths::isUrl("https://host"));  // fifth character is not a colon
    EXPECT_FALSE(paths::isUrl("file:x"));
    EXPECT_FALSE(paths::isUrl(""));
}

TEST(PathRules, SlashesBecomeBackslashesAndBack) {
    EXPECT_EQ(paths::toBackslashes("C:/a//b\\c"), "C:\\a\\\\b\\c");
    EXPECT_EQ(paths::toForwardSlashes("\\\\srv\\a/b\\"), "//srv/a/b/");
}

TEST(PathRules, AbsoluteOnlyForDriveBackslashOrTwoBackslashes) {
    const struct {
        const char *path;
        bool absolute;
    } cases[] = {
        {"C:\\", true},       {"z:\\x", true},  {"\\\\server\\share", true}, {"\\\\", true},
        {"C:", false},        {"C:x", false},   {"C:/x", false},             {"\\x", false},
        {"/x", false},        {"", false},      {"\\", false},               {"$P\\x", false},
        {"1:\\x", false},     {"a", false},
    };
    for (const auto &c : cases) EXPECT_EQ(paths::isAbsolute(c.path), c.absolute) << c.path;
}

TEST(PathRules, MergeDropsOneTrailingBackslashOnly) {
    const struct {
        const char *hard, *rest, *merged;
    } cases[] = {
        {"D:\\p\\", "\\sub", "D:\\p\\sub"},
        {"D:\\p", "\\sub", "D:\\p\\sub"},
        {"D:\\p\\\\", "\\sub", "D:\\p\\\\sub"},
        {"D:\\p", "sub", "D:\\psub"},
        {"", "\\x", "\\x"},
        {"D:\\p\\", "", "D:\\p"},
    };
    for (const auto &c : cases) {
        std::string hard = c.hard;
        paths::mergePaths(hard, c.rest);
        EXPECT_EQ(hard, c.merged) << c.hard << " + " << c.rest;
    }
}

TEST(PathRules, HardPathListsSplitAtBackquotesAndJoinBack) {
    EXPECT_EQ(paths::splitHardPathList("C:\\a`D:\\b`"), (std::list<std::string>{"C:\\a", "D:\\b"}));
    EXPECT_EQ(paths::splitHardPathList("C:\\a``tail"), (std::list<std::string>{"C:\\a", ""}));
    EXPECT_TRUE(paths::splitHardPathList("no backquote").empty());
    EXPECT_EQ(paths::joinHardPathList({"C:\\a", "D:\\b"}), "C:\\a`D:\\b`");
    EXPECT_EQ(paths::joinHardPathList({}), "");
}

TEST(PathRules, LiesUnderHardPathOnComponentBoundariesIgnoringCase) {
    const struct {
        const char *hard, *path;
        bool under;
        const char *tail;
    } cases[] = {
        {"C:\\proj", "c:\\PROJ\\lib\\x.v", true, "\\lib\\x.v"},
        {"C:\\proj", "C:\\proj", true, ""},
        {"C:\\proj", "C:\\proj\\", true, "\\"},
        {"C:\\proj\\", "C:\\proj", true, ""},
        {"C:\\proj\\", "C:\\proj\\a", true, "\\a"},
        {"C:\\proj", "C:\\project\\x", false, ""},
        {"C:\\proj", "C:\\pro", false, ""},
        {"C:\\proj", "C:/proj/a", false, ""},  // "/" is not "\"
        {"C:\\", "C:\\a", true, "\\a"},
        {"\\\\", "\\\\server\\x", true, "\\\\server\\x"},  // base "\" keeps its separator
        {"C:\\\\", "C:\\\\a", true, "\\\\a"},
        {"C:\\\\", "C:\\a", true, "\\a"},
        {"", "C:\\a", false, ""},
        {"\\", "\\\\a", false, ""},
    };
    for (const auto &c : cases) {
        std::string tail = "untouched";
        EXPECT_EQ(paths::liesUnderHardPath(c.hard, c.path, tail), c.under) << c.hard << " / " << c.path;
        EXPECT_EQ(tail, c.under ? c.tail : "untouched") << c.hard << " / " << c.path;
    }
}

TEST(PathRules, DriveRelativeIsALetterAndColonWithoutBackslash) {
    EXPECT_TRUE(paths::isDriveRelative("C:"));
    EXPECT_TRUE(paths::isDriveRelative("d:x\\y"));
    EXPECT_FALSE(paths::isDriveRelative("C:\\x"));
    EXPECT_FALSE(paths::isDriveRelative("x"));
    EXPECT_FALSE(paths::isDriveRelative("1:x"));
}

TEST(PathRules, RelativeNamesResolveAgainstTheCurrentDirectory) {
    const struct {
        const char *name, *cwd, *driveRoot, *absolute;
    } cases[] = {
        {".", "C:\\w", "C:", "C:\\w"},
        {".\\a", "C:\\w", "C:", "C:\\w\\a"},
        {"a\\b", "C:\\w", "C:", "C:\\w\\a\\b"},
        {"..\\a", "C:\\w", "C:", "C:\\w\\..\\a"},
        {"\\x", "C:\\w", "C:", "C:\\x"},
        {"\\x", "c:\\w", "c:", "C:\\x"},  // the drive letter comes upper case
        {"\\x", "\\\\srv\\sh\\w", "\\\\srv\\sh", "\\\\srv\\sh\\x"},
        {"\\x", "\\tmp\\w", "", "\\x"},  // no drives: the name stays as it is
        {"a", "C:\\", "C:", "C:\\\\a"},  // at a drive root the backslash doubles
        {".\\a", "C:\\", "C:", "C:\\\\a"},
        {"C:x", "C:\\w", "C:", "C:\\w\\x"},
        {"c:x", "C:\\w", "C:", "C:\\w\\x"},
        {"C:", "C:\\w", "C:", "C:\\w"},
        {"C:.", "C:\\w", "C:", "C:\\w"},
        {"D:x", "C:\\w", "C:", "D:\\x"},
        {"d:x\\y", "C:\\w", "C:", "D:\\x\\y"},
        {"D:", "C:\\w", "C:", "D:\\"},
        {"C:x", "\\tmp\\w", "", "C:\\x"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paths::resolveAgainstCurrentDirectory(c.name, c.cwd, c.driveRoot), c.absolute)
            << c.name << " in " << c.cwd;
}

TEST(PathRules, LongCurrentDirectoryIsUsedWhole) {
    const std::string cwd = "C:\\" + std::string(300, 'd');
    EXPECT_EQ(paths::resolveAgainstCurrentDirectory("a", cwd, "C:"), cwd + "\\a");
}

TEST(PathRules, UncRootIsServerAndShare) {
    const struct {
        const char *path, *root;
    } cases[] = {
        {"\\\\srv\\share\\a\\b", "\\\\srv\\share"},
        {"\\\\srv\\share", "\\\\srv\\share"},
        {"\\\\srv\\share\\", "\\\\srv\\share"},
        {"\\\\srv", "\\\\srv"},  // no share: the whole text
    };
    for (const auto &c : cases) EXPECT_EQ(paths::uncRoot(c.path), c.root) << c.path;
}

TEST(PathRules, DirectoryAndBaseSplitAtTheLastSeparatorOfEitherKind) {
    const struct {
        const char *path, *directory, *base;
    } cases[] = {
        {"C:\\maps\\m.map", "C:\\maps\\", "m.map"},
        {"/srv/maps/m.map", "/srv/maps/", "m.map"},
        {"a\\b/c.map", "a\\b/", "c.map"},
        {"/m.map", "/", "m.map"},
        {"m.map", "", "m.map"},
        {"dir\\", "dir\\", ""},
    };
    for (const auto &c : cases) {
        const paths::DirectoryAndBase parts = paths::splitDirectoryAndBase(c.path);
        EXPECT_EQ(parts.directory, c.directory) << c.path;
        EXPECT_EQ(parts.base, c.base) << c.path;
        EXPECT_EQ(parts.directory + parts.base, c.path);
    }
}

// What a crashed save of "m.map" leaves is removed by the next one; anything
// else beside it belongs to someone else and stays.
TEST(SaveFileNames, LeftoverTemporaryNamesAreTheSavesOwnOnly) {
    using Style = paths::TemporaryNameStyle;
    const struct {
        const char *name;
        Style style;
        bool leftover;
    } cases[] = {
        {"m.map.tmp-Ab3xYz", Style::SixLettersOrDigits, true},
        {"m.map.tmp-000000", Style::SixLettersOrDigits, true},
        {"m.map.tmp-Ab3xY", Style::SixLettersOrDigits, false},
        {"m.map.tmp-Ab3xYz7", Style::SixLettersOrDigits, false},
        {"m.map.tmp-Ab3_Yz", Style::SixLettersOrDigits, false},
        {"m.map.tmp-12-3-4", Style::SixLettersOrDigits, false},
        {"n.map.tmp-Ab3xYz", Style::SixLettersOrDigits, false},
        {"xm.map.tmp-Ab3xYz", Style::SixLettersOrDigits, false},
        {"m.map.tmp-12-345-6", Style::ProcessTickCounter, true},
        {"m.map.tmp-7-8-9", Style::ProcessTickCounter, true},
        {"m.map.tmp-12-345-", Style::ProcessTickCounter, false},
        {"m.map.tmp--345-6", Style::ProcessTickCounter, false},
        {"m.map.tmp-12-345", Style::ProcessTickCounter, false},
        {"m.map.tmp-1-2-3-4", Style::ProcessTickCounter, false},
        {"m.map.tmp-Ab3xYz", Style::ProcessTickCounter, false},
        {"m.map.tmp-", Style::ProcessTickCounter, false},
        {"m.map", Style::SixLettersOrDigits, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paths::isLeftoverTemporaryName(c.name, "m.map", c.style), c.leftover) << c.name;
    EXPECT_EQ(paths::saveLockNameOf("C:\\maps\\m.map"), "C:\\maps\\m.map.save-lock");
}

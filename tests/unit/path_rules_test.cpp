// SPDX-License-Identifier: Apache-2.0
// The pure path rules under both styles on every host: URL test, slash
// conversion, the classifier, joining,
// hard path lists, the component-boundary match, current-directory resolution,
// UNC roots, directory splits and the names a save makes beside its file.
#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <string>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"

namespace paths = locmap50::paths;
using Style = paths::PathStyle;

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
    // Only a POSIX path keeps its text; file names take the host's separator.
    const struct {
        const char *raw;
        Style style;
        const char *hardForm, *fileName;
    } cases[] = {
        {"C:/a/b", Style::Windows, "C:\\a\\b", "C:\\a\\b"},
        {"C:/a/b", Style::Posix, "C:\\a\\b", "C:/a/b"},
        {"/opt/a\\b", Style::Windows, "\\opt\\a\\b", "\\opt\\a\\b"},
        {"/opt/a\\b", Style::Posix, "/opt/a\\b", "/opt/a/b"},
        {"//srv/share", Style::Posix, "\\\\srv\\share", "//srv/share"},
        {"rel\\x.v", Style::Posix, "rel\\x.v", "rel/x.v"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(paths::toHardPathForm(c.raw, c.style), c.hardForm) << c.raw;
        EXPECT_EQ(paths::toHostFileName(c.raw, c.style), c.fileName) << c.raw;
        EXPECT_TRUE(paths::sameHardPathForm(c.raw, c.hardForm, c.style)) << c.raw;
    }
    // Compared as the two hard path forms, without making them.
    EXPECT_TRUE(paths::sameHardPathForm("/x", "\\x", Style::Windows));
    EXPECT_FALSE(paths::sameHardPathForm("/x", "\\x", Style::Posix));
    EXPECT_FALSE(paths::sameHardPathForm("/x", "/y", Style::Posix));
    EXPECT_FALSE(paths::sameHardPathForm("C:/a", "C:/ab", Style::Posix));
}

// The classifier reads the raw text: a POSIX path is one only under the POSIX
// style, and every other answer is the same under both.
TEST(PathRules, ClassifierReadsTheRawTextUnderEitherStyle) {
    using Kind = paths::PathKind;
    const struct {
        const char *path;
        Kind windows, posix;
    } cases[] = {
        {"C:\\", Kind::Drive, Kind::Drive},
        {"z:\\x", Kind::Drive, Kind::Drive},
        {"\\\\server\\share", Kind::Unc, Kind::Unc},
        {"\\\\", Kind::Unc, Kind::Unc},
        {"/x", Kind::Relative, Kind::PosixAbsolute},
        {"/", Kind::Relative, Kind::PosixAbsolute},
        {"/opt/Tools X/#a", Kind::Relative, Kind::PosixAbsolute},
        {"//server/share", Kind::Relative, Kind::Relative},
        {"C:", Kind::Relative, Kind::Relative},
        {"C:x", Kind::Relative, Kind::Relative},
        {"C:/x", Kind::Relative, Kind::Relative},
        {"\\x", Kind::Relative, Kind::Relative},
        {"", Kind::Relative, Kind::Relative},
        {"\\", Kind::Relative, Kind::Relative},
        {"$P\\x", Kind::Relative, Kind::Relative},
        {"1:\\x", Kind::Relative, Kind::Relative},
        {"a", Kind::Relative, Kind::Relative},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(paths::classifyPath(c.path, Style::Windows), c.windows) << c.path;
        EXPECT_EQ(paths::classifyPath(c.path, Style::Posix), c.posix) << c.path;
        EXPECT_EQ(paths::isAbsolute(c.path, Style::Windows), c.windows != Kind::Relative) << c.path;
        EXPECT_EQ(paths::isAbsolute(c.path, Style::Posix), c.posix != Kind::Relative) << c.path;
        EXPECT_EQ(paths::separatorOf(c.path, Style::Posix), c.posix == Kind::PosixAbsolute ? '/' : '\\') << c.path;
    }
}

// Windows-style rows give the same under both styles; a POSIX hard path
// joins with its own "/".
TEST(PathRules, MergeDropsOneTrailingSeparatorOnly) {
    const struct {
        const char *hard, *rest, *merged;
        bool posixOnly;
    } cases[] = {
        {"D:\\p\\", "\\sub", "D:\\p\\sub", false},
        {"D:\\p", "\\sub", "D:\\p\\sub", false},
        {"D:\\p\\\\", "\\sub", "D:\\p\\\\sub", false},
        {"D:\\p", "sub", "D:\\psub", false},
        {"", "\\x", "\\x", false},
        {"D:\\p\\", "", "D:\\p", false},
        {"/opt/tools", "\\src\\a.v", "/opt/tools/src/a.v", true},
        {"/opt/tools/", "\\src", "/opt/tools/src", true},
        {"/opt/tools//", "\\src", "/opt/tools//src", true},
        {"/opt/tools/", "", "/opt/tools", true},
        {"/", "\\usr", "/usr", true},
    };
    for (const auto &c : cases)
        for (const Style style : {Style::Windows, Style::Posix}) {
            if (c.posixOnly && style == Style::Windows) continue;
            std::string hard = c.hard;
            paths::mergePaths(hard, c.rest, style);
            EXPECT_EQ(hard, c.merged) << c.hard << " + " << c.rest;
        }
}

// A variable's value used as it stands: on a POSIX system every value but a
// Windows one is read as the system reads paths, so the rest joins with "/".
TEST(PathRules, AVariableValueJoinsTheRestInItsSystemsSeparator) {
    const struct {
        const char *value, *rest;
        Style style;
        const char *merged, *restAppended;
    } cases[] = {
        {"relative/path", "\\bin\\gcc", Style::Posix, "relative/path/bin/gcc", "/bin/gcc"},
        {"~/tools/", "\\bin", Style::Posix, "~/tools/bin", "/bin"},
        {"/opt/tools", "\\bin", Style::Posix, "/opt/tools/bin", "/bin"},
        {"C:\\tools\\", "\\bin", Style::Posix, "C:\\tools\\bin", "\\bin"},
        {"E:/q", "\\a", Style::Posix, "E:/q\\a", "\\a"},
        {"\\\\srv\\share", "\\bin", Style::Posix, "\\\\srv\\share\\bin", "\\bin"},
        {"relative/path", "\\bin", Style::Windows, "relative/path\\bin", "\\bin"},
        {"relative\\path\\", "\\bin", Style::Windows, "relative\\path\\bin", "\\bin"},
    };
    for (const auto &c : cases) {
        std::string merged = c.value;
        paths::mergeVariableValue(merged, c.rest, c.style);
        EXPECT_EQ(merged, c.merged) << c.value << " + " << c.rest;
        EXPECT_EQ(paths::restInSeparatorsOfValue(c.value, c.rest, c.style), c.restAppended) << c.value;
    }
}

TEST(PathRules, HardPathListsSplitAtBackquotesAndJoinBack) {
    EXPECT_EQ(paths::splitHardPathList("C:\\a`D:\\b`"), (std::list<std::string>{"C:\\a", "D:\\b"}));
    EXPECT_EQ(paths::splitHardPathList("C:\\a``tail"), (std::list<std::string>{"C:\\a", ""}));
    EXPECT_TRUE(paths::splitHardPathList("no backquote").empty());
    EXPECT_EQ(paths::joinHardPathList({"C:\\a", "D:\\b"}), "C:\\a`D:\\b`");
    EXPECT_EQ(paths::joinHardPathList({}), "");
}

// Windows-style hard paths match ignoring case at "\\" under both styles;
// POSIX ones (POSIX style only) byte for byte at "/".
TEST(PathRules, LiesUnderHardPathOnComponentBoundaries) {
    const struct {
        const char *hard, *path;
        bool under;
        const char *tail;
        bool posixOnly = false;
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
        {"/opt/tools", "/opt/tools/src/a.v", true, "/src/a.v", true},
        {"/opt/tools", "/opt/tools", true, "", true},
        {"/opt/tools/", "/opt/tools", true, "", true},
        {"/opt/tools", "/opt/toolsX/a", false, "", true},
        {"/opt/tools", "/opt/Tools/a", false, "", true},
        {"/opt/Tools", "/opt/tools/a", false, "", true},
        {"/opt/tools", "/opt/tools\\a", false, "", true},  // "\\" is a name character there
        {"/", "/usr/x", true, "/usr/x", true},
        {"/", "/", true, "/", true},
    };
    for (const auto &c : cases)
        for (const Style style : {Style::Windows, Style::Posix}) {
            if (c.posixOnly && style == Style::Windows) continue;
            std::string tail = "untouched";
            EXPECT_EQ(paths::liesUnderHardPath(c.hard, c.path, tail, style), c.under) << c.hard << " / " << c.path;
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
        // A POSIX current directory (POSIX style) gives POSIX paths.
        {"rel\\x.v", "/tmp/proj", "", "/tmp/proj/rel/x.v"},
        {".\\a", "/tmp/proj", "", "/tmp/proj/a"},
        {".", "/tmp/proj", "", "/tmp/proj"},
        {"..\\a", "/tmp/proj", "", "/tmp/proj/../a"},
        {"\\x", "/tmp/proj", "", "/x"},
        {"a", "/", "", "/a"},
        {"C:x", "/tmp/proj", "", "C:\\x"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paths::resolveAgainstCurrentDirectory(c.name, c.cwd, c.driveRoot, Style::Posix), c.absolute)
            << c.name << " in " << c.cwd;
    // Under the Windows style a "/" directory is nothing special.
    EXPECT_EQ(paths::resolveAgainstCurrentDirectory("a", "/tmp", "", Style::Windows), "/tmp\\a");
}

TEST(PathRules, LongCurrentDirectoryIsUsedWhole) {
    const std::string cwd = "C:\\" + std::string(300, 'd');
    EXPECT_EQ(paths::resolveAgainstCurrentDirectory("a", cwd, "C:"), cwd + "\\a");
    EXPECT_EQ(paths::resolveAgainstCurrentDirectory("a", "/" + std::string(300, 'd'), "", Style::Posix),
              "/" + std::string(300, 'd') + "/a");
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
        const char *path;
        Style style;
        const char *directory, *base;
    } cases[] = {
        {"C:\\maps\\m.map", Style::Windows, "C:\\maps\\", "m.map"},
        {"/srv/maps/m.map", Style::Windows, "/srv/maps/", "m.map"},
        {"a\\b/c.map", Style::Windows, "a\\b/", "c.map"},
        {"/m.map", Style::Windows, "/", "m.map"},
        {"m.map", Style::Windows, "", "m.map"},
        {"dir\\", Style::Windows, "dir\\", ""},
        // A "\" in a POSIX name is part of the name.
        {"/srv/a\\b/m.map", Style::Posix, "/srv/a\\b/", "m.map"},
        {"/srv/x\\y.map", Style::Posix, "/srv/", "x\\y.map"},
        {"x\\y.map", Style::Posix, "", "x\\y.map"},
    };
    for (const auto &c : cases) {
        const paths::DirectoryAndBase parts = paths::splitDirectoryAndBase(c.path, c.style);
        EXPECT_EQ(parts.directory, c.directory) << c.path;
        EXPECT_EQ(parts.base, c.base) << c.path;
        EXPECT_EQ(parts.directory + parts.base, c.path);
    }
}

// Only a name of exactly the shape a save of "m.map" gives its temporary
// file is a leftover; anything else beside it belongs to someone else and
// stays, the names older versions of the library used among them.
TEST(SaveFileNames, LeftoverTemporaryNamesAreTheSavesOwnOnly) {
    const struct {
        const char *name;
        bool leftover;
    } cases[] = {
        {".m.map.locmap50-Ab3xYz09.tmp", true},
        {".m.map.locmap50-00000000.tmp", true},
        {".m.map.locmap50-Ab3xYz0.tmp", false},    // seven
        {".m.map.locmap50-Ab3xYz091.tmp", false},  // nine
        {".m.map.locmap50-Ab3_Yz09.tmp", false},
        {".m.map.locmap50-Ab3xYz09.tm", false},
        {".m.map.locmap50-Ab3xYz09.tmpx", false},
        {"m.map.locmap50-Ab3xYz09.tmp", false},
        {".n.map.locmap50-Ab3xYz09.tmp", false},
        {".xm.map.locmap50-Ab3xYz09.tmp", false},
        {".m.map.locmap51-Ab3xYz09.tmp", false},
        {"m.map.tmp-Ab3xYz", false},
        {"m.map.tmp-12-345-6", false},
        {"m.map.save-lock", false},
        {"m.map", false},
    };
    for (const auto &c : cases) EXPECT_EQ(paths::isLeftoverTemporaryName(c.name, "m.map"), c.leftover) << c.name;
    EXPECT_EQ(paths::saveLockNameOf("C:\\maps\\m.map"), "C:\\maps\\m.map.save-lock");
}

TEST(SaveFileNames, TemporaryFilesAreHiddenBesideTheTargetWithEightLettersOrDigits) {
    for (const std::uint64_t bits : {std::uint64_t(0), std::uint64_t(61), ~std::uint64_t(0)}) {
        const std::string path = paths::temporaryPathOf("C:\\maps\\m.map", bits, paths::PathStyle::Windows);
        const paths::DirectoryAndBase parts = paths::splitDirectoryAndBase(path, paths::PathStyle::Windows);
        EXPECT_EQ(parts.directory, "C:\\maps\\") << path;
        EXPECT_TRUE(paths::isLeftoverTemporaryName(parts.base, "m.map")) << path;
    }
    EXPECT_EQ(paths::temporaryPathOf("m.map", 0), ".m.map.locmap50-00000000.tmp");
    EXPECT_NE(paths::temporaryPathOf("m.map", 1), paths::temporaryPathOf("m.map", 2));
}

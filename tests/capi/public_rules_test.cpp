// The public rules (locmap50/rules.h, locmap50/entry_lines.h) through the shared library: a tool that uses them reads map files as a load does.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "locmap50/entry_lines.h"
#include "locmap50/result_codes.h"
#include "locmap50/rules.h"
#include "support/TestSupport.h"

namespace rules = locmap50::rules;
using testsupport::onWindows;

namespace {

TEST(PublicRulesTest, ReadMapFileLinesAsTheLoadDoes) {
    // Lines: 1 header, 2-3 $A, 4 blank, 5-6 $A again (a load skips it), 7 include, 8 a path no block takes.
    const rules::FileEntryLines blocks = rules::entryLinesOf(
        "ZOR_LOCATION_MAP_2\r\n$A\r\nC:/a  # first\r\n\r\n$A\r\n\\\\srv\\a2\r\nINCLUDE x.map\r\nD:\\late\r\n");
    ASSERT_EQ(blocks.size(), 1u);
    const auto &a = blocks.at("$A");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].line, 2);
    ASSERT_EQ(a[0].hardPaths.size(), 1u);
    EXPECT_EQ(a[0].hardPaths[0].path, "C:\\a");
    EXPECT_EQ(a[0].hardPaths[0].line, 3);
    EXPECT_EQ(a[1].line, 5);
    ASSERT_EQ(a[1].hardPaths.size(), 1u);
    EXPECT_EQ(a[1].hardPaths[0].line, 6);

    std::size_t position = 0;
    std::string line;
    ASSERT_TRUE(rules::readRawLine("C:/x  # c\r\n# only\n", position, line));
    EXPECT_TRUE(rules::normaliseLine(line));
    EXPECT_EQ(line, "C:\\x");
    ASSERT_TRUE(rules::readRawLine("C:/x  # c\r\n# only\n", position, line));
    EXPECT_FALSE(rules::normaliseLine(line));
}

TEST(PublicRulesTest, NamesAndPathsByTheHostsRules) {
    struct Case {
        const char *path;
        bool absolute;    // on this system
        bool readsBack;   // as a hard path line of its own
    };
    const bool posix = !onWindows();
    for (const Case &c : std::initializer_list<Case>{{"C:\\x", true, true},
                                                    {"C:/x", false, true},
                                                    {"\\\\srv\\share", true, true},
                                                    {"/opt/x", posix, posix},
                                                    {"C:\\a#b", true, false},
                                                    {"tools\\bin", false, false},
                                                    {"$P", false, false},
                                                    {"C:x", false, false}}) {
        EXPECT_EQ(rules::isAbsolute(c.path), c.absolute) << c.path;
        EXPECT_EQ(rules::readsBackAsHardPath(c.path), c.readsBack) << c.path;
    }
    EXPECT_TRUE(rules::isPosixPath("/opt/x"));
    EXPECT_FALSE(rules::isPosixPath("//srv/x"));
    EXPECT_TRUE(rules::isAbsolute(rules::toHardPathForm("C:/x")));
    EXPECT_FALSE(rules::fitsOnOneLine("C:\\a\nINCLUDE b"));

    EXPECT_TRUE(rules::isValidSoftPrefix("$A_1"));
    EXPECT_FALSE(rules::isValidSoftPrefix("$1A"));
    const rules::SoftNameParts parts = rules::splitSoftName("$P\\a\\b");
    EXPECT_EQ(parts.softPrefix, "$P");
    EXPECT_EQ(parts.rest, "\\a\\b");
    const std::list<std::string> paths{"C:\\a", "", "\\\\s\\b"};
    EXPECT_EQ(rules::splitHardPathList(rules::joinHardPathList(paths)), paths);
}

}  // namespace

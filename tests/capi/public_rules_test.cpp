// SPDX-License-Identifier: Apache-2.0
// The public rules (locmap50/rules.h) through the shared library: a tool that uses them reads map files as a load does.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "locmap50/result_codes.h"
#include "locmap50/rules.h"
#include "support/TestSupport.h"

namespace rules = locmap50::rules;
using testsupport::onWindows;

namespace {

TEST(PublicRulesTest, ReadMapFileLinesAsTheLoadDoes) {
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

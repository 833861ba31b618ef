// SPDX-License-Identifier: Apache-2.0
// A generated tree of 2,000 directories and 20,000 files: every file translates hard to soft through the first entry in map order that holds it, and back to itself.
#include <gtest/gtest.h>

#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "support/GeneratedTree.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using testsupport::GeneratedTree;
using testsupport::TreeStyle;

char folded(char c, bool foldCase) {
    return foldCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool beginsWith(const std::string &text, const std::string &start, bool foldCase) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i)
        if (folded(text[i], foldCase) != folded(start[i], foldCase)) return false;
    return true;
}

// The first-match rule written out plainly: the first entry whose hard path
// the file begins with, followed by a separator. Windows paths ignore case.
std::string expectedSoftName(const GeneratedTree &tree, const std::string &file, bool foldCase) {
    for (const testsupport::TreeEntry &entry : tree.entries()) {
        const std::string &base = entry.hardPath;
        if (beginsWith(file, base, foldCase) && file.size() > base.size() && file[base.size()] == tree.separator())
            return entry.softPrefix + file.substr(base.size());
    }
    return std::string();
}

class GeneratedTreeTranslation : public testsupport::MapFileTest,
                                 public ::testing::WithParamInterface<TreeStyle> {};

TEST_P(GeneratedTreeTranslation, EveryFileGoesToTheFirstEntryHoldingItAndBack) {
    const bool posix = GetParam() == TreeStyle::Posix;
    if (posix && testsupport::onWindows()) GTEST_SKIP() << "POSIX paths are no hard paths on Windows";
    const GeneratedTree tree(GetParam());
    ASSERT_GE(tree.directories().size(), 2000u);
    ASSERT_GE(tree.files().size(), 20000u);
    ASSERT_GE(tree.deepest(), 20u);
    VnLocMap &map = load(write("tree.map", tree.mapText()));
    ASSERT_EQ(map.loadErrorCount(), 0) << map.m_errorText;
    ASSERT_EQ(map.m_softPrefixOrder.size(), tree.entries().size());

    std::size_t throughRoot = 0;
    for (const std::string &file : tree.files()) {
        const std::string expected = expectedSoftName(tree, file, !posix);
        std::string soft, hard;
        ASSERT_EQ(map.getSoftName(file, soft), LOCMAP50_OK) << file;
        ASSERT_EQ(soft, expected) << file;
        ASSERT_EQ(map.getHardName(soft, hard), LOCMAP50_OK) << soft;
        // A Windows path comes back in the entry's own case up to the tail.
        ASSERT_TRUE(hard == file || (!posix && beginsWith(hard, file, true) && hard.size() == file.size()))
            << soft << " gave " << hard << " for " << file;
        if (soft.compare(0, 13, "$LMTREE_SITE" + std::string(1, tree.separator())) == 0) ++throughRoot;
    }
    // Nested entries and twins really occur: not everything falls to the root.
    EXPECT_LT(throughRoot, tree.files().size() * 9 / 10);
}

INSTANTIATE_TEST_SUITE_P(Styles, GeneratedTreeTranslation, ::testing::Values(TreeStyle::Posix, TreeStyle::Windows),
                         [](const ::testing::TestParamInfo<TreeStyle> &info) {
                             return info.param == TreeStyle::Posix ? std::string("Posix") : std::string("Windows");
                         });

}  // namespace

// SPDX-License-Identifier: Apache-2.0
// One-file edits answer as a fresh load of the files as they now stand, the account of the load names the block
// a load takes, and ChangeEntry keeps its own rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locmap50/VnExplanation.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "support/CApiTest.h"

namespace {

std::string hardName(const std::string &softName) {
    std::vector<char> buffer(4096, '\0');
    return GetHardNameEx(softName.c_str(), buffer.data(), buffer.size()) == LOCMAP50_OK ? buffer.data() : "<failed>";
}

std::string allHardPaths(const std::string &softPrefix) {
    char *list = ReturnAllHardPath(softPrefix.c_str());
    const std::string text = list != nullptr ? list : "<null>";
    FreeHardPathList(list);
    return text;
}

VnPrefixAccount accountOf(const std::string &softPrefix) {
    VnPrefixAccount account;
    EXPECT_EQ(VnLocMap::createMap()->account(softPrefix, account), LOCMAP50_OK) << softPrefix;
    return account;
}

int explainedLine(const std::string &name) {
    VnExplanation explanation;
    VnLocMap::createMap()->explain(name, explanation);
    return explanation.line;
}

class OneFileEditTest : public CApiTest {
protected:
    // main.map holds $LMO_D, then includes shared.map, whose first block of $LMO_D is empty.
    void loadTwoFiles(const std::string &mainHeader = "ZOR_LOCATION_MAP_2") {
        m_shared = m_dir.write("shared.map", "ZOR_LOCATION_MAP_2\n$LMO_D\n\n$LMO_D\nC:\\shared\n");
        m_main = m_dir.write("main.map", mainHeader + "\n$LMO_D\nC:\\main\nINCLUDE " + m_shared + "\n");
        ASSERT_EQ(InitLocationMap(m_main.c_str(), 1), LOCMAP50_OK);
    }

    std::string m_main;
    std::string m_shared;
};

TEST_F(OneFileEditTest, TheSecondBlockOfAPrefixInOneFileIsTheOneInEffectEverywhere) {
    loadMap("$LMO_A\n# nothing\n$LMO_A\nC:\\a2\n");
    EXPECT_EQ(hardName("$LMO_A"), "C:\\a2");
    EXPECT_EQ(explainedLine("$LMO_A\\x"), 4);
    const VnPrefixAccount account = accountOf("$LMO_A");
    EXPECT_EQ(account.inEffect.line, 4);
    EXPECT_EQ(account.inEffect.hardPathLines, std::vector<int>{5});
    // The empty block before it counted as undefined: it shadows nothing and is shadowed by nothing.
    EXPECT_TRUE(account.shadowed.empty());
}

TEST_F(OneFileEditTest, ADeleteInTheMainFileHandsOverToTheNextDefinitionAtItsLine) {
    loadTwoFiles();
    EXPECT_EQ(accountOf("$LMO_D").shadowed.size(), 1u);
    ASSERT_EQ(ChangeEntryInFile(m_main.c_str(), "$LMO_D", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_D"), "C:\\shared");
    EXPECT_EQ(allHardPaths("$LMO_D"), "C:\\shared`");
    EXPECT_STREQ(CurrentEntryFileName("$LMO_D"), m_shared.c_str());
    const VnPrefixAccount account = accountOf("$LMO_D");
    EXPECT_EQ(account.inEffect.file, m_shared);
    EXPECT_EQ(account.inEffect.line, 4);
    const std::string exported = m_dir.file("export.map");
    ASSERT_EQ(Export(exported.c_str(), 0), LOCMAP50_OK);
    EXPECT_NE(testsupport::writtenText(exported).find("$LMO_D\nC:\\shared\n"), std::string::npos);
}

TEST_F(OneFileEditTest, TheEnvironmentOverridesTheNextDefinitionAsAFreshLoadWould) {
    setEnv(testsupport::onWindows() ? "lmo_d" : "LMO_D", std::string("E:\\env"));
    loadTwoFiles("ZOR_LOCATION_MAP_2 force");
    EXPECT_EQ(IsEnvOverridden("$LMO_D"), 0);
    // The variable supplies the shared file's first, empty block, which now takes effect.
    ASSERT_EQ(ChangeEntryInFile(m_main.c_str(), "$LMO_D", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_D"), "E:\\env");
    EXPECT_EQ(IsEnvOverridden("$LMO_D"), 0);
    EXPECT_EQ(accountOf("$LMO_D").environment, VnExplanation::Environment::Supplied);
    EXPECT_EQ(accountOf("$LMO_D").inEffect.line, 2);
    // With that block gone the next one has a hard path, which the variable overrides.
    ASSERT_EQ(ChangeEntryInFile(m_shared.c_str(), "$LMO_D", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    ASSERT_EQ(ChangeEntryInFile(m_shared.c_str(), "$LMO_D", "C:\\shared`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_D"), "E:\\env");
    EXPECT_EQ(IsEnvOverridden("$LMO_D"), 1);
    EXPECT_EQ(accountOf("$LMO_D").environment, VnExplanation::Environment::Overrode);
}

TEST_F(OneFileEditTest, AnEntryAddedToTheMainFileIsEditedThereAndAnswersFromThere) {
    const std::string path = loadMap("$LMO_A\nC:\\a\n");
    ASSERT_EQ(ChangeEntry("$LMO_NEW", "C:\\new`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    ASSERT_EQ(ChangeEntryInFile(path.c_str(), "$LMO_NEW", "C:/new2`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(allHardPaths("$LMO_NEW"), "C:\\new2`");
    EXPECT_EQ(hardName("$LMO_NEW"), "C:\\new2");
    EXPECT_STREQ(CurrentEntryFileName("$LMO_NEW"), path.c_str());
}

TEST_F(OneFileEditTest, AOneFileChangeOfTheDefiningFileChangesEveryAnswer) {
    const std::string path = loadMap("$LMO_A\nC:\\a\n$LMO_B\nC:\\b\n");
    ASSERT_EQ(ChangeEntryInFile(path.c_str(), "$LMO_A", "C:\\changed`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_A\\x"), "C:\\changed\\x");
    char *prefixes = ReturnAllSoftPrefixes();
    EXPECT_STREQ(prefixes, "$LMO_A`$LMO_B`");
    FreeHardPathList(prefixes);
}

// ChangeEntry (every file) answers as loaded where its rules say so, and a
// later one-file edit works on the record as it left it.
TEST_F(OneFileEditTest, ChangeEntryKeepsItsOwnRulesUntilAOneFileEditSettlesThePrefix) {
    setEnv(testsupport::onWindows() ? "lmo_a" : "LMO_A", std::string("E:\\env"));
    const std::string path = loadMap("$LMO_A\nC:\\a\n");
    ASSERT_EQ(IsEnvOverridden("$LMO_A"), 1);
    ASSERT_EQ(ChangeEntry("$LMO_A", "C:/given`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_A"), "E:\\env");               // as loaded
    EXPECT_EQ(allHardPaths("$LMO_A"), "C:/given`");         // as given, no environment applied again
    EXPECT_EQ(IsEnvOverridden("$LMO_A"), 1);                // as loaded
    EXPECT_STREQ(CurrentEntryFileName("$LMO_A"), path.c_str());
    ASSERT_EQ(ChangeEntry("$LMO_A", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_STREQ(CurrentEntryFileName("$LMO_A"), path.c_str());  // as loaded

    ASSERT_EQ(ChangeEntry("$LMO_A", "C:\\back`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    ASSERT_EQ(ChangeEntryInFile(path.c_str(), "$LMO_A", "C:\\again`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardName("$LMO_A"), "E:\\env");
    EXPECT_EQ(allHardPaths("$LMO_A"), "E:\\env`");
    EXPECT_EQ(IsEnvOverridden("$LMO_A"), 1);
}

#ifndef _WIN32
// POSIX paths compare byte for byte, so one under another is covered whatever the letters.
TEST_F(OneFileEditTest, APosixHardPathUnderAnEarlierEntrysIsCovered) {
    loadMap("$LMO_C\n/a\n$LMO_D\n/a/b\n$LMO_E\n/A/c\n");
    const VnPrefixAccount account = accountOf("$LMO_D");
    ASSERT_EQ(account.covered.size(), 1u);
    EXPECT_EQ(account.covered[0].coveringPrefix, "$LMO_C");
    EXPECT_EQ(account.covered[0].coveringLine, 3);
    EXPECT_EQ(account.covered[0].line, 5);
    EXPECT_TRUE(accountOf("$LMO_E").covered.empty());
}
#endif

}  // namespace

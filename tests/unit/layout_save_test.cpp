// SPDX-License-Identifier: Apache-2.0
// The layout-keeping save: before file, edit, after file, for every rule, with LF and CR LF line ends; and what it never writes.
#include <gtest/gtest.h>

#include <string>

#include "locmap50/VnLocMap.h"
#include "support/MapTest.h"

namespace {

using testsupport::golden;

enum class Edit { Set, Add, Remove };
enum class Target { EveryFile, OneFile };
enum class LineEnd { LF, CRLF };

struct LayoutCase {
    const char *name;
    const char *before;  // tests/golden/layout/<before>.before.map
    Edit edit;
    Target target;
    const char *softPrefix;
    const char *hardPaths;
    bool platformLineEnd = false;  // the file has no line end of its own
};

const LayoutCase kLayoutCases[] = {
    {"unchanged", "base", Edit::Set, Target::EveryFile, "$SRC", "C:\\rtl\\src`C:\\rtl\\alt`"},
    {"changed_values", "base", Edit::Set, Target::EveryFile, "$SRC", "F:\\new\\src`G:\\alt`"},
    {"surplus_paths", "base", Edit::Set, Target::EveryFile, "$TOOLS", "D:\\tools`"},
    {"extra_paths", "base", Edit::Set, Target::EveryFile, "$DOCS", "\\\\server\\docs`H:\\docs`I:\\docs`"},
    {"deleted", "base", Edit::Remove, Target::EveryFile, "$TOOLS", ""},
    {"added", "base", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"second_block_set", "second_block", Edit::Set, Target::EveryFile, "$TOOLS", "K:\\tools`"},
    {"second_block_deleted", "second_block", Edit::Remove, Target::EveryFile, "$TOOLS", ""},
    {"no_final_line_end", "no_final_line_end", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"ends_blank", "ends_blank", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"bare", "bare", Edit::Set, Target::EveryFile, "$LM50_BARE", "L:\\bare`"},
    {"too_many", "too_many", Edit::Set, Target::EveryFile, "$MANY", "M:\\one`C:\\p1`"},
    {"single_line", "single_line", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`", true},
    {"changed_values", "base", Edit::Set, Target::OneFile, "$SRC", "F:\\new\\src`G:\\alt`"},
    {"deleted", "base", Edit::Remove, Target::OneFile, "$TOOLS", ""},
    {"added", "base", Edit::Add, Target::OneFile, "$NEW", "J:\\new`"},
    {"second_block_deleted", "second_block", Edit::Remove, Target::OneFile, "$TOOLS", ""},
};

std::string withLineEnd(const std::string &text, const std::string &lineEnd) {
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += lineEnd;
        else converted += c;
    }
    return converted;
}

int applyEdit(VnLocMap &map, const LayoutCase &row, const std::string &file) {
    if (row.target == Target::OneFile) {
        switch (row.edit) {
        case Edit::Set: return map.changeEntryInFile(file, row.softPrefix, row.hardPaths);
        case Edit::Add: return map.addEntryToFile(file, row.softPrefix, row.hardPaths);
        case Edit::Remove: return map.deleteEntryFromFile(file, row.softPrefix);
        }
    }
    switch (row.edit) {
    case Edit::Set: return map.changeEntry(row.softPrefix, row.hardPaths);
    case Edit::Add: return map.addEntry(row.softPrefix, row.hardPaths);
    case Edit::Remove: return map.deleteEntry(row.softPrefix);
    }
    return LOCMAP50_FAILED;
}

class LayoutSaveTest : public testsupport::MapFileTest,
                       public ::testing::WithParamInterface<std::tuple<LayoutCase, LineEnd>> {
protected:
    testsupport::ScopedEnv m_bare{"LM50_BARE", std::string("C:\\from\\env")};
};

TEST_P(LayoutSaveTest, ChangesOnlyTheLinesTheEditConcerns) {
    const auto &[row, lineEnd] = GetParam();
    const std::string fileLineEnd = lineEnd == LineEnd::CRLF ? "\r\n" : "\n";
    const std::string expectedLineEnd = row.platformLineEnd ? (testsupport::onWindows() ? "\r\n" : "\n") : fileLineEnd;
    const std::string before = std::string("layout/") + row.before + ".before.map";
    const std::string after = std::string("layout/") + row.name + ".after.map";
    const std::string path = write("team.map", withLineEnd(golden(before), fileLineEnd));

    VnLocMap &map = load(path);
    ASSERT_EQ(applyEdit(map, row, path), LOCMAP50_OK);
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_EQ(testsupport::readFile(path).value_or("<none>"), withLineEnd(golden(after), expectedLineEnd));
    EXPECT_EQ(written.size(), std::string(row.name) == "unchanged" ? 0u : 1u);

    // What was written loads without a problem, and a second save has nothing to write.
    VnLocMap &reloaded = load(path);
    EXPECT_EQ(reloaded.loadErrorCount(), 0) << reloaded.m_errorText;
    EXPECT_EQ(reloaded.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
}

INSTANTIATE_TEST_SUITE_P(Rules, LayoutSaveTest,
                         ::testing::Combine(::testing::ValuesIn(kLayoutCases),
                                            ::testing::Values(LineEnd::LF, LineEnd::CRLF)),
                         [](const ::testing::TestParamInfo<LayoutSaveTest::ParamType> &info) {
                             const LayoutCase &row = std::get<0>(info.param);
                             return std::string(row.name) + (row.target == Target::OneFile ? "_in_file" : "") +
                                    (std::get<1>(info.param) == LineEnd::CRLF ? "_crlf" : "_lf");
                         });

}  // namespace

namespace {

namespace fs = std::filesystem;

// A site map including a team map, both in a scratch directory that is the current one.
class KeptFilesTest : public testsupport::MapFileTest {
protected:
    void SetUp() override {
        m_site = write("site.map", "ZOR_LOCATION_MAP_2\n# IT's map\n$TOOLS\nC:\\it\\tools\nINCLUDE team.map\n");
        m_team = write("team.map", "ZOR_LOCATION_MAP_2\r\n$SIM   # simulator\r\nE:\\sim\r\n$TOOLS\r\nX:\\team\r\n");
    }

    testsupport::ScopedCurrentDir m_currentDir{m_dir.path()};
    std::string m_site;
    std::string m_team;
};

TEST_F(KeptFilesTest, FilesTheEditDoesNotConcernAreNotWrittenAtAll) {
    VnLocMap &map = load(m_site);
    const fs::file_time_type siteTime = fs::last_write_time(m_site);
    ASSERT_EQ(map.changeEntry("$SIM", "E:\\local\\sim2`\\\\fileserver\\sim`"), LOCMAP50_OK);
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_EQ(written, std::list<std::string>{"team.map"});
    EXPECT_EQ(fs::last_write_time(m_site), siteTime);
    EXPECT_EQ(testsupport::readFile(m_team),
              "ZOR_LOCATION_MAP_2\r\n$SIM   # simulator\r\nE:\\local\\sim2\r\n\\\\fileserver\\sim\r\n$TOOLS\r\nX:\\team\r\n");
}

TEST_F(KeptFilesTest, OneFileEditsChangeTheMergedMapOnlyWhereTheFileDefinesThePrefix) {
    VnLocMap &map = load(m_site);
    // The team's $TOOLS is shadowed by the site's: the map answers as before.
    ASSERT_EQ(map.changeEntryInFile(m_team, "$TOOLS", "Y:\\team`"), LOCMAP50_OK);
    EXPECT_EQ(testsupport::mergedTables(map), "$TOOLS [C:\\it\\tools] C:\\it\\tools\n$SIM [E:\\sim] E:\\sim\n");
    // Deleting the site's definition lets the team's take effect, at its place, as a reload would.
    ASSERT_EQ(map.deleteEntryFromFile("./site.map", "$TOOLS"), LOCMAP50_OK);
    EXPECT_EQ(testsupport::mergedTables(map), "$SIM [E:\\sim] E:\\sim\n$TOOLS [Y:\\team] Y:\\team\n");
    EXPECT_EQ(map.m_softToFileMap.at("$TOOLS"), "team.map");
    // An add must not change which definition wins, nor name a file that is not loaded.
    EXPECT_EQ(map.addEntryToFile(m_site, "$SIM", "Z:\\x`"), LOCMAP50_FAILED);
    EXPECT_EQ(map.changeEntryInFile(m_site, "$SIM", "Z:\\x`"), LOCMAP50_FAILED);
    EXPECT_EQ(map.deleteEntryFromFile(write("other.map", "ZOR_LOCATION_MAP_2\n"), "$SIM"), LOCMAP50_FAILED);
    int reason = 0;
    std::string file;
    VnLocMap::lastFailure(reason, file);
    EXPECT_EQ(reason, LOCMAP50_REASON_NOT_FOUND);

    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(testsupport::readFile(m_site), "ZOR_LOCATION_MAP_2\n# IT's map\nINCLUDE team.map\n");
    VnLocMap &reloaded = load(m_site);
    EXPECT_EQ(testsupport::mergedTables(reloaded), "$SIM [E:\\sim] E:\\sim\n$TOOLS [Y:\\team] Y:\\team\n");
}

// The definition that takes over meets the environment as a load would, its
// variable's name matched as the system matches names.
TEST_F(KeptFilesTest, TheNextDefinitionMeetsTheEnvironmentAsALoadWould) {
    testsupport::ScopedEnv tools{testsupport::onWindows() ? "tools" : "TOOLS", std::string("Q:\\env")};
    VnLocMap &map = load(m_site);
    ASSERT_EQ(map.deleteEntryFromFile("site.map", "$TOOLS"), LOCMAP50_OK);
    EXPECT_EQ(testsupport::mergedTables(map), "$SIM [E:\\sim] E:\\sim\n$TOOLS [Q:\\env] Q:\\env\n");
    EXPECT_EQ(map.m_softToFileMap.at("$TOOLS"), "team.map");
}

TEST_F(KeptFilesTest, AFileChangedSinceTheLoadIsLeftAsTheOtherProcessWroteIt) {
    VnLocMap &map = load(m_site);
    ASSERT_EQ(map.changeEntry("$SIM", "F:\\sim`"), LOCMAP50_OK);
    testsupport::writeFile(m_team, "ZOR_LOCATION_MAP_2\n$SIM\nG:\\theirs\n");
    EXPECT_EQ(map.saveKeepingLayout(), LOCMAP50_FAILED);
    int reason = 0;
    std::string file;
    VnLocMap::lastFailure(reason, file);
    EXPECT_EQ(reason, LOCMAP50_REASON_CHANGED_SINCE_READ);
    EXPECT_EQ(file, "team.map");
    EXPECT_EQ(testsupport::readFile(m_team), "ZOR_LOCATION_MAP_2\n$SIM\nG:\\theirs\n");
}

// Root passes the access check, so the write bits (the read-only attribute
// on Windows) are what must stop it.
TEST_F(KeptFilesTest, AReadOnlyMapIsNeverReplacedByEitherSave) {
    VnLocMap &map = load(m_site);
    fs::permissions(m_team, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_EQ(map.changeEntry("$SIM", "F:\\sim`"), LOCMAP50_OK);
    const std::string before = testsupport::readFile(m_team).value_or("");
    EXPECT_EQ(map.saveKeepingLayout(), LOCMAP50_FAILED);
    int reason = 0;
    std::string file;
    VnLocMap::lastFailure(reason, file);
    EXPECT_EQ(reason, LOCMAP50_REASON_PERMISSION_DENIED);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    VnLocMap::lastFailure(reason, file);
    EXPECT_EQ(reason, LOCMAP50_REASON_PERMISSION_DENIED);
    EXPECT_EQ(testsupport::readFile(m_team), before);
    fs::permissions(m_team, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(KeptFilesTest, AFileThatDidNotReadWholeBlocksOnlyASaveThatMustChangeIt) {
    testsupport::writeFile(m_team, "ZOR_LOCATION_MAP_2\n$SIM\nE:\\sim\nINCLUDE site.map\nC:\\orphan\n$LATE\nC:\\late\n");
    VnLocMap &map = load(m_site);
    ASSERT_EQ(map.changeEntry("$TOOLS", "C:\\it\\tools2`"), LOCMAP50_OK);
    EXPECT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    ASSERT_EQ(map.changeEntry("$SIM", "F:\\sim`"), LOCMAP50_OK);
    EXPECT_EQ(map.saveKeepingLayout(), LOCMAP50_FAILED);
    int reason = 0;
    std::string file;
    VnLocMap::lastFailure(reason, file);
    EXPECT_EQ(reason, LOCMAP50_REASON_NOT_LOADED);
    EXPECT_EQ(file, "team.map");
}

TEST_F(KeptFilesTest, AnEditThatWouldNotReadBackIsRefused) {
    VnLocMap &map = load(m_site);
    std::string paths;
    for (int i = 0; i < 21; ++i) paths += "C:\\p" + std::to_string(i) + "`";
    EXPECT_EQ(map.changeEntry("$SIM", paths), LOCMAP50_FAILED);
    EXPECT_EQ(map.changeEntryInFile(m_team, "$SIM", paths), LOCMAP50_FAILED);
    EXPECT_EQ(map.addEntry("$NEW", paths), LOCMAP50_FAILED);
}

}  // namespace

namespace {

// A soft prefix line holding a NUL byte opens an entry the reader rejects, for
// the layout as for the load: the hard path after it belongs to no entry, so
// a save with no edit has nothing to write, and an edit leaves it alone.
class NulLinesLayoutTest : public testsupport::MapFileTest {};

TEST_F(NulLinesLayoutTest, APathAfterAPrefixWithANulBelongsToNoEntry) {
    const std::string rejected = std::string("$") + '\0' + "BAD\nC:\\x\n";
    // Not "nul.map": Windows reads that name as its null device.
    const std::string path = write("nul_byte.map", "ZOR_LOCATION_MAP_2\n$A\nC:\\a\n" + rejected);
    VnLocMap &map = load(path);
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
    ASSERT_EQ(map.changeEntry("$A", "D:\\a`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_EQ(testsupport::readFile(path), "ZOR_LOCATION_MAP_2\n$A\nD:\\a\n" + rejected);
}

TEST_F(NulLinesLayoutTest, AnUnchangedEntryWithPosixAndSlashedPathsIsNotRewritten) {
    // The POSIX line (a parse error on Windows) reads as written, the UNC line
    // with its "/" as backslashes: both as the record holds them.
    const std::string text = "ZOR_LOCATION_MAP_2\n$P\n/opt/p\n\\\\rs/q\n";
    const std::string path = write("posix.map", text);
    VnLocMap &map = load(path);
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(testsupport::readFile(path), text);
}

}  // namespace

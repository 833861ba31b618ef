// SPDX-License-Identifier: Apache-2.0
// Tests that every save and export reads what it is about to write back first, and writes nothing that would read back as something else.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <optional>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/ReadBack.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using locmap50::mapfile::MeantContent;
using locmap50::mapfile::MeantItem;
using locmap50::mapfile::whatWouldNotReadBack;
using testsupport::mainFile;
using testsupport::readFile;

// ---- The check itself: a text against what is meant ($A with paths, then $B with C:\b).

struct CheckCase {
    const char *name;
    std::string body;  // after the header line
    std::list<std::string> paths;
    std::optional<std::string> concerned;
};

std::optional<std::string> checked(const std::string &body, const std::list<std::string> &paths) {
    static const std::string a = "$A", b = "$B";
    static const std::list<std::string> bPaths{"C:\\b"};
    MeantContent meant;
    meant.version = "2";
    meant.items = {MeantItem{MeantItem::Kind::Entry, &a, &paths}, MeantItem{MeantItem::Kind::Entry, &b, &bPaths}};
    return whatWouldNotReadBack("ZOR_LOCATION_MAP_2\n" + body, meant);
}

std::list<std::string> manyPaths(int count) {
    std::list<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back("C:\\p" + std::to_string(i));
    return paths;
}

std::string linesOf(const std::list<std::string> &paths) {
    std::string text;
    for (const std::string &path : paths) text += path + "\n";
    return text;
}

TEST(ReadBackCheck, ComparesInTheReadersForm) {
    const std::string b = "$B\nC:\\b\n";
    const CheckCase cases[] = {
        {"as written", "$A\nC:\\a\n" + b, {"C:\\a"}, std::nullopt},
        {"slashes read as backslashes", "$A\nC:/a/x\n" + b, {"C:/a/x"}, std::nullopt},
        {"blank elements make no line", "$A\nC:\\a\n" + b, {"", "C:\\a", " \t"}, std::nullopt},
        {"lines the reader ignores", "# c\n$A  # n\n  C:\\a  # n\nrelative\n$1BAD\nC:\\bad\n" + b, {"C:\\a"},
         std::nullopt},
        {"no hard path, as the environment supplies it", "$A\n" + b, {}, std::nullopt},
        {"indented drive with a slash", "$A\n    C:/a   # note\n" + b, {"C:/a"}, "$A"},
        {"cut at a hash", "$A\nC:\\a#b\n" + b, {"C:\\a#b"}, "$A"},
        {"trimmed", "$A\nC:\\a \n" + b, {"C:\\a "}, "$A"},
        {"path lost", "$A\n" + b, {"C:\\a"}, "$A"},
        {"path added", "$A\nC:\\a\nC:\\x\n" + b, {"C:\\a"}, "$A"},
        {"path read as an entry", "$A\n$EVIL\n" + b, {"$EVIL"}, "$A"},
        {"path read as an include", "$A\nINCLUDE x.map\n" + b, {"INCLUDE x.map"}, "$A"},
        {"entries swapped", b + "$A\nC:\\a\n", {"C:\\a"}, "$A"},
        {"entry lost", "$A\nC:\\a\n", {"C:\\a"}, "$B"},
        {"entry added", "$A\nC:\\a\n$NEW\n" + b, {"C:\\a"}, "$B"},
        {"an include line not meant", "$A\nC:\\a\nINCLUDE gone.map\n" + b, {"C:\\a"}, std::nullopt},
        {"which closes the entry", "$A\nINCLUDE gone.map\nC:\\a\n" + b, {"C:\\a"}, "$A"},
        {"more than the reader takes", "$A\n" + linesOf(manyPaths(21)) + b, manyPaths(21), "$A"},
        {"lines past the limit are ignored", "$A\n" + linesOf(manyPaths(25)) + b, manyPaths(20), std::nullopt},
    };
    for (const CheckCase &c : cases) EXPECT_EQ(checked(c.body, c.paths), c.concerned) << c.name;
}

TEST(ReadBackCheck, HeaderAndIncludeLines) {
    const std::string line = "INCLUDE a.map";
    MeantContent meant;
    meant.version = "2";
    meant.items = {MeantItem{MeantItem::Kind::Include, &line, nullptr}};
    EXPECT_EQ(whatWouldNotReadBack("ZOR_LOCATION_MAP_2\nINCLUDE a.map # n\n", meant), std::nullopt);
    EXPECT_EQ(whatWouldNotReadBack("ZOR_LOCATION_MAP_2\nINCLUDE  a.map\n", meant), line);
    EXPECT_EQ(whatWouldNotReadBack("ZOR_LOCATION_MAP_2 force\nINCLUDE a.map\n", meant), "");
    EXPECT_EQ(whatWouldNotReadBack("ZOR_LOCATION_MAP_3\nINCLUDE a.map\n", meant), "");
    meant.force = locmap50::mapfile::ForceMode::On;
    EXPECT_EQ(whatWouldNotReadBack("ZOR_LOCATION_MAP_ force\nINCLUDE a.map\n", meant), std::nullopt);
}

// ---- The saves and the export: refused with the reason and the prefix, files untouched.

struct Recorded {
    int reason;
    std::string file;
    std::string detail;
};

bool operator==(const Recorded &a, const Recorded &b) {
    return a.reason == b.reason && a.file == b.file && a.detail == b.detail;
}

std::ostream &operator<<(std::ostream &out, const Recorded &r) {
    return out << r.reason << " \"" << r.file << "\" \"" << r.detail << "\"";
}

Recorded lastFailure() {
    const locmap50::mapfile::FailureRecord &record = locmap50::mapfile::lastFailure();
    return {record.reason, record.file, record.detail};
}

enum class Save { Standard, KeepingLayout };

class ReadBackSave : public testsupport::MapFileTest, public ::testing::WithParamInterface<Save> {
protected:
    void SetUp() override { m_path = write("team.map", kText); }

    testsupport::ScopedEnv m_unsetA{"A", std::nullopt};
    testsupport::ScopedEnv m_unsetB{"B", std::nullopt};

    int save(VnLocMap &map) { return GetParam() == Save::Standard ? map.save(false) : map.saveKeepingLayout(); }

    // Refused with the reason and the prefix, and the file left as it was.
    void expectRefused(VnLocMap &map, const std::string &concerned) {
        const fs::file_time_type before = fs::last_write_time(m_path);
        EXPECT_EQ(save(map), LOCMAP50_FAILED);
        EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_WOULD_NOT_READ_BACK, mainFile().m_fileName, concerned}));
        EXPECT_EQ(readFile(m_path), std::string(kText));
        EXPECT_EQ(fs::last_write_time(m_path), before);
    }

    static constexpr char kText[] = "ZOR_LOCATION_MAP_2\n$A\n  C:\\a  # note\n$B\nC:\\b\n";
    std::string m_path;
};

TEST_P(ReadBackSave, ARecordThatWouldReadBackAsSomethingElseIsNotWritten) {
    // Edits refuse such values; a C++ caller can still put them in the record.
    const std::list<std::list<std::string>> refused = {
        {"C:\\a#b"}, {"$EVIL"}, {"INCLUDE x.map"}, {"C:\\a\nC:\\x"}, {"relative"}, manyPaths(21)};
    for (const std::list<std::string> &paths : refused) {
        VnLocMap &map = load(m_path);
        mainFile().m_entryHardPaths["$A"] = paths;
        expectRefused(map, "$A");
    }
    VnLocMap &map = load(m_path);
    mainFile().m_entryOrder.push_back("$C#x");
    mainFile().m_entryHardPaths["$C#x"] = {"C:\\c"};
    expectRefused(map, "$C#x");
}

// Slashes, blank elements, text after the last backquote, an empty list:
// as the edit calls accept them, and read back as the reader takes them.
TEST_P(ReadBackSave, InputsTheReaderNormalisesAreSaved) {
    VnLocMap &map = load(m_path);
    ASSERT_EQ(map.changeEntry("$A", "C:/x/y` \t`ignored"), LOCMAP50_OK);
    ASSERT_EQ(map.changeEntry("$B", ""), LOCMAP50_OK);
    ASSERT_EQ(save(map), LOCMAP50_OK);
    VnLocMap &reloaded = load(m_path);
    // $B's line stands without a hard path; with nothing to supply one, the reader drops it.
    EXPECT_EQ(testsupport::recordOf(mainFile()), "$A: C:\\x\\y\n");
    EXPECT_EQ(reloaded.loadErrorCount(), 1);
}

// The first path line is indented: "C:/tools" kept there would read as no
// hard path at all. Either save writes it so that it reads back.
TEST_P(ReadBackSave, ADriveWithASlashOnAnIndentedLineReadsBack) {
    const std::string path = write("s.map", "ZOR_LOCATION_MAP_2\n$TOOLS\n    D:\\tools   # note\n");
    testsupport::ScopedEnv unset("TOOLS", std::nullopt);
    VnLocMap &map = load(path);
    ASSERT_EQ(map.changeEntry("$TOOLS", "C:/tools`"), LOCMAP50_OK);
    ASSERT_EQ(save(map), LOCMAP50_OK);
    if (GetParam() == Save::KeepingLayout)
        EXPECT_EQ(readFile(path), "ZOR_LOCATION_MAP_2\n$TOOLS\n    C:\\tools   # note\n");
    VnLocMap &reloaded = load(path);
    EXPECT_EQ(reloaded.loadErrorCount(), 0) << reloaded.m_errorText;
    EXPECT_EQ(testsupport::recordOf(mainFile()), "$TOOLS: C:\\tools\n");
}

INSTANTIATE_TEST_SUITE_P(Saves, ReadBackSave, ::testing::Values(Save::Standard, Save::KeepingLayout),
                         [](const ::testing::TestParamInfo<Save> &info) {
                             return info.param == Save::Standard ? "Standard" : "KeepingLayout";
                         });

class ReadBackKeepingLayout : public testsupport::MapFileTest {};

TEST_F(ReadBackKeepingLayout, ThePreviewRefusesAsTheSaveWould) {
    const std::string path = write("team.map", "ZOR_LOCATION_MAP_2\n$A\nC:\\a\n");
    load(path);
    mainFile().m_entryHardPaths["$A"] = {"C:\\a#b"};
    std::string current;
    std::vector<VnLineChange> changes;
    EXPECT_EQ(mainFile().previewKeepingLayout(current, changes), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_WOULD_NOT_READ_BACK, mainFile().m_fileName, "$A"}));
}

// An include line that named no readable file is not in the record; the
// layout-keeping save leaves it where it stands, and that reads back.
TEST_F(ReadBackKeepingLayout, AnIncludeOfNoReadableFileStaysWhereItStands) {
    const std::string path = write("gone.map", "ZOR_LOCATION_MAP_2\n$A\nC:\\a\nINCLUDE no_such.map\n$B\nC:\\b\n");
    VnLocMap &map = load(path);
    ASSERT_EQ(map.changeEntry("$B", "D:\\b`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(readFile(path), "ZOR_LOCATION_MAP_2\n$A\nC:\\a\nINCLUDE no_such.map\n$B\nD:\\b\n");
}

// A prefix line without hard path that nothing supplied is kept apart from
// the record; an entry added under that prefix goes at the end, as the
// standard save writes it, and the kept line stays where it stood.
TEST_F(ReadBackKeepingLayout, AnEntryAddedUnderAKeptPrefixLineIsAppended) {
    testsupport::ScopedEnv unset("LMT_A", std::nullopt);
    const std::string path = write("kept.map", "ZOR_LOCATION_MAP_2\n$LMT_A\n$B\nC:\\b\n");
    VnLocMap &map = load(path);
    ASSERT_EQ(map.addEntryToFile(path, "$LMT_A", "C:\\a`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(readFile(path), "ZOR_LOCATION_MAP_2\n$LMT_A\n$B\nC:\\b\n\n$LMT_A\nC:\\a\n");
    // The record's block is now the appended one, before and after a reload.
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
    ASSERT_EQ(map.changeEntry("$LMT_A", "D:\\a`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(readFile(path), "ZOR_LOCATION_MAP_2\n$LMT_A\n$B\nC:\\b\n\n$LMT_A\nD:\\a\n");
}

// On POSIX systems "/:/" is a POSIX path: read as written, so a save with no
// edit leaves the file byte for byte (on Windows it is no hard path at all).
TEST_F(ReadBackKeepingLayout, APosixPathWithAColonIsReadAsWritten) {
    const std::string text = "ZOR_LOCATION_MAP_2\n$P\n/:/";
    const std::string path = write("colon.map", text);
    testsupport::ScopedEnv unset("P", std::nullopt);
    VnLocMap &map = load(path);
    if (!testsupport::onWindows()) EXPECT_EQ(testsupport::recordOf(mainFile()), "$P: /:/\n");
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(readFile(path), text);
}

// Deleted and added again in one session: the old lines go, the entry goes
// at the end, where the record has it.
TEST_F(ReadBackKeepingLayout, AnEntryDeletedAndAddedAgainGoesAtTheEnd) {
    const std::string path = write("again.map", "ZOR_LOCATION_MAP_2\n$A\nC:\\a\n$B\nC:\\b\n");
    VnLocMap &map = load(path);
    ASSERT_EQ(map.deleteEntry("$A"), LOCMAP50_OK);
    ASSERT_EQ(map.addEntry("$A", "D:\\a`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(readFile(path), "ZOR_LOCATION_MAP_2\n$B\nC:\\b\n\n$A\nD:\\a\n");
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
}

// An empty element replacing a path line's value takes the whole line with
// it: neither its comment nor its indentation is left behind to read as a
// line of no known kind.
TEST_F(ReadBackKeepingLayout, AnEmptyPathTakesItsWholeLine) {
    struct Case {
        const char *name;
        const char *text;
        const char *list;
        const char *written;
    };
    const Case cases[] = {
        {"commented line, then a path", "ZOR_LOCATION_MAP_2\n$LMT_C\nC:\\c # note\n", "`D:\\d`",
         "ZOR_LOCATION_MAP_2\n$LMT_C\nD:\\d # note\n"},
        {"commented line, empty list", "ZOR_LOCATION_MAP_2\n$LMT_C\nC:\\c # note\n$B\nC:\\b\n", "`",
         "ZOR_LOCATION_MAP_2\n$LMT_C\n$B\nC:\\b\n"},
        {"line indented with a vertical tab", "ZOR_LOCATION_MAP_2\n$LMT_C\n\v\\\\srv\\q\n", "`",
         "ZOR_LOCATION_MAP_2\n$LMT_C\n"},
    };
    testsupport::ScopedEnv unset("LMT_C", std::nullopt);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("blank.map", c.text);
        VnLocMap &map = load(path);
        ASSERT_EQ(map.changeEntry("$LMT_C", c.list), LOCMAP50_OK);
        ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
        EXPECT_EQ(readFile(path), c.written);
        const VnLocMap &reloaded = load(path);
        for (const VnLoadProblem &problem : reloaded.loadProblems())
            EXPECT_NE(problem.kind, LOCMAP50_PROBLEM_PARSE_ERROR) << problem.detail;
    }
}

class ReadBackExport : public testsupport::MapFileTest {
protected:
    void SetUp() override { m_path = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n"); }
    std::string m_path;
};

TEST_F(ReadBackExport, AnEnvironmentValueThatWouldBeCutShortIsNotExported) {
    testsupport::ScopedEnv hashed("LMT_A", std::string("E:\\a#b"));
    VnLocMap &map = load(m_path);
    const std::string target = m_dir.file("export.map");
    EXPECT_EQ(map.exportLocMap(target, false), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_WOULD_NOT_READ_BACK, target, "$LMT_A"}));
    EXPECT_FALSE(readFile(target).has_value());
}

TEST_F(ReadBackExport, OntoALoadedMapFileChangedSinceItWasReadNothingIsWritten) {
    VnLocMap &map = load(m_path);
    const std::string theirs = "ZOR_LOCATION_MAP_2\n$LMT_A\nD:\\theirs\n";
    write("main.map", theirs);
    EXPECT_EQ(map.exportLocMap(m_path, false), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_CHANGED_SINCE_READ, m_path, ""}));
    EXPECT_EQ(readFile(m_path), theirs);
}

TEST_F(ReadBackExport, OntoALoadedMapFileAsItWasReadTheExportIsWritten) {
    VnLocMap &map = load(m_path);
    ASSERT_EQ(map.exportLocMap(m_path, false), LOCMAP50_OK);
    EXPECT_NE(readFile(m_path).value_or("").find("EXPORT command"), std::string::npos);
}

}  // namespace

// SPDX-License-Identifier: Apache-2.0
// Tests that edits, environment values and exports put no line into a written file that reads back as something else.
#include <gtest/gtest.h>

#include <string>

#include "support/MapTest.h"
#include "support/TestSupport.h"
#include "locmap50/result_codes.h"

namespace {

using testsupport::mainFile;

using testsupport::mergedTables;
using testsupport::readFile;
using testsupport::ScopedCurrentDir;
using testsupport::ScopedEnv;

class EditValidation : public testsupport::MapFileTest {
protected:
    void SetUp() override {
        m_victimPath = write("victim.txt", kVictim);
        m_mainPath = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n");
    }

    // Saves, reloads, and reports whether anything reads victim.txt as a map.
    void expectSavedMapReadsBackCleanly() {
        ASSERT_EQ(VnLocMap::createMap()->save(false), LOCMAP50_OK);
        VnLocMap::createMap()->DestroyMap();
        VnLocMap &reloaded = load(m_mainPath);
        EXPECT_EQ(reloaded.m_errorText, testsupport::successLine(m_mainPath));
        EXPECT_EQ(reloaded.m_mapFiles.size(), 1u);
        EXPECT_EQ(reloaded.save(false), LOCMAP50_OK);
        EXPECT_EQ(readFile(m_victimPath), std::string(kVictim));
    }

    static constexpr char kVictim[] = "someone's precious notes\n";
    std::string m_victimPath;
    std::string m_mainPath;
    ScopedCurrentDir m_here{m_dir.path()};
};

struct RefusedEdit {
    const char *softPrefix;
    const char *hardNames;
};

TEST_F(EditValidation, LinesThatWouldReadBackAsSomethingElseAreRefused) {
    const RefusedEdit cases[] = {
        {"INCLUDE victim.txt", ""},
        {"$LMT_A", "C:\\a`INCLUDE victim.txt`"},
        {"$LMT_A", "C:\\a#b`"},
        {"$LMT_A", "C:\\a\nINCLUDE victim.txt`"},
        {"$LMT_A", "C:\\a\rINCLUDE victim.txt`"},
        {"$LMT_A", "  INCLUDE\tvictim.txt`"},
        {"$LMT_A", "$LMT_EVIL`"},
        {"$LMT_A", "relative\\path`"},
        {"$LMT_A", "//server/share`"},
        {"$LMT_A", "C:\\a `"},
        {"$LMT_B#x", "C:\\b`"},
        {"$LMT_B\nINCLUDE victim.txt", "C:\\b`"},
        {"$1BAD", "C:\\b`"},
    };
    VnLocMap &map = load(m_mainPath);
    for (const RefusedEdit &edit : cases) {
        SCOPED_TRACE(std::string(edit.softPrefix) + " / " + edit.hardNames);
        const std::string before = mergedTables(map) + testsupport::recordOf(mainFile());
        EXPECT_EQ(map.changeEntry(edit.softPrefix, edit.hardNames), LOCMAP50_FAILED);
        EXPECT_EQ(map.addEntry(edit.softPrefix, edit.hardNames), LOCMAP50_FAILED);
        EXPECT_EQ(mergedTables(map) + testsupport::recordOf(mainFile()), before);
    }
    // The file's own record refuses such paths too.
    EXPECT_EQ(mainFile().changeEntry("$LMT_A", "C:\\a`INCLUDE victim.txt`"), LOCMAP50_FAILED);
    EXPECT_EQ(testsupport::recordOf(mainFile()), "$LMT_A: C:\\a\n");
    expectSavedMapReadsBackCleanly();
}

TEST_F(EditValidation, PathsThatReadBackAsThemselvesAreTaken) {
    VnLocMap &map = load(m_mainPath);
    EXPECT_EQ(map.changeEntry("$LMT_A", "C:/fwd/slashes`\\\\server\\share`D:\\with blank`"), LOCMAP50_OK);
    EXPECT_EQ(map.addEntry("$LMT_NEW", "E:\\n`"), LOCMAP50_OK);
    // A POSIX path is a hard path on POSIX systems only, and is kept as written.
    const bool posix = !testsupport::onWindows();
    EXPECT_EQ(map.addEntry("$LMT_POSIX", "/opt/Eda Tools/x\\y`"), posix ? LOCMAP50_OK : LOCMAP50_FAILED);
    expectSavedMapReadsBackCleanly();
    EXPECT_EQ(mergedTables(*VnLocMap::createMap()),
              "$LMT_A [C:\\fwd\\slashes] C:\\fwd\\slashes, \\\\server\\share, D:\\with blank\n"
              "$LMT_NEW [E:\\n] E:\\n\n" +
                  std::string(posix ? "$LMT_POSIX [/opt/Eda Tools/x\\y] /opt/Eda Tools/x\\y\n" : ""));
}

TEST_F(EditValidation, VariableWithALineBreakOverridesNothingAndIsReported) {
    ScopedEnv evil("LMT_A", "E:\\x\nINCLUDE victim.txt\n$LMT_EVIL");
    ScopedEnv supplier("LMT_SUPPLIED", "F:\\y\r\nINCLUDE victim.txt");
    write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n$LMT_SUPPLIED\n");

    VnLocMap &map = load(m_mainPath);
    EXPECT_EQ(mergedTables(map), "$LMT_A [C:\\a] C:\\a\n");
    EXPECT_EQ(map.isEnvOverridden("$LMT_A"), 0);
    EXPECT_NE(map.m_errorText.find("Warning: Environment variable for soft prefix  $LMT_A holds a line break"),
              std::string::npos)
        << map.m_errorText;
    EXPECT_NE(map.m_errorText.find("soft prefix  $LMT_SUPPLIED holds a line break"), std::string::npos);

    const std::string exported = m_dir.file("export.map");
    ASSERT_EQ(map.exportLocMap(exported, false), LOCMAP50_OK);
    EXPECT_EQ(readFile(exported).value_or("").find("INCLUDE"), std::string::npos);
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_EQ(readFile(m_mainPath).value_or("").find("INCLUDE"), std::string::npos);
}

TEST_F(EditValidation, ExportRefusesAValueThatWouldBeCutShort) {
    ScopedEnv hashed("LMT_A", "E:\\a#b");
    VnLocMap &map = load(m_mainPath);
    ASSERT_EQ(map.m_primaryHardPaths["$LMT_A"], "E:\\a#b");
    EXPECT_EQ(map.exportLocMap(m_dir.file("export.map"), false), LOCMAP50_FAILED);
    EXPECT_FALSE(readFile(m_dir.file("export.map")).has_value());
}

TEST_F(EditValidation, UnknownLongSoftNameTranslatesInLinearTime) {
    // Quadratic work would take hours at this length; linear work takes a blink.
    VnLocMap &map = load(m_mainPath);
    const std::string name = "$" + std::string(8 * 1024 * 1024, 'Q');
    std::string hardName = "untouched";
    EXPECT_EQ(map.getHardName(name, hardName), LOCMAP50_FAILED);
    EXPECT_EQ(hardName, "untouched");
}

}  // namespace

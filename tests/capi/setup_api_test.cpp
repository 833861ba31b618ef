// SPDX-License-Identifier: Apache-2.0
// Tests of InitLocationMap, keeping and replacing maps, and the query functions.
#include "support/CApiTest.h"

using testsupport::libraryFileName;
using testsupport::getEnv;

namespace {

class InitLocationMapTest : public CApiTest {
protected:
    // A project directory under the temporary directory holding its own map.
    std::string projectWithMap(const std::string &name, const std::string &entries) const {
        writeMap(name + "/zor_location_map", entries);
        return m_dir.file(name);
    }
};

TEST_F(InitLocationMapTest, MapFromZorLocationMapIsKeptByALaterDirectoryCall) {
    const std::string global = writeMap("global.map", "$G\nC:\\g\n");
    setEnv("ZOR_LOCATION_MAP", global);
    ASSERT_EQ(InitLocationMap(projectWithMap("first", "$A\nC:\\a\n").c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(global));
    const std::string loaded = GetErrorString();

    // C:\lmproj need not exist: the kept map is not searched for again.
    EXPECT_EQ(InitLocationMap("C:\\lmproj", 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(global));
    EXPECT_EQ(text(GetErrorString()), loaded);
    EXPECT_EQ(getEnv("CURRENT_PROJECT_PATH"), "C:\\lmproj");
    EXPECT_EQ(VnLocMap::s_envHardToSoftMap["C:\\lmproj"], "CURRENT_PROJECT_PATH");
}

TEST_F(InitLocationMapTest, MapFromAProjectDirectoryIsReplacedByAnotherDirectory) {
    const std::string first = projectWithMap("first", "$A\nC:\\a\n");
    const std::string second = projectWithMap("second", "$B\nC:\\b\n");
    ASSERT_EQ(InitLocationMap(first.c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(first + "/zor_location_map"));
    ASSERT_EQ(InitLocationMap(second.c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(second + "/zor_location_map"));
    EXPECT_EQ(CurrentEntryFileName("$A"), nullptr);
    EXPECT_NE(CurrentEntryFileName("$B"), nullptr);
}

TEST_F(InitLocationMapTest, ExplicitFileAlwaysRebuilds) {
    setEnv("ZOR_LOCATION_MAP", writeMap("global.map", "$G\nC:\\g\n"));
    ASSERT_EQ(InitLocationMap(m_dir.path().string().c_str(), 0), LOCMAP50_OK);

    const std::string explicitMap = writeMap("explicit.map", "$E\nC:\\e\n");
    ASSERT_EQ(InitLocationMap(explicitMap.c_str(), 1), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(explicitMap));
    EXPECT_EQ(CurrentEntryFileName("$G"), nullptr);

    writeMap("explicit.map", "$F\nC:\\f\n");
    ASSERT_EQ(InitLocationMap(explicitMap.c_str(), 1), LOCMAP50_OK);
    EXPECT_EQ(CurrentEntryFileName("$E"), nullptr);
    EXPECT_EQ(text(CurrentEntryFileName("$F")), libraryFileName(explicitMap));
}

TEST_F(InitLocationMapTest, MapMadeThroughTheClassInterfaceIsKept) {
    ASSERT_NE(VnLocMap::createMap(), nullptr);
    EXPECT_EQ(InitLocationMap(projectWithMap("project", "$A\nC:\\a\n").c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), "");
    EXPECT_EQ(text(GetErrorString()), "");
    EXPECT_EQ(CurrentEntryFileName("$A"), nullptr);
}

TEST_F(InitLocationMapTest, BadZorLocationMapStopsTheSearchUntilUnset) {
    const std::string project = projectWithMap("project", "$A\nC:\\a\n");
    setEnv("ZOR_LOCATION_MAP", m_dir.file("nowhere.map"));
    EXPECT_EQ(InitLocationMap(project.c_str(), 0), LOCMAP50_NO_MAP);
    EXPECT_EQ(IsLocMapPresent(), 0);
    EXPECT_EQ(GetErrorString(), nullptr);
    EXPECT_EQ(CurrentMapName(), nullptr);

    EXPECT_EQ(UnsetLocMapEnvVariable(), LOCMAP50_OK);
    EXPECT_EQ(getEnv("ZOR_LOCATION_MAP"), std::nullopt);
    EXPECT_EQ(InitLocationMap(project.c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(project + "/zor_location_map"));
}

TEST_F(InitLocationMapTest, SuccessLineNamesAForwardSlashFileInBackslashForm) {
    writeMap("site.map", "$P\nC:\\p\n");
    const std::string forward = (m_dir.path() / "site.map").generic_string();
    ASSERT_EQ(InitLocationMap(forward.c_str(), 1), LOCMAP50_OK);
    EXPECT_EQ(IsLocMapPresent(), 1);
    EXPECT_EQ(text(GetErrorString()), "Location map file " + libraryFileName(forward) + " loaded successfully.\n");
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(forward));
}

TEST_F(InitLocationMapTest, MapWithErrorsLoadsWithItsDiagnostics) {
    loadMap("C:\\orphan\n");
    EXPECT_EQ(IsLocMapPresent(), 1);
    const std::string errors = GetErrorString();
    EXPECT_FALSE(errors.empty());
    EXPECT_EQ(errors.find("loaded successfully"), std::string::npos);
}

TEST_F(InitLocationMapTest, FailedExplicitLoadDestroysTheOldMap) {
    loadMap("$P\nC:\\p\n");
    EXPECT_EQ(InitLocationMap(m_dir.file("missing.map").c_str(), 1), LOCMAP50_NO_MAP);
    EXPECT_EQ(IsLocMapPresent(), 0);
    EXPECT_EQ(GetErrorString(), nullptr);
    EXPECT_EQ(CurrentMapName(), nullptr);
}

TEST_F(InitLocationMapTest, NullPathChangesNothing) {
    EXPECT_EQ(InitLocationMap(nullptr, 0), LOCMAP50_FAILED);
    EXPECT_EQ(IsLocMapPresent(), 0);
    EXPECT_EQ(getEnv("CURRENT_PROJECT_PATH"), std::nullopt);

    const std::string path = loadMap("$P\nC:\\p\n");
    EXPECT_EQ(InitLocationMap(nullptr, 0), LOCMAP50_FAILED);
    EXPECT_EQ(InitLocationMap(nullptr, 1), LOCMAP50_FAILED);
    EXPECT_EQ(text(CurrentMapName()), libraryFileName(path));
    EXPECT_NE(CurrentEntryFileName("$P"), nullptr);
}

TEST_F(CApiTest, CurrentEntryFileNameNamesTheDefiningFile) {
    const std::string included = writeMap("inc.map", "$I\nC:\\i\n");
    const std::string main = loadMap("$P\nC:\\p\nINCLUDE " + included + "\n");
    EXPECT_EQ(text(CurrentEntryFileName("$P")), libraryFileName(main));
    EXPECT_EQ(text(CurrentEntryFileName("$I")), libraryFileName(included));
    EXPECT_EQ(CurrentEntryFileName("$p"), nullptr);
    EXPECT_EQ(CurrentEntryFileName("P"), nullptr);
    EXPECT_EQ(CurrentEntryFileName("$Q"), nullptr);
    EXPECT_EQ(CurrentEntryFileName(""), nullptr);
    EXPECT_EQ(CurrentEntryFileName(nullptr), nullptr);
}

TEST_F(CApiTest, QueriesWithNoMap) {
    EXPECT_EQ(IsLocMapPresent(), 0);
    EXPECT_EQ(CurrentMapName(), nullptr);
    EXPECT_EQ(GetErrorString(), nullptr);
    EXPECT_EQ(CurrentEntryFileName("$P"), nullptr);
    EXPECT_EQ(IsEnvOverridden("$P"), 0);
}

}  // namespace

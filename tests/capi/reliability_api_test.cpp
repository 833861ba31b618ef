// SPDX-License-Identifier: Apache-2.0
// Tests that hostile input through the C functions writes no stray lines, touches no file it did not load and takes linear time.
#include <string>
#include <vector>

#include "support/CApiTest.h"
#include "locmap50/result_codes.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using testsupport::readFile;

const char kVictim[] = "not a map file\n";

TEST_F(CApiTest, InjectedIncludeLinesNeverReachASavedFile) {
    const std::string victim = m_dir.file("victim.txt");
    testsupport::writeFile(victim, kVictim);
    const std::string mainPath = loadMap("$LMC_A\nC:\\a\n");
    const std::string include = "INCLUDE " + victim;
    EXPECT_EQ(ChangeEntry(include.c_str(), "", LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("$LMC_A", ("C:\\a`" + include + "`").c_str(), LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("$LMC_B", ("C:\\b\n" + include + "`").c_str(), LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("$LMC_A", "C:\\a#b`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    ASSERT_EQ(SaveLocationMap(0), LOCMAP50_OK);

    ASSERT_EQ(InitLocationMap(mainPath.c_str(), 1), LOCMAP50_OK);
    EXPECT_EQ(text(GetErrorString()), "Location map file " + testsupport::libraryFileName(mainPath) +
                                          " loaded successfully.\n");
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_OK);
    EXPECT_EQ(readFile(victim), std::string(kVictim));
}

TEST_F(CApiTest, MapFileThatIsNoRegularFileIsNoMap) {
    EXPECT_EQ(InitLocationMap(m_dir.path().string().c_str(), 1), LOCMAP50_NO_MAP);
#ifndef _WIN32
    const std::string pipe = m_dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(InitLocationMap(pipe.c_str(), 1), LOCMAP50_NO_MAP);
#endif
    EXPECT_EQ(IsLocMapPresent(), 0);
}

TEST_F(CApiTest, LongUnknownSoftNamesTranslateInLinearTime) {
    const std::string name = "$" + std::string(4 * 1024 * 1024, 'Q') + "\\tail";
    std::vector<char> buffer(name.size() * 2 + 4096);
    EXPECT_EQ(GetHardName(name.c_str(), buffer.data()), LOCMAP50_FAILED);  // no map: the snapshot
    loadMap("$LMC_A\nC:\\a\n");
    const std::string bare = name.substr(0, name.find('\\'));
    EXPECT_EQ(GetHardName(bare.c_str(), buffer.data()), LOCMAP50_FAILED);
    EXPECT_EQ(GetSoftName(("C:\\" + std::string(4 * 1024 * 1024, 'x')).c_str(), buffer.data()),
              LOCMAP50_FAILED);
}

}  // namespace

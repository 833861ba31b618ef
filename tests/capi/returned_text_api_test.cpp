// SPDX-License-Identifier: Apache-2.0
// Tests that the text the C functions return lives as long as the header promises, through every edit and save.
#include <functional>
#include <string>
#include <vector>

#include "support/CApiTest.h"

namespace {

// How long a returned text must stay readable.
enum class Lifetime {
    UntilLoad,              // CurrentMapName, GetErrorString, CurrentEntryFileName
    UntilLoadOrEdit,        // GetLoadProblem
    UntilSaveExportOrEdit,  // GetLastFailure, GetLastFailureDetail
};

enum class CallKind { Edit, SaveOrExport, Other };

struct Call {
    const char *name;
    CallKind kind;
    std::function<int(const std::string &mainPath, const std::string &includedPath)> run;
};

bool staysValid(Lifetime lifetime, CallKind kind) {
    switch (lifetime) {
    case Lifetime::UntilLoad: return true;
    case Lifetime::UntilLoadOrEdit: return kind != CallKind::Edit;
    case Lifetime::UntilSaveExportOrEdit: return kind == CallKind::Other;
    }
    return false;
}

// A returned pointer and the text it showed when it was returned.
struct Returned {
    std::string what;
    Lifetime lifetime;
    const char *pointer;
    std::string text;
};

void take(std::vector<Returned> &returned, const std::string &what, Lifetime lifetime, const char *pointer) {
    ASSERT_NE(pointer, nullptr) << what;
    returned.push_back({what, lifetime, pointer, pointer});
}

// Every edit and save call, each on its own fresh map. Each frees or
// replaces a string that one of the texts above came from, where the code
// keeps no copy: $B's and $C's defining files, the failure and problem texts.
const std::vector<Call> &calls() {
    static const std::vector<Call> table = {
        {"ChangeEntry add", CallKind::Edit,
         [](auto &, auto &) { return ChangeEntry("$LMR_NEW", "C:\\a\\rather\\long\\new\\path`", LOCMAP50_ADD_ENTRY); }},
        {"ChangeEntry replace", CallKind::Edit,
         [](auto &, auto &) {
             return ChangeEntry("$LMR_B", "C:\\a\\rather\\long\\other\\path`", LOCMAP50_REPLACE_ENTRY);
         }},
        {"ChangeEntry delete", CallKind::Edit,
         [](auto &, auto &) { return ChangeEntry("$LMR_B", nullptr, LOCMAP50_DELETE_ENTRY); }},
        {"ChangeEntryInFile add", CallKind::Edit,
         [](auto &, auto &included) {
             return ChangeEntryInFile(included.c_str(), "$LMR_NEW", "D:\\new`", LOCMAP50_ADD_ENTRY);
         }},
        {"ChangeEntryInFile replace", CallKind::Edit,
         [](auto &, auto &included) {
             return ChangeEntryInFile(included.c_str(), "$LMR_C", "D:\\c2`", LOCMAP50_REPLACE_ENTRY);
         }},
        // $B's next definition takes over; $C has none and goes.
        {"ChangeEntryInFile delete, defined again later", CallKind::Edit,
         [](auto &, auto &included) {
             return ChangeEntryInFile(included.c_str(), "$LMR_B", nullptr, LOCMAP50_DELETE_ENTRY);
         }},
        {"ChangeEntryInFile delete, defined nowhere else", CallKind::Edit,
         [](auto &, auto &included) {
             return ChangeEntryInFile(included.c_str(), "$LMR_C", nullptr, LOCMAP50_DELETE_ENTRY);
         }},
        // The merged map forgets $C, and the main file then takes it.
        {"ChangeEntry delete, then ChangeEntryInFile add", CallKind::Edit,
         [](auto &main, auto &) {
             EXPECT_EQ(ChangeEntry("$LMR_C", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
             return ChangeEntryInFile(main.c_str(), "$LMR_C", "E:\\c`", LOCMAP50_ADD_ENTRY);
         }},
        {"SaveLocationMap", CallKind::SaveOrExport, [](auto &, auto &) { return SaveLocationMap(0); }},
        {"SaveLocationMapKeepingLayout", CallKind::SaveOrExport,
         [](auto &, auto &) { return SaveLocationMapKeepingLayout(); }},
        {"Export", CallKind::SaveOrExport,
         [](auto &main, auto &) { return Export((main + ".exported").c_str(), 0); }},
        {"UnsetLocMapEnvVariable", CallKind::Other, [](auto &, auto &) { return UnsetLocMapEnvVariable(); }},
    };
    return table;
}

class ReturnedTextTest : public CApiTest {
protected:
    // A main map that includes a file defining $B (which the main file
    // defines again after the include) and $C, loaded afresh, with
    // ZOR_LOCATION_MAP naming it for UnsetLocMapEnvVariable to remove. Both
    // files report a problem; a failed edit leaves a failure to ask about.
    void loadMapAndFailOnce() {
        m_included = m_dir.write("included-with-a-long-name.map",
                                 "ZOR_LOCATION_MAP_2\n$LMR_B\nD:\\b\n$LMR_C\nD:\\c\na line of no known kind here\n");
        m_main = writeMap("main-with-a-long-name.map", "$LMR_A\nC:\\a\nINCLUDE " + m_included +
                                                           "\n$LMR_B\nC:\\b\nanother line of no known kind\n");
        setEnv("ZOR_LOCATION_MAP", m_main);
        ASSERT_EQ(InitLocationMap(m_main.c_str(), 1), LOCMAP50_OK);
        ASSERT_EQ(ChangeEntryInFile(m_main.c_str(), "$LMR_NOT_HERE_AT_ALL", nullptr, LOCMAP50_DELETE_ENTRY),
                  LOCMAP50_FAILED);
    }

    std::vector<Returned> everyReturnedText() {
        std::vector<Returned> returned;
        take(returned, "CurrentMapName", Lifetime::UntilLoad, CurrentMapName());
        take(returned, "GetErrorString", Lifetime::UntilLoad, GetErrorString());
        take(returned, "CurrentEntryFileName($LMR_B)", Lifetime::UntilLoad, CurrentEntryFileName("$LMR_B"));
        take(returned, "CurrentEntryFileName($LMR_C)", Lifetime::UntilLoad, CurrentEntryFileName("$LMR_C"));
        EXPECT_GE(GetLoadProblemCount(), 2);
        for (int index = 0; index < GetLoadProblemCount(); ++index) {
            int severity = 0, kind = 0, line = 0;
            const char *file = nullptr, *detail = nullptr;
            EXPECT_EQ(GetLoadProblem(index, &severity, &kind, &file, &line, &detail), LOCMAP50_OK);
            take(returned, "GetLoadProblem file " + std::to_string(index), Lifetime::UntilLoadOrEdit, file);
            take(returned, "GetLoadProblem detail " + std::to_string(index), Lifetime::UntilLoadOrEdit, detail);
        }
        const char *file = nullptr, *detail = nullptr;
        EXPECT_EQ(GetLastFailure(nullptr, &file), LOCMAP50_OK);
        take(returned, "GetLastFailure", Lifetime::UntilSaveExportOrEdit, file);
        EXPECT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
        take(returned, "GetLastFailureDetail", Lifetime::UntilSaveExportOrEdit, detail);
        return returned;
    }

    std::string m_main;
    std::string m_included;
};

// Under a sanitizer or valgrind a text freed too early is a read of freed
// memory; elsewhere the comparison sees what was written over it.
TEST_F(ReturnedTextTest, EveryTextLivesAsLongAsTheHeaderSays) {
    for (const Call &call : calls()) {
        SCOPED_TRACE(call.name);
        loadMapAndFailOnce();
        const std::vector<Returned> returned = everyReturnedText();
        ASSERT_EQ(call.run(m_main, m_included), call.kind == CallKind::Other ? 0 : LOCMAP50_OK);
        for (const Returned &text : returned)
            if (staysValid(text.lifetime, call.kind)) EXPECT_EQ(std::string(text.pointer), text.text) << text.what;
    }
}

TEST_F(ReturnedTextTest, DefiningFileFollowsTheEditsWhileOldTextStays) {
    loadMapAndFailOnce();
    const char *before = CurrentEntryFileName("$LMR_B");
    ASSERT_EQ(text(before), testsupport::libraryFileName(m_included));
    ASSERT_EQ(ChangeEntryInFile(m_included.c_str(), "$LMR_B", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(text(CurrentEntryFileName("$LMR_B")), testsupport::libraryFileName(m_main));
    EXPECT_EQ(text(before), testsupport::libraryFileName(m_included));
    // Asked again, a name gives the same text: a map asked often does not grow.
    EXPECT_EQ(CurrentEntryFileName("$LMR_C"), CurrentEntryFileName("$LMR_C"));
}

}  // namespace

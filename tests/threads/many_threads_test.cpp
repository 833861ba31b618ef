// SPDX-License-Identifier: Apache-2.0
// Tests that the C interface serves many threads at once: lookups beside a thread that edits, saves, exports and reloads.
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include "support/CApiTest.h"

namespace {

constexpr int kStablePrefixes = 100;
constexpr int kLookupThreads = 8;

// Editing rounds: LOCMAP50_STRESS_ROUNDS when set, else the build's count
// (short under Wine and in the plain Debug run).
int editingRounds() {
    if (const char *rounds = std::getenv("LOCMAP50_STRESS_ROUNDS")) return std::atoi(rounds);
    return LOCMAP50_STRESS_DEFAULT_ROUNDS;
}

#ifdef _WIN32
DWORD WINAPI runBody(LPVOID body) {
    (*static_cast<std::function<void()> *>(body))();
    return 0;
}
#endif

// Runs each body on a thread of its own and waits for all of them: on
// Windows a thread made with CreateThread, as a C caller makes its own.
void runOnThreads(std::vector<std::function<void()>> &bodies) {
#ifdef _WIN32
    std::vector<HANDLE> handles;
    for (std::function<void()> &body : bodies) handles.push_back(CreateThread(nullptr, 0, runBody, &body, 0, nullptr));
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    for (HANDLE handle : handles) CloseHandle(handle);
#else
    std::vector<std::thread> threads;
    for (std::function<void()> &body : bodies) threads.emplace_back(body);
    for (std::thread &thread : threads) thread.join();
#endif
}

// What went wrong on any thread: counted there, told by the main thread.
class Mismatches {
public:
    void note(bool holds, const std::string &what) {
        if (holds) return;
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (m_first.empty()) m_first = what;
        ++m_count;
    }
    int count() const { return m_count; }
    const std::string &first() const { return m_first; }

private:
    std::mutex m_mutex;
    int m_count = 0;
    std::string m_first;
};

std::string bufferText(int (*translate)(const char *, char *, size_t), const std::string &input, int &result) {
    char buffer[512];
    result = translate(input.c_str(), buffer, sizeof buffer);
    return buffer;
}

class ManyThreadsTest : public CApiTest {
protected:
    void SetUp() override {
        CApiTest::SetUp();
        std::string included = "ZOR_LOCATION_MAP_2\n";
        for (int i = 0; i < 50; ++i) included += "$I" + std::to_string(i) + "\nD:\\inc\\i" + std::to_string(i) + "\n";
        m_included = m_dir.write("inc.map", included);
        std::string entries = "$E\nC:\\edited\n";
        for (int i = 0; i < kStablePrefixes; ++i)
            entries += "$S" + std::to_string(i) + "\nC:\\stable\\s" + std::to_string(i) + "\n";
        m_main = writeMap("main.map", entries + "INCLUDE " + m_included + "\n");
        ASSERT_EQ(InitLocationMap(m_main.c_str(), 1), LOCMAP50_OK);
    }

    // Every lookup the interface lets run side by side, on stable entries,
    // whose answers no edit changes.
    void lookUp(int thread, int turn) {
        const std::string n = std::to_string(turn % kStablePrefixes);
        int result = 0;
        std::string text = bufferText(GetHardNameEx, "$S" + n + "\\bin", result);
        m_mismatches.note(result == LOCMAP50_OK && text == "C:\\stable\\s" + n + "\\bin", "GetHardNameEx " + text);
        text = bufferText(GetSoftNameEx, "c:\\STABLE\\s" + n + "\\lib", result);
        m_mismatches.note(result == LOCMAP50_OK && text == "$S" + n + "\\lib", "GetSoftNameEx " + text);
        text = bufferText(GetHardNameEx, "$I7\\x", result);
        m_mismatches.note(result == LOCMAP50_OK && text == "D:\\inc\\i7\\x", "included " + text);
        // Remembered names are added and read by every thread; a reload
        // forgets them.
        const std::string relative = "rel\\t" + std::to_string((thread + turn) % 16);
        const std::string absolute = bufferText(GetAbsoluteHardNameEx, relative, result);
        m_mismatches.note(result == LOCMAP50_OK && !absolute.empty(), "GetAbsoluteHardNameEx");
        text = bufferText(GetHardNameEx, relative, result);
        m_mismatches.note(result == LOCMAP50_OK ? text == absolute : result == LOCMAP50_FAILED,
                          "GetHardNameEx of a remembered name " + text);

        char *list = ReturnAllHardPath(("$S" + n).c_str());
        m_mismatches.note(list != nullptr && std::string(list) == "C:\\stable\\s" + n + "`", "ReturnAllHardPath");
        FreeHardPathList(list);
        list = ReturnAllSoftPrefixes();
        m_mismatches.note(list != nullptr && std::string(list).find("$S" + n + "`") != std::string::npos,
                          "ReturnAllSoftPrefixes");
        FreeHardPathList(list);
        m_mismatches.note(IsEnvOverridden(("$S" + n).c_str()) == 0, "IsEnvOverridden");
        int outcome = -1, errors = -1, warnings = -1;
        m_mismatches.note(GetLoadStatus(&outcome, &errors, &warnings) == LOCMAP50_OK && errors == 0, "GetLoadStatus");
        char sentence[256];
        if (GetLoadProblemCount() > 0) GetLoadProblemText(0, sentence, sizeof sentence);
        // Failures are kept per thread: the editor's never show here.
        m_mismatches.note(lastFailureReason() == LOCMAP50_REASON_NONE, "GetLastFailure on a lookup thread");

        // Map-owned text: no reload while it is in use (the header's rule).
        const std::shared_lock<std::shared_mutex> using_(m_mapOwnedText);
        const char *file = CurrentEntryFileName(("$S" + n).c_str());
        m_mismatches.note(file != nullptr && std::string(file) == testsupport::libraryFileName(m_main), "CurrentEntryFileName");
        const char *name = CurrentMapName();
        m_mismatches.note(name != nullptr && std::string(name) == testsupport::libraryFileName(m_main), "CurrentMapName");
        m_mismatches.note(GetErrorString() != nullptr, "GetErrorString");
    }

    static int lastFailureReason() {
        int reason = -1;
        GetLastFailure(&reason, nullptr);
        return reason;
    }

    void editSaveExportReload(int round) {
        const std::string path = "C:\\edited\\r" + std::to_string(round) + "`";
        m_mismatches.note(ChangeEntry("$E", path.c_str(), LOCMAP50_REPLACE_ENTRY) == LOCMAP50_OK, "replace");
        m_mismatches.note(ChangeEntry("$NEW", "C:\\new`", LOCMAP50_ADD_ENTRY) == LOCMAP50_OK, "add");
        m_mismatches.note(ChangeEntry("$NEW", "C:\\new`", LOCMAP50_ADD_ENTRY) == LOCMAP50_FAILED &&
                              lastFailureReason() == LOCMAP50_REASON_ALREADY_PRESENT,
                          "second add");
        m_mismatches.note(ChangeEntryInFile(m_included.c_str(), "$I3", "D:\\moved`", LOCMAP50_REPLACE_ENTRY) ==
                              LOCMAP50_OK,
                          "one-file replace");
        m_mismatches.note(SaveLocationMap(0) == LOCMAP50_OK, "SaveLocationMap");
        m_mismatches.note(ChangeEntry("$NEW", nullptr, LOCMAP50_DELETE_ENTRY) == LOCMAP50_OK, "delete");
        m_mismatches.note(SaveLocationMapKeepingLayout() == LOCMAP50_OK, "SaveLocationMapKeepingLayout");
        m_mismatches.note(Export(m_dir.file("export.map").c_str(), 0) == LOCMAP50_OK, "Export");
        if (round % 4 != 3) return;
        const std::unique_lock<std::shared_mutex> reloading(m_mapOwnedText);
        m_mismatches.note(InitLocationMap(m_main.c_str(), 1) == LOCMAP50_OK, "InitLocationMap");
    }

    std::string m_main;
    std::string m_included;
    Mismatches m_mismatches;
    std::shared_mutex m_mapOwnedText;
};

TEST_F(ManyThreadsTest, LookupsRunBesideEditsSavesExportsAndReloads) {
    const int rounds = editingRounds();
    std::atomic<bool> editing{true};
    std::vector<std::function<void()>> bodies;
    for (int thread = 0; thread < kLookupThreads; ++thread)
        bodies.push_back([&, thread] {
            // At least a few turns, and never more than the editor needs.
            for (int turn = 0; turn < 4 || (editing.load() && turn < rounds * 400); ++turn) lookUp(thread, turn);
        });
    bodies.push_back([&] {
        for (int round = 0; round < rounds; ++round) editSaveExportReload(round);
        editing = false;
    });
    runOnThreads(bodies);
    EXPECT_EQ(m_mismatches.count(), 0) << "first: " << m_mismatches.first();

    // What the last save wrote is what a load reads back.
    ASSERT_EQ(InitLocationMap(m_main.c_str(), 1), LOCMAP50_OK);
    int result = 0;
    EXPECT_EQ(bufferText(GetHardNameEx, "$E", result), "C:\\edited\\r" + std::to_string(rounds - 1));
    EXPECT_EQ(bufferText(GetHardNameEx, "$I3", result), "D:\\moved");
    EXPECT_EQ(bufferText(GetHardNameEx, "$NEW", result), "");
}

TEST_F(ManyThreadsTest, LookupsThroughTheEnvironmentTableRunBesideReloadsAndEdits) {
    // A name under no map entry's hard path is found through the environment
    // table's index, which every reload refills.
    setEnv("LOCMAP_THREADS_TOOL", "D:\\threads\\tool");
    ASSERT_EQ(InitLocationMap(m_main.c_str(), 1), LOCMAP50_OK);
    int result = 0;
    ASSERT_EQ(bufferText(GetSoftNameEx, "D:\\threads\\tool\\bin", result), "$LOCMAP_THREADS_TOOL\\bin");

    const int reloads = editingRounds() * 25;
    std::atomic<bool> reloading{true};
    std::vector<std::function<void()>> bodies;
    for (int thread = 0; thread < kLookupThreads; ++thread)
        bodies.push_back([&, thread] {
            for (int turn = 0; turn < 4 || reloading.load(); ++turn) {
                int found = 0;
                const std::string soft = bufferText(GetSoftNameEx, "D:\\threads\\tool\\t" + std::to_string(thread), found);
                m_mismatches.note(found == LOCMAP50_OK && soft == "$LOCMAP_THREADS_TOOL\\t" + std::to_string(thread),
                                  "GetSoftNameEx through the environment " + soft);
            }
        });
    bodies.push_back([&] {
        for (int round = 0; round < reloads; ++round) {
            m_mismatches.note(InitLocationMap(m_main.c_str(), 1) == LOCMAP50_OK, "InitLocationMap");
            m_mismatches.note(ChangeEntry("$E", "C:\\edited\\again`", LOCMAP50_REPLACE_ENTRY) == LOCMAP50_OK,
                              "replace");
            m_mismatches.note(
                ChangeEntryInFile(m_included.c_str(), "$I3", "D:\\moved`", LOCMAP50_REPLACE_ENTRY) == LOCMAP50_OK,
                "one-file replace");
        }
        reloading = false;
    });
    runOnThreads(bodies);
    EXPECT_EQ(m_mismatches.count(), 0) << "first: " << m_mismatches.first();
}

TEST_F(ManyThreadsTest, EachThreadHasItsOwnLastFailure) {
    ASSERT_EQ(ChangeEntry("$E", "C:\\x#y`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    std::vector<std::function<void()>> bodies;
    bodies.push_back([&] {
        m_mismatches.note(lastFailureReason() == LOCMAP50_REASON_NONE, "a new thread starts with none");
        m_mismatches.note(ChangeEntry("$S1", "C:\\new`", LOCMAP50_ADD_ENTRY) == LOCMAP50_FAILED, "add");
        const char *file = nullptr;
        m_mismatches.note(GetLastFailure(nullptr, &file) == LOCMAP50_OK && std::string(file).empty() &&
                              lastFailureReason() == LOCMAP50_REASON_ALREADY_PRESENT,
                          "the thread's own failure");
    });
    runOnThreads(bodies);
    EXPECT_EQ(m_mismatches.count(), 0) << "first: " << m_mismatches.first();
    // The other thread neither cleared nor replaced this one's.
    EXPECT_EQ(lastFailureReason(), LOCMAP50_REASON_INVALID_INPUT);
}

}  // namespace

// SPDX-License-Identifier: Apache-2.0
// Tests that one-file edits keep finding a loaded map file that another writer replaces by rename meanwhile.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <thread>

#include "support/CApiTest.h"

namespace {

namespace fs = std::filesystem;

// Edits made while the file is replaced: LOCMAP50_REPLACE_CALLS when set,
// else the build's count (fewer under the sanitizers and Wine).
int editCalls() {
    if (const char *calls = std::getenv("LOCMAP50_REPLACE_CALLS")) return std::atoi(calls);
    return LOCMAP50_REPLACE_DEFAULT_CALLS;
}

int lastFailureReason() {
    int reason = -1;
    GetLastFailure(&reason, nullptr);
    return reason;
}

// What a shell loop of "cp main.map t; mv t main.map" does, until told to stop.
class ReplacingLoop {
public:
    explicit ReplacingLoop(const std::string &file)
        : m_file(file), m_copy(file + ".replacing"), m_thread([this] { run(); }) {}
    ~ReplacingLoop() { stop(); }
    ReplacingLoop(const ReplacingLoop &) = delete;
    ReplacingLoop &operator=(const ReplacingLoop &) = delete;

    void stop() {
        m_running = false;
        if (m_thread.joinable()) m_thread.join();
    }
    long replacements() const { return m_replacements; }

private:
    void run() {
        while (m_running) {
            std::error_code error;
            fs::copy_file(m_file, m_copy, fs::copy_options::overwrite_existing, error);
            if (!error) fs::rename(m_copy, m_file, error);
            if (!error) ++m_replacements;
        }
    }

    const std::string m_file;
    const std::string m_copy;
    std::atomic<bool> m_running{true};
    std::atomic<long> m_replacements{0};
    std::thread m_thread;
};

class ReplacedMapTest : public CApiTest {};

TEST_F(ReplacedMapTest, OneFileEditsFindTheLoadedFileWhileItIsReplacedByRename) {
    // Named as the system names it, the name given is the one the load recorded.
    const std::string main = fs::canonical(writeMap("main.map", "$P\nC:\\p\\0\n")).string();
    fs::create_directory(m_dir.path() / "sub");
    ASSERT_EQ(InitLocationMap(main.c_str(), 1), LOCMAP50_OK);

    const int calls = editCalls();
    std::map<int, int> failures;  // reason -> count
    ReplacingLoop replacing(main);
    for (int call = 0; call < calls; ++call) {
        const std::string path = "C:\\p\\" + std::to_string(call % 7) + "`";
        if (ChangeEntryInFile(main.c_str(), "$P", path.c_str(), LOCMAP50_REPLACE_ENTRY) != LOCMAP50_OK)
            ++failures[lastFailureReason()];
    }
    replacing.stop();
    ASSERT_GT(replacing.replacements(), 0);
    EXPECT_EQ(failures[LOCMAP50_REASON_NOT_FOUND], 0)
        << "of " << calls << " edits, while the file was replaced " << replacing.replacements() << " times";
    EXPECT_EQ(failures.size(), failures.count(LOCMAP50_REASON_NOT_FOUND));

    // After a save of the library's own (a new file under the name), another
    // spelling of the name still finds it.
    ASSERT_EQ(SaveLocationMap(0), LOCMAP50_OK);
    const std::string otherSpelling = (fs::path(main).parent_path() / "sub" / ".." / "main.map").string();
    EXPECT_EQ(ChangeEntryInFile(otherSpelling.c_str(), "$P", "C:\\p\\8`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    char hardName[64];
    EXPECT_EQ(GetHardNameEx("$P", hardName, sizeof hardName), LOCMAP50_OK);
    EXPECT_STREQ(hardName, "C:\\p\\8");
}

}  // namespace

// SPDX-License-Identifier: Apache-2.0
// A randomised differential: the account of a load names the blocks a fresh load took, whatever names reach a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "support/CApiTest.h"
#include "support/DifferentialRun.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kPrefixes{"$LMY_A", "$LMY_B", "$LMY_C", "$LMY_D"};
const std::vector<std::string> kFiles{"main.map", "one.map", "two.map", "three.map"};

// Absolute hard paths on either system, in the reader's form already.
std::vector<std::string> hardPaths() {
    if (testsupport::onWindows()) return {"C:\\p0", "C:\\p0\\s", "C:\\p1", "D:\\p2"};
    return {"/p0", "/p0/s", "/p1", "/p2"};
}

// What a variable may hold: a hard path of the files, one of its own, a
// relative path, and text over two lines (neither of the last two counts on POSIX).
std::vector<std::string> environmentValues() {
    std::vector<std::string> values = hardPaths();
    values.push_back(testsupport::onWindows() ? "E:\\env" : "/env");
    values.push_back("rel/env");
    values.push_back(values.front() + "\nsecond");
    return values;
}

std::vector<std::string> split(char *list) {
    std::vector<std::string> items;
    if (list == nullptr) return items;
    std::string item;
    for (const char *c = list; *c != '\0'; ++c) {
        if (*c != '`') {
            item += *c;
            continue;
        }
        items.push_back(item);
        item.clear();
    }
    FreeHardPathList(list);
    return items;
}

std::string joined(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items) text += item + "`";
    return text;
}

// One prefix as the map's tables hold it, or as its account says they must.
std::string entryLine(const std::string &softPrefix, const std::string &file, const std::vector<std::string> &paths,
                      bool overridden) {
    return softPrefix + " file=" + file + " paths=" + joined(paths) + " overridden=" + (overridden ? "1" : "0");
}

class LoadAccountDifferential : public CApiTest {
protected:
    // The names one file can be reached by: its own, "./" and ".." spellings,
    // a hard link and (where the system lets a test make one) a symbolic link.
    std::vector<std::string> spellingsOf(const std::string &name) const {
        std::vector<std::string> spellings{m_dir.file(name), (m_dir.path() / "." / name).string(),
                                           (m_dir.path() / "sub" / ".." / name).string(),
                                           m_dir.file(name + ".hard")};
        if (m_symlinks) spellings.push_back(m_dir.file(name + ".sym"));
        return spellings;
    }

    void linkEveryFile() {
        fs::create_directories(m_dir.path() / "sub");
        for (const std::string &name : kFiles) {
            const fs::path file = m_dir.path() / name;
            fs::remove(m_dir.path() / (name + ".hard"));
            fs::create_hard_link(file, m_dir.path() / (name + ".hard"));
            fs::remove(m_dir.path() / (name + ".sym"));
            std::error_code refused;
            fs::create_symlink(file, m_dir.path() / (name + ".sym"), refused);
            if (refused) m_symlinks = false;
        }
    }

    std::string randomBlock(std::mt19937 &random) const {
        const std::vector<std::string> paths = hardPaths();
        std::string block = kPrefixes[random() % kPrefixes.size()] + "\n";
        for (unsigned i = random() % 4; i > 0; --i) block += paths[random() % paths.size()] + "\n";
        return block;
    }

    std::string randomInclude(std::mt19937 &random, std::size_t fileIndex) const {
        const std::vector<std::string> spellings = spellingsOf(kFiles[fileIndex]);
        return "INCLUDE " + spellings[random() % spellings.size()] + "\n";
    }

    // Files of random blocks, each included from an earlier one by a random
    // name, and further includes of any file (the main one too, a cycle)
    // by any of its names.
    void writeRandomMaps(std::mt19937 &random) {
        const std::size_t fileCount = 2 + random() % (kFiles.size() - 1);
        std::vector<std::vector<std::string>> blocks(kFiles.size());
        for (std::size_t i = 0; i < fileCount; ++i)
            for (unsigned count = random() % 5; count > 0; --count) blocks[i].push_back(randomBlock(random));
        for (std::size_t i = 1; i < fileCount; ++i) insertAtRandom(random, blocks[random() % i], randomInclude(random, i));
        for (unsigned extra = random() % 4; extra > 0; --extra)
            insertAtRandom(random, blocks[random() % fileCount], randomInclude(random, random() % fileCount));
        for (std::size_t i = 0; i < kFiles.size(); ++i) {
            std::string text = std::string("ZOR_LOCATION_MAP_2") + (random() % 5 == 0 ? " force" : "") + "\n";
            for (const std::string &block : blocks[i]) text += block;
            m_dir.write(kFiles[i], text);
        }
        linkEveryFile();
    }

    static void insertAtRandom(std::mt19937 &random, std::vector<std::string> &blocks, std::string line) {
        blocks.insert(blocks.begin() + static_cast<long>(random() % (blocks.size() + 1)), std::move(line));
    }

    void setRandomEnvironment(std::mt19937 &random) {
        const std::vector<std::string> values = environmentValues();
        for (const std::string &softPrefix : kPrefixes) {
            const std::string name = softPrefix.substr(1);
            if (random() % 3 != 0)
                setEnv(name, std::nullopt);
            else
                setEnv(name, values[random() % values.size()]);
        }
    }

    // A fresh load of random files under a random environment.
    void loadRandomMap(std::mt19937 &random) {
        testsupport::destroyMap();
        setRandomEnvironment(random);
        writeRandomMaps(random);
        ASSERT_EQ(InitLocationMap(m_dir.file(kFiles[0]).c_str(), 1), LOCMAP50_OK);
    }

    // Every prefix as the loaded map's tables hold it, in the map's order.
    static std::vector<std::string> tables() {
        std::vector<std::string> entries;
        for (const std::string &softPrefix : split(ReturnAllSoftPrefixes())) {
            const char *file = CurrentEntryFileName(softPrefix.c_str());
            entries.push_back(entryLine(softPrefix, file != nullptr ? file : "<null>",
                                        split(ReturnAllHardPath(softPrefix.c_str())),
                                        IsEnvOverridden(softPrefix.c_str()) != 0));
        }
        return entries;
    }

    // The same, as the account of the load says they must be: the block in
    // effect's file and paths, or the variable's value that replaced them.
    static std::vector<std::string> accounted() {
        std::vector<VnPrefixAccount> accounts;
        VnLocMap::createMap()->account(accounts);
        std::vector<std::string> entries;
        for (const VnPrefixAccount &account : accounts) {
            const bool fromEnvironment = account.environment != VnExplanation::Environment::None;
            entries.push_back(entryLine(account.softPrefix, account.inEffect.file,
                                        fromEnvironment ? std::vector<std::string>{account.value}
                                                        : account.inEffect.hardPaths,
                                        account.environment == VnExplanation::Environment::Overrode));
        }
        return entries;
    }

    // The account of one prefix agrees with the account of all.
    static std::vector<std::string> accountedOneByOne(const std::vector<std::string> &softPrefixes) {
        std::vector<std::string> files;
        for (const std::string &softPrefix : softPrefixes) {
            VnPrefixAccount account;
            const int found = VnLocMap::createMap()->account(softPrefix, account);
            files.push_back(softPrefix + " " + std::to_string(found) + " " + account.inEffect.file);
        }
        return files;
    }

    bool m_symlinks = !testsupport::onWindows();
};

TEST_F(LoadAccountDifferential, TheAccountNamesTheBlocksAFreshLoadTookWhateverNamesReachAFile) {
    testsupport::runDifferentialCases([&](std::mt19937 &random) {
        ASSERT_NO_FATAL_FAILURE(loadRandomMap(random));
        ASSERT_EQ(accounted(), tables());
        std::vector<std::string> expectedFiles;
        for (const std::string &softPrefix : kPrefixes) {
            const char *file = CurrentEntryFileName(softPrefix.c_str());
            expectedFiles.push_back(softPrefix + " " + std::to_string(file != nullptr ? LOCMAP50_OK : LOCMAP50_FAILED) +
                                    " " + (file != nullptr ? file : ""));
        }
        ASSERT_EQ(accountedOneByOne(kPrefixes), expectedFiles);
    });
}

}  // namespace

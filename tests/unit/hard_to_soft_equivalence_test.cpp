// SPDX-License-Identifier: Apache-2.0
// Randomised check that the indexed hard-to-soft lookups answer exactly as a plain first-match search, through loads and edits, for Windows and POSIX paths.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/EnvTableTest.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "support/TestSupport.h"

namespace {

const char kUntouched[] = "<untouched>";
using Answer = std::pair<int, std::string>;

// ---- The reference: the first-match search written out as plainly as it reads.

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// "/x" but not "//x", and on POSIX systems only: matched byte for byte at "/".
bool isPosixPath(const std::string &path) {
    return !testsupport::onWindows() && !path.empty() && path[0] == '/' && (path.size() == 1 || path[1] != '/');
}

bool isAbsolute(const std::string &path) {
    if (isPosixPath(path)) return true;
    const bool letter = !path.empty() && ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    return (path.size() >= 3 && letter && path[1] == ':' && path[2] == '\\') ||
           (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

bool beginsWithScheme(const std::string &text, const std::string &scheme) {
    if (text.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (lower(text[i]) != scheme[i]) return false;
    return true;
}

// Tries one hard path; every failed try leaves the path as the result.
bool substitute(const std::string &hardPath, const std::string &head, const std::string &path, std::string &result) {
    const bool posix = isPosixPath(hardPath);
    const char separator = posix ? '/' : '\\';
    std::string base = hardPath;
    if (!base.empty() && base.back() == separator && !(posix && base.size() == 1)) base.pop_back();
    bool under = !base.empty() && path.size() >= base.size();
    for (std::size_t i = 0; under && i < base.size(); ++i)
        under = posix ? path[i] == base[i] : lower(path[i]) == lower(base[i]);
    under = under && (path.size() == base.size() || path[base.size()] == separator || base.back() == separator);
    if (!under) {
        result = path;
        return false;
    }
    result = head + path.substr(base.back() == separator ? base.size() - 1 : base.size());
    return true;
}

bool searchEnvironmentTable(const std::string &path, std::string &result) {
    for (const auto &[hardPath, variable] : VnLocMap::s_envHardToSoftMap)
        if (substitute(hardPath, variable == "CURRENT_PROJECT_PATH" ? "." : "$" + variable, path, result)) return true;
    return false;
}

Answer referenceFromEnv(const std::string &path) {
    std::string result = kUntouched;
    if (!isAbsolute(path)) return {LOCMAP50_FAILED, result};
    const bool found = searchEnvironmentTable(path, result);
    return {found ? LOCMAP50_OK : LOCMAP50_FAILED, result};
}

Answer referenceSoftName(const VnLocMap &map, std::string path) {
    if ((path.size() >= 5 && beginsWithScheme(path, "http:")) || (path.size() >= 4 && beginsWithScheme(path, "ftp:")))
        return {LOCMAP50_OK, path};
    if (!isPosixPath(path))
        for (char &c : path)
            if (c == '/') c = '\\';
    if (path == "\\\\" || (!path.empty() && path[0] == '$')) return {LOCMAP50_OK, path};
    std::string result = kUntouched;
    if (!isAbsolute(path)) return {LOCMAP50_FAILED, result};
    for (const std::string &softPrefix : map.m_softPrefixOrder) {
        const auto entry = map.m_softToHardMap.find(softPrefix);
        if (entry == map.m_softToHardMap.end()) continue;
        const std::string head = softPrefix == "$CURRENT_PROJECT_PATH" ? "." : softPrefix;
        for (const std::string &hardPath : entry->second)
            if (substitute(hardPath, head, path, result)) return {LOCMAP50_OK, result};
    }
    const bool found = searchEnvironmentTable(path, result);
    return {found ? LOCMAP50_OK : LOCMAP50_FAILED, result};
}

// ---- Random maps, edits and queries from a fixed seed.

class RandomMaps {
public:
    explicit RandomMaps(unsigned seed) : m_random(seed) {}

    int number(int below) { return static_cast<int>(m_random() % static_cast<unsigned>(below)); }
    bool chance(int percent) { return number(100) < percent; }

    template <typename T>
    const T &pick(const std::vector<T> &items) {
        return items[static_cast<std::size_t>(number(static_cast<int>(items.size())))];
    }

    // Nested, cased, sometimes separator-terminated; Windows and POSIX paths
    // (the POSIX ones lines in error on Windows); now and then an odd one.
    std::string hardPath() {
        if (!m_hardPaths.empty() && chance(20)) return flipCase(pick(m_hardPaths));  // duplicated
        static const std::vector<std::string> roots = {"C:", "c:", "D:", "\\\\srv\\share", "\\\\SRV", "/opt", "/Opt", "/srv/x y"};
        static const std::vector<std::string> odd = {"C:\\", "C:\\\\", "\\\\", "\\", "", "/", "/opt//"};
        if (chance(4)) return pick(odd);
        std::string path = pick(roots);
        const std::string separator = path[0] == '/' ? "/" : "\\";
        for (int depth = number(4); depth > 0; --depth) path += separator + component();
        if (chance(25)) path += separator;
        m_hardPaths.push_back(path);
        return path;
    }

    std::string component() {
        static const std::vector<std::string> components = {"proj", "Proj", "PROJ", "lib", "Lib", "src", "a", "ab", "x y"};
        return pick(components);
    }

    std::string flipCase(std::string text) {
        for (char &c : text)
            if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && chance(30)) c ^= 0x20;
        return text;
    }

    // A path near the generated hard paths: under them, beside them, or off.
    std::string query() {
        static const std::vector<std::string> fixed = {"E:\\nothing\\here", "\\\\", "//", "$P1\\x", "HTTP://C:/proj",
                                                       "a\\b", "C:x", "", "."};
        if (m_hardPaths.empty() || chance(8)) return pick(fixed);
        std::string path = flipCase(pick(m_hardPaths));
        const std::string separator = !path.empty() && path[0] == '/' ? "/" : "\\";
        switch (number(5)) {
        case 0: break;
        case 1: path += separator + component(); break;
        case 2: path += separator + component() + separator + component() + ".v"; break;
        case 3: path += component(); break;  // not on a component boundary
        case 4: path = path.substr(0, static_cast<std::size_t>(number(static_cast<int>(path.size()) + 1))); break;
        }
        // The other separator now and then: "/" is read as "\" in a Windows
        // path, and "\" is a name character in a POSIX one.
        if (chance(15))
            for (char &c : path)
                if (c == separator[0] && chance(50)) c = separator[0] == '/' ? '\\' : '/';
        return path;
    }

    std::string hardPathList() {
        std::string list;
        for (int count = number(3); count >= 0; --count) list += hardPath() + "`";
        return list;
    }

private:
    std::mt19937 m_random;
    std::vector<std::string> m_hardPaths;
};

// Variables named like the generated prefixes (without "$"), so the reader
// meets supplied and overridden entries; and variables for the environment table.
const char kVariableStem[] = "LMEQ_";

class HardToSoftEquivalence : public testsupport::EnvTableTest {
protected:
    void TearDown() override {
        EnvTableTest::TearDown();
        restoreVariables();
    }

    // Last set, first restored: a name set twice gets back its value from
    // before the first setting, not the first setting's value.
    void restoreVariables() {
        while (!m_variables.empty()) m_variables.pop_back();
    }

    void setVariable(const std::string &name, const std::string &value) {
        m_variables.push_back(std::make_unique<testsupport::ScopedEnv>(name, value));
    }

    std::string prefixName(RandomMaps &random) {
        return random.chance(5) ? "$CURRENT_PROJECT_PATH" : "$" + std::string(kVariableStem) + std::to_string(random.number(16));
    }

    // A map file (and an included one) with repeated, supplied and overridden
    // entries, loaded as callers load it.
    VnLocMap *loadRandomMap(RandomMaps &random) {
        std::string included = "ZOR_LOCATION_MAP_2\n";
        std::string main = random.chance(10) ? "ZOR_LOCATION_MAP_2 force\n" : "ZOR_LOCATION_MAP_2\n";
        for (int entry = random.number(12); entry >= 0; --entry) {
            std::string &text = random.chance(20) ? included : main;
            text += prefixName(random) + "\n";
            if (random.chance(10)) continue;  // no hard path: dropped, or supplied by a variable
            for (int count = random.number(3); count >= 0; --count) text += random.hardPath() + "\n";
        }
        main += "INCLUDE " + m_dir.file("included.map") + "\n";
        testsupport::writeFile(m_dir.file("included.map"), included);
        testsupport::writeFile(m_dir.file("main.map"), main);
        VnLocMap *map = VnLocMap::createMap();
        map->load(m_dir.file("main.map"), 1);
        return map;
    }

    void setRandomEnvironment(RandomMaps &random) {
        restoreVariables();
        for (int count = random.number(4); count > 0; --count)
            setVariable(kVariableStem + std::to_string(random.number(16)), random.hardPath());
        if (random.chance(20)) setVariable("CURRENT_PROJECT_PATH", random.hardPath());
        VnLocMap::fetchEnvVariables();
    }

    void editRandomly(VnLocMap &map, RandomMaps &random) {
        const std::string softPrefix = prefixName(random);
        switch (random.number(4)) {
        case 0: map.addEntry(softPrefix, random.hardPathList()); break;
        case 1: map.changeEntry(softPrefix, random.hardPathList()); break;
        case 2: map.deleteEntry(softPrefix); break;
        case 3: ChangeEntry(softPrefix.c_str(), nullptr, LOCMAP50_DELETE_ENTRY); break;
        }
    }

    // Every query answered by the class operations and the C function as the reference answers it.
    void checkQueries(VnLocMap &map, RandomMaps &random, unsigned seed) {
        for (int i = 0; i < 25; ++i) {
            const std::string path = random.query();
            std::string soft = kUntouched;
            const int code = map.getSoftName(path, soft);
            const Answer expected = referenceSoftName(map, path);
            ASSERT_EQ(Answer(code, soft), expected) << "seed " << seed << ", path " << path;

            std::string fromEnv = kUntouched;
            const int envCode = VnLocMap::getSoftNameFromEnv(path, fromEnv);
            ASSERT_EQ(Answer(envCode, fromEnv), referenceFromEnv(path)) << "seed " << seed << ", path " << path;

            std::vector<char> buffer(4096, 'Z');
            const int cCode = GetSoftName(path.c_str(), buffer.data());
            const std::string cText = expected.second == kUntouched ? std::string() : expected.second;
            ASSERT_EQ(Answer(cCode, buffer.data()), Answer(expected.first, cText)) << "seed " << seed << ", path " << path;
        }
    }

    void runSeeds(unsigned first, unsigned count) {
        for (unsigned seed = first; seed < first + count; ++seed) {
            SCOPED_TRACE("seed " + std::to_string(seed));
            RandomMaps random(seed);
            setRandomEnvironment(random);
            VnLocMap *map = loadRandomMap(random);
            ASSERT_NO_FATAL_FAILURE(checkQueries(*map, random, seed));
            for (int round = 0; round < 6; ++round) {
                for (int edits = random.number(4); edits >= 0; --edits) editRandomly(*map, random);
                if (random.chance(15)) setRandomEnvironment(random);
                ASSERT_NO_FATAL_FAILURE(checkQueries(*map, random, seed));
            }
        }
    }

    testsupport::TempDir m_dir;
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> m_variables;
};

}  // namespace

// Four runs of 300 maps each, every map edited six times over and asked
// 3 x 25 questions after its load and after every round of edits.
TEST_F(HardToSoftEquivalence, SeedsFrom1) {
    runSeeds(1, 300);
}
TEST_F(HardToSoftEquivalence, SeedsFrom1001) {
    runSeeds(1001, 300);
}
TEST_F(HardToSoftEquivalence, SeedsFrom2001) {
    runSeeds(2001, 300);
}
TEST_F(HardToSoftEquivalence, SeedsFrom3001) {
    runSeeds(3001, 300);
}

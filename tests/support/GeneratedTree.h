// SPDX-License-Identifier: Apache-2.0
// A generated directory tree, held as data, standing in for a real disk in the tests and the benchmarks.
#ifndef LOCMAP50_TESTS_SUPPORT_GENERATEDTREE_H
#define LOCMAP50_TESTS_SUPPORT_GENERATEDTREE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// The same tree spelled as POSIX paths ("/srv/Eda Projects/...") or as
// Windows paths ("C:\Eda Projects\..."), so the two lookups can be compared.
enum class TreeStyle { Posix, Windows };

struct TreeEntry {
    std::string softPrefix;
    std::string hardPath;
};

// About directoryCount directories and filesPerDirectory files in each, with
// names holding blanks, "#", upper and lower case, twins differing only in
// case or by a trailing character, and chains nested tens of levels deep. A
// map of entries over some of the directories (nested ones too, in an order
// that puts inner ones both before and after outer ones) ends with the root,
// so every file lies under at least one entry. Fixed seed: the same tree on
// every host.
class GeneratedTree {
public:
    explicit GeneratedTree(TreeStyle style, std::size_t directoryCount = 2000, std::size_t filesPerDirectory = 10)
        : m_separator(style == TreeStyle::Posix ? '/' : '\\') {
        m_directories.push_back(style == TreeStyle::Posix ? "/srv/Eda Projects" : "C:\\Eda Projects");
        m_depths.push_back(0);
        // Twins of an entry's directory that must not translate through it.
        for (const char *name : {"tools", "Tools", "toolsX", "tools x"}) addDirectory(0, name);
        std::mt19937 random(20261208u);
        while (m_directories.size() < directoryCount) {
            // Half the time below the newest directory, which builds deep chains.
            const bool deeper = random() % 2 == 0 && m_depths.back() < kMaxDepth;
            const std::size_t parent = deeper ? m_directories.size() - 1 : random() % m_directories.size();
            addDirectory(parent, kDirectoryNames[random() % (sizeof kDirectoryNames / sizeof *kDirectoryNames)]);
        }
        for (const std::string &directory : m_directories)
            for (std::size_t i = 0; i < filesPerDirectory; ++i)
                m_files.push_back(directory + m_separator + kFileNames[i % (sizeof kFileNames / sizeof *kFileNames)] +
                                  (i < 10 ? "" : std::to_string(i)));
        chooseEntries();
    }

    const std::vector<std::string> &directories() const { return m_directories; }
    const std::vector<std::string> &files() const { return m_files; }
    // In map order: the root comes last.
    const std::vector<TreeEntry> &entries() const { return m_entries; }
    char separator() const { return m_separator; }
    std::size_t deepest() const { return *std::max_element(m_depths.begin(), m_depths.end()); }

    std::string mapText() const {
        std::string text = "ZOR_LOCATION_MAP_2\n";
        for (const TreeEntry &entry : m_entries) text += entry.softPrefix + "\n" + entry.hardPath + "\n\n";
        return text;
    }

private:
    static constexpr std::size_t kMaxDepth = 60;
    static constexpr std::size_t kChosenEntries = 40;
    static constexpr const char *kDirectoryNames[] = {"src", "Src", "SRC", "rtl", "my dir", "#gen",
                                                      "Core #2", "lib", "Lib", "lib x", "a", "B"};
    static constexpr const char *kFileNames[] = {"top.v", "Top.V", "#notes.txt", "a b.sv", "README",
                                                 "readme", "x#y z.v", "Makefile", "main.c", "MAIN.C"};

    void addDirectory(std::size_t parent, const std::string &name) {
        std::string path = m_directories[parent] + m_separator + name;
        // A name taken already gets a number, so every directory is new.
        if (!m_taken.insert(path).second) {
            path += " " + std::to_string(m_directories.size());
            m_taken.insert(path);
        }
        m_directories.push_back(path);
        m_depths.push_back(m_depths[parent] + 1);
    }

    // About kChosenEntries directories whose path a map line can hold ("#"
    // would start a comment there), spread over the tree, in a scrambled
    // order, then "tools" and the root.
    void chooseEntries() {
        std::vector<std::size_t> candidates;
        for (std::size_t i = 5; i < m_directories.size(); ++i)
            if (m_directories[i].find('#') == std::string::npos) candidates.push_back(i);
        std::vector<std::size_t> chosen;
        const std::size_t step = std::max<std::size_t>(1, candidates.size() / kChosenEntries);
        for (std::size_t i = 0; i < candidates.size(); i += step) chosen.push_back(candidates[i]);
        std::stable_sort(chosen.begin(), chosen.end(),
                         [](std::size_t a, std::size_t b) { return a * 7919 % 1009 < b * 7919 % 1009; });
        for (std::size_t i : chosen) m_entries.push_back({"$LMTREE_D" + std::to_string(i), m_directories[i]});
        m_entries.push_back({"$LMTREE_TOOLS", m_directories[1]});
        m_entries.push_back({"$LMTREE_SITE", m_directories[0]});
    }

    char m_separator;
    std::vector<std::string> m_directories;  // the root first
    std::vector<std::size_t> m_depths;       // of each directory, below the root
    std::vector<std::string> m_files;
    std::vector<TreeEntry> m_entries;
    std::set<std::string> m_taken;
};

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_GENERATEDTREE_H

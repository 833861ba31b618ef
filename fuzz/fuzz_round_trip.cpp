// libFuzzer target: load, save, reload; the reload must give the same entries and records and no new diagnostics, and a save that refuses must change no file. Before that, the layout-keeping save: with no edit it writes nothing, and after edits every line outside the edited entries stays as it was.
//
// Input: main map text, optionally a line "%%" and the text of shared.map,
// which the main text may include.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <list>
#include <set>
#include <vector>
#include <string>

#include "FuzzScratch.h"
#include "locmapfile/Layout.h"
#include "locmap50/result_codes.h"

namespace {

const std::string kSplitLine = "\n%%\n";

// Everything a load leaves that a save must keep: the merged tables and each
// file's record. A file without version or force is saved as version 2.
std::string loadedState(const VnLocMap &map) {
    std::string state;
    for (const std::string &prefix : map.m_softPrefixOrder) {
        state += prefix + " [";
        const auto primary = map.m_primaryHardPaths.find(prefix);
        if (primary != map.m_primaryHardPaths.end()) state += primary->second;
        state += "]";
        const auto paths = map.m_softToHardMap.find(prefix);
        if (paths != map.m_softToHardMap.end())
            for (const std::string &path : paths->second) state += " " + path + ",";
        state += "\n";
    }
    for (const VnLocMapFile &file : map.m_mapFiles) {
        const std::string version = file.m_version.empty() && !file.m_force ? "2" : file.m_version;
        state += "file " + file.m_fileName + " v" + version + (file.m_force ? " force\n" : "\n");
        for (const std::string &entry : file.m_entryOrder) {
            state += entry + ":";
            const auto paths = file.m_entryHardPaths.find(entry);
            if (paths != file.m_entryHardPaths.end())
                for (const std::string &path : paths->second) state += " " + path + ",";
            state += "\n";
        }
        for (const std::string &line : file.m_includeLines) state += line + "\n";
    }
    return state;
}

// The messages of a load without their line numbers, which a save changes.
std::set<std::string> messagesOf(const std::string &errorText) {
    std::set<std::string> messages;
    std::string message;
    for (std::size_t i = 0; i < errorText.size(); ++i) {
        const char c = errorText[i];
        if (c >= '0' && c <= '9') continue;
        message += c;
        if (c == '\n' && i + 1 < errorText.size() && errorText[i + 1] == '\n') {
            messages.insert(message);
            message.clear();
            ++i;
        }
    }
    if (!message.empty()) messages.insert(message);
    return messages;
}

std::string fileText(const std::string &name) {
    std::ifstream in(fuzzscratch::directory() / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void fail(const char *what, const std::string &before, const std::string &after) {
    std::fprintf(stderr, "round trip: %s\n--- before\n%s\n--- after\n%s\n", what, before.c_str(), after.c_str());
    std::abort();
}

VnLocMap &freshLoad() {
    if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
    VnLocMap &map = *VnLocMap::createMap();
    map.load("main.map", 1);
    fuzzscratch::requireLoadedFilesInScratch();
    return map;
}

// The lines of text (line ends kept, except that a last line gets one)
// outside every block of the edited prefixes, with trailing blank lines
// dropped: what a layout-keeping save must leave as it was.
std::vector<std::string> linesOutside(const std::string &text, const std::set<std::string> &edited) {
    const locmap50::mapfile::FileLayout layout = locmap50::mapfile::readLayout(text);
    std::set<std::size_t> inside;
    for (const locmap50::mapfile::PrefixBlock &block : layout.blocks) {
        if (edited.count(std::string(block.softPrefix)) == 0) continue;
        inside.insert(block.prefixLine.line.begin);
        for (std::size_t i = 0; i < block.pathCount; ++i) inside.insert(layout.pathLines[block.firstPath + i].line.begin);
    }
    std::vector<std::string> lines;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(begin, end - begin);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (inside.count(begin) == 0) lines.push_back(line);
        begin = end;
    }
    while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos) lines.pop_back();
    return lines;
}

// A few edits chosen by the input's bytes: change, delete or add.
std::set<std::string> editSomeEntries(VnLocMap &map, const std::string &text) {
    std::set<std::string> edited;
    std::vector<std::string> prefixes;
    for (const VnLocMapFile &file : map.m_mapFiles)
        for (const auto &entry : file.m_entryHardPaths) prefixes.push_back(entry.first);
    unsigned seed = 0;
    for (char c : text) seed = seed * 31 + static_cast<unsigned char>(c);
    for (int round = 0; round < 3 && !prefixes.empty(); ++round, seed = seed * 1103515245u + 12345u) {
        const std::string &prefix = prefixes[(seed >> 8) % prefixes.size()];
        if (seed % 3 == 0) map.deleteEntry(prefix);
        else if (seed % 3 == 1) map.changeEntry(prefix, "E:\\edited" + std::to_string(round) + "`F:\\x`");
        else continue;
        edited.insert(prefix);
    }
    // A file without a header would get one, a line outside every entry.
    const bool headed = !map.m_mapFiles.empty() &&
                        (!map.m_mapFiles.front().m_version.empty() || map.m_mapFiles.front().m_force);
    if (headed && map.addEntry("$LMF_ADDED", "G:\\added`") == LOCMAP50_OK)
        edited.insert("$LMF_ADDED");
    return edited;
}

void checkLayoutKeepingSaves(bool anyFailed, const std::string &mainBefore, const std::string &sharedBefore,
                             const std::string &text) {
    VnLocMap &map = freshLoad();
    std::list<std::string> written;
    if (map.saveKeepingLayout(written) != LOCMAP50_OK || !written.empty())
        fail("a layout-keeping save with no edit wrote something", mainBefore, fileText("main.map"));
    if (fileText("main.map") != mainBefore || fileText("shared.map") != sharedBefore)
        fail("a layout-keeping save with no edit changed a file", mainBefore, fileText("main.map"));
    if (anyFailed) return;
    const std::set<std::string> edited = editSomeEntries(map, text);
    if (map.saveKeepingLayout() != LOCMAP50_OK) fail("a layout-keeping save after edits failed", mainBefore, "");
    const std::pair<const char *, const std::string *> files[] = {{"main.map", &mainBefore},
                                                                   {"shared.map", &sharedBefore}};
    for (const auto &[name, before] : files)
        if (linesOutside(*before, edited) != linesOutside(fileText(name), edited))
            fail("a line outside the edited entries changed", *before, fileText(name));
    // Back to the input, for the standard save's round trip.
    fuzzscratch::writeFile("main.map", mainBefore);
    fuzzscratch::writeFile("shared.map", sharedBefore);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzscratch::enter("locmap50_fuzz_round_trip");
    setenv("LMF_A", "C:\\env\\a", 1);
    setenv("LMF_B", "\\\\server\\share\\b", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    if (!fuzzscratch::includesOnlyScratchFiles(text)) return 0;
    const std::size_t split = text.find(kSplitLine);
    fuzzscratch::writeFile("main.map", text.substr(0, split));
    fuzzscratch::writeFile("shared.map", split == std::string::npos ? std::string()
                                                                    : text.substr(split + kSplitLine.size()));
    const std::string mainBefore = fileText("main.map");
    const std::string sharedBefore = fileText("shared.map");

    const VnLocMap &first = freshLoad();
    const std::string stateBefore = loadedState(first);
    const std::string errorsBefore = first.m_errorText;
    const std::set<std::string> messagesBefore = messagesOf(errorsBefore);
    bool anyFailed = false;
    for (const VnLocMapFile &file : first.m_mapFiles) anyFailed = anyFailed || file.m_loadState.failed;

    checkLayoutKeepingSaves(anyFailed, mainBefore, sharedBefore, text);
    VnLocMap &reloaded = freshLoad();
    const int saved = reloaded.save(false);
    if (anyFailed) {
        if (saved != LOCMAP50_FAILED) fail("a file that failed to load was saved", "", "");
        if (fileText("main.map") != mainBefore || fileText("shared.map") != sharedBefore)
            fail("a refused save changed a file", mainBefore, fileText("main.map"));
    } else {
        if (saved != LOCMAP50_OK) fail("save of a cleanly loaded map failed", stateBefore, "");
        VnLocMap &second = freshLoad();
        const std::string stateAfter = loadedState(second);
        if (stateAfter != stateBefore) fail("entries differ after a save", stateBefore, stateAfter);
        for (const std::string &message : messagesOf(second.m_errorText))
            if (messagesBefore.count(message) == 0 && message.find("loaded successfully") == std::string::npos)
                fail("new diagnostic after a save", errorsBefore, message);
    }
    if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
    fuzzscratch::removeEverything();
    return 0;
}

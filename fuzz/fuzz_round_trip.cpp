// SPDX-License-Identifier: Apache-2.0
// libFuzzer target: load, save, reload; the reload must give the same entries and records and no new diagnostics, and a save that refuses must change no file. Before that, the layout-keeping save: with no edit it writes nothing, and after edits every line outside the edited entries stays as it was. After edits of the merged map and of one file (drive, "C:/", UNC and POSIX paths, taken also from the input's own lines), both saves must write what reads back as the records said.
//
// Input: main map text, optionally a line "%%" and the text of shared.map,
// which the main text may include.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <list>
#include <map>
#include <set>
#include <vector>
#include <optional>
#include <string>

#include "FuzzScratch.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Layout.h"
#include "locmap50/result_codes.h"

namespace {

const std::string kSplitLine = "\n%%\n";

// What one file's record says, in the reader's form: its prefixes and
// include markers in order, each prefix's hard paths, its include lines.
struct FileRecord {
    std::string name;
    std::string header;  // version and force; a file without either is saved as version 2
    std::vector<std::string> order;
    std::map<std::string, std::vector<std::string>> hardPaths;
    std::vector<std::string> includeLines;
};

// What the reader makes of a hard path that stands on a line of its own, by
// the documented rule rather than the library's code: a POSIX path ("/"
// first, the second character not "/") as written, any other with every
// "/" read as "\"; a blank value is skipped.
std::optional<std::string> readerForm(std::string value) {
    if (value.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
    const bool posix = value[0] == '/' && (value.size() == 1 || value[1] != '/');
    if (!posix)
        for (char &c : value)
            if (c == '/') c = '\\';
    return value;
}

std::vector<FileRecord> recordsOf(const VnLocMap &map) {
    std::vector<FileRecord> records;
    for (const VnLocMapFile &file : map.m_mapFiles) {
        const std::string version = file.m_version.empty() && !file.m_force ? "2" : file.m_version;
        FileRecord record{file.m_fileName, "v" + version + (file.m_force ? " force" : ""), {}, {},
                          {file.m_includeLines.begin(), file.m_includeLines.end()}};
        for (const std::string &entry : file.m_entryOrder) {
            record.order.push_back(entry);
            const auto paths = file.m_entryHardPaths.find(entry);
            if (paths == file.m_entryHardPaths.end()) continue;
            std::vector<std::string> &read = record.hardPaths[entry];
            for (const std::string &path : paths->second)
                if (const std::optional<std::string> form = readerForm(path)) read.push_back(*form);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string describe(const std::vector<FileRecord> &records) {
    std::string text;
    for (const FileRecord &record : records) {
        text += "file " + record.name + " " + record.header + "\n";
        for (const std::string &entry : record.order) {
            text += entry + ":";
            const auto paths = record.hardPaths.find(entry);
            if (paths != record.hardPaths.end())
                for (const std::string &path : paths->second) text += " " + path + ",";
            text += "\n";
        }
        for (const std::string &line : record.includeLines) text += line + "\n";
    }
    return text;
}

// Everything a load leaves that a save must keep: the merged tables and each
// file's record.
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
    return state + describe(recordsOf(map));
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

// Texts are written whole: a map file may hold NUL bytes.
[[noreturn]] void fail(const char *what, const std::string &before, const std::string &after) {
    const std::string report =
        "round trip: " + std::string(what) + "\n--- before\n" + before + "\n--- after\n" + after + "\n";
    std::fwrite(report.data(), 1, report.size(), stderr);
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
// outside every block of the edited prefixes, blank lines left out (an
// edit's blank path may stand as one, and the reader skips it): what a
// layout-keeping save must leave as it was.
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
        if (inside.count(begin) == 0 && line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
        begin = end;
    }
    return lines;
}

// What the edits did, as far as a reload needs to know.
struct EditEffects {
    std::set<std::string> edited;
    std::map<std::string, std::set<std::string>> deletedFrom;  // file -> prefixes
    std::set<std::string> deleted;
    std::string log;  // the edits made, for a finding's report
};

bool environmentNames(const std::string &prefix) {
    return prefix.size() > 1 && std::getenv(prefix.c_str() + 1) != nullptr;
}

// The prefixes whose reload is not the record's alone. A prefix deleted from
// a file must be gone from it, but another file's block of it may take over;
// one left with no hard path reads back as a bare prefix line, which a load
// drops (no variable supplies it), and a later block may take over.
std::set<std::string> uncomparable(const std::vector<FileRecord> &before, const EditEffects &effects) {
    std::set<std::string> prefixes = effects.deleted;
    for (const FileRecord &record : before)
        for (const auto &[prefix, paths] : record.hardPaths)
            if (paths.empty()) prefixes.insert(prefix);
    return prefixes;
}

// The record in the form a reload can be held to: without those prefixes,
// nor any whose variable is set, which the environment decides.
FileRecord comparable(FileRecord record, const std::set<std::string> &leftOut) {
    std::vector<std::string> order;
    for (const std::string &entry : record.order) {
        if (leftOut.count(entry) != 0 || environmentNames(entry)) {
            record.hardPaths.erase(entry);
            continue;
        }
        order.push_back(entry);
    }
    record.order = std::move(order);
    return record;
}

bool operator==(const FileRecord &a, const FileRecord &b) {
    return a.name == b.name && a.header == b.header && a.order == b.order && a.hardPaths == b.hardPaths &&
           a.includeLines == b.includeLines;
}

// The read-back rule from outside: a fresh load of the written files gives,
// per file, what the record said before the save.
void checkReadsBack(const std::vector<FileRecord> &before, const EditEffects &effects, const char *save) {
    VnLocMap &reloaded = freshLoad();
    const std::vector<FileRecord> after = recordsOf(reloaded);
    const std::set<std::string> leftOut = uncomparable(before, effects);
    std::vector<FileRecord> expected, found;
    for (const FileRecord &record : before) expected.push_back(comparable(record, leftOut));
    for (const FileRecord &record : after) found.push_back(comparable(record, leftOut));
    if (expected != found)
        fail(save, effects.log + describe(expected),
             describe(found) + "--- written main.map\n" + fileText("main.map") + "--- written shared.map\n" +
                 fileText("shared.map"));
    for (const FileRecord &record : after) {
        const auto deleted = effects.deletedFrom.find(record.name);
        if (deleted == effects.deletedFrom.end()) continue;
        for (const std::string &prefix : deleted->second)
            if (record.hardPaths.count(prefix) != 0 && !environmentNames(prefix))
                fail("a prefix deleted from a file reads back from it", effects.log + describe(before),
                     describe(after));
    }
}

// Values of the kinds a map holds, and path lines of the input itself, so
// that the fuzzer's own paths reach the edits.
std::vector<std::string> editValues(const std::string &text) {
    std::vector<std::string> values = {"E:\\edited",      "C:/tools",     "c:/x/y z",        "\\\\srv\\share\\d",
                                       "\\\\srv/share/e", "/opt/posix p", "/",                "/x/",
                                       "/:/",             "D:\\tools\\",  "",                 "  "};
    for (std::size_t begin = 0; begin < text.size() && values.size() < 40;) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (!line.empty() && (line[0] == '/' || line[0] == '\\' || (line.size() > 1 && line[1] == ':')))
            values.push_back(line);
    }
    return values;
}

bool headed(const VnLocMapFile &file) {
    return !file.m_version.empty() || file.m_force;
}

// A few edits chosen by the input's bytes: change, delete or add, in the
// merged map or in one file.
EditEffects editSomeEntries(VnLocMap &map, const std::string &text) {
    EditEffects effects;
    std::vector<std::pair<std::string, std::string>> held;  // file, prefix
    std::vector<std::string> files;
    for (const VnLocMapFile &file : map.m_mapFiles) {
        files.push_back(file.m_fileName);
        for (const auto &entry : file.m_entryHardPaths) held.emplace_back(file.m_fileName, entry.first);
    }
    const std::vector<std::string> values = editValues(text);
    unsigned seed = 0;
    for (char c : text) seed = seed * 31 + static_cast<unsigned char>(c);
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    const auto someValues = [&] {
        std::string list;
        for (unsigned count = next() % 3 + 1; count > 0; --count) list += values[next() % values.size()] + "`";
        return list;
    };
    for (int round = 0; round < 3 && !held.empty(); ++round) {
        const auto &[file, prefix] = held[next() % held.size()];
        const unsigned operation = next() % 6;
        const std::string list = operation == 0 || operation == 3 ? std::string() : someValues();
        const std::string added = "$LMF_ADDED" + std::to_string(round);
        const VnLocMapFile *target = map.loadedMapFile(file);
        // A file without a header would get one, a line outside every entry.
        if (operation == 5 || (operation == 4 && (target == nullptr || !headed(*target)))) continue;
        const char *names[] = {"delete", "change", "change in file", "delete from file", "add to file"};
        effects.log += std::string(names[operation]) + " " + file + " " + (operation == 4 ? added : prefix) + " [" +
                       list + "]";
        int result = LOCMAP50_FAILED;
        switch (operation) {
        case 0: result = map.deleteEntry(prefix); break;
        case 1: result = map.changeEntry(prefix, list); break;
        case 2: result = map.changeEntryInFile(file, prefix, list); break;
        case 3: result = map.deleteEntryFromFile(file, prefix); break;
        default: result = map.addEntryToFile(file, added, list); break;
        }
        effects.log += result == LOCMAP50_OK ? " done\n" : " refused\n";
        if (result != LOCMAP50_OK) continue;
        effects.edited.insert(operation == 4 ? added : prefix);
        if (operation == 0)
            for (const std::string &name : files) effects.deletedFrom[name].insert(prefix);
        if (operation == 3) effects.deletedFrom[file].insert(prefix);
        if (operation == 0 || operation == 3) effects.deleted.insert(prefix);
    }
    if (!map.m_mapFiles.empty() && headed(map.m_mapFiles.front()) &&
        map.addEntry("$LMF_ADDED", "G:\\added`") == LOCMAP50_OK)
        effects.edited.insert("$LMF_ADDED");
    // Added again after a delete, a prefix stands where the record says.
    for (auto &[name, prefixes] : effects.deletedFrom)
        for (const VnLocMapFile &file : map.m_mapFiles)
            if (file.m_fileName == name)
                for (auto prefix = prefixes.begin(); prefix != prefixes.end();)
                    prefix = file.m_entryHardPaths.count(*prefix) != 0 ? prefixes.erase(prefix) : std::next(prefix);
    return effects;
}

void restoreInput(const std::string &mainBefore, const std::string &sharedBefore) {
    fuzzscratch::writeFile("main.map", mainBefore);
    fuzzscratch::writeFile("shared.map", sharedBefore);
}

// A save may refuse what would not read back, and then changes no file.
void checkRefusal(VnLocMap &map, const std::string &mainBefore, const std::string &sharedBefore, const char *save,
                  const std::string &edits) {
    int reason = 0;
    std::string file;
    map.lastFailure(reason, file);
    if (reason != LOCMAP50_REASON_WOULD_NOT_READ_BACK)
        fail(save, edits + mainBefore, "reason " + std::to_string(reason));
    if (fileText("main.map") != mainBefore || fileText("shared.map") != sharedBefore)
        fail("a refused save changed a file", mainBefore, fileText("main.map"));
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
    const EditEffects effects = editSomeEntries(map, text);
    const std::vector<FileRecord> records = recordsOf(map);
    if (map.saveKeepingLayout() != LOCMAP50_OK) {
        checkRefusal(map, mainBefore, sharedBefore, "a layout-keeping save after edits failed", effects.log);
        return;
    }
    checkReadsBack(records, effects, "the layout-keeping save wrote what reads back as something else");
    const std::pair<const char *, const std::string *> files[] = {{"main.map", &mainBefore},
                                                                   {"shared.map", &sharedBefore}};
    for (const auto &[name, before] : files)
        if (linesOutside(*before, effects.edited) != linesOutside(fileText(name), effects.edited))
            fail("a line outside the edited entries changed", effects.log + *before, fileText(name));
    restoreInput(mainBefore, sharedBefore);
}

// The standard save after the same edits.
void checkEditedStandardSave(const std::string &mainBefore, const std::string &sharedBefore,
                             const std::string &text) {
    VnLocMap &map = freshLoad();
    const EditEffects effects = editSomeEntries(map, text);
    const std::vector<FileRecord> records = recordsOf(map);
    if (map.save(false) != LOCMAP50_OK) {
        checkRefusal(map, mainBefore, sharedBefore, "the standard save after edits failed", effects.log);
        return;
    }
    checkReadsBack(records, effects, "the standard save wrote what reads back as something else");
    restoreInput(mainBefore, sharedBefore);
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
    for (const VnLocMapFile &file : first.m_mapFiles) anyFailed = anyFailed || locmap50::mapfile::loadStateOf(file).failed;

    checkLayoutKeepingSaves(anyFailed, mainBefore, sharedBefore, text);
    if (!anyFailed) checkEditedStandardSave(mainBefore, sharedBefore, text);
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

// SPDX-License-Identifier: Apache-2.0
// The loader: the include stack, the merge and override rules, the files' records and the load's problems.
#include "locmap/MapLoader.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <list>
#include <memory>
#include <utility>

#include "locmap/LookupIndexes.h"
#include "catalogue/Catalogue.h"
#include "locmap/ProblemReport.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Format.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/Parser.h"
#include "paths/PathRules.h"
#include "platform/Platform.h"

namespace locmap50::locmap {
namespace {

namespace mapfile = locmap50::mapfile;
namespace paths = locmap50::paths;
using locmap50::catalogue::messageFormat;

// The severity is the kind's own, set where the problem is recorded. The
// message is that of messageKind, which only a header holding a NUL byte
// changes.
VnLoadProblem problemAt(int kind, const VnLocMapFile &file, int line, std::string detail) {
    VnLoadProblem problem;
    problem.kind = kind;
    problem.file = file.m_fileName;
    problem.line = line;
    problem.detail = std::move(detail);
    return problem;
}

void report(int kind, const VnLocMapFile &file, int line, std::string detail,
            const std::string &format, int reason = LOCMAP50_REASON_NONE, int messageKind = 0) {
    VnLoadProblem problem = problemAt(kind, file, line, std::move(detail));
    problem.reason = reason;
    ProblemReport::reportMapProblem(std::move(problem), format, messageKind != 0 ? messageKind : kind);
}

// A problem with the variable named after softPrefix, which carries the variable and its value.
void reportVariable(int kind, const VnLocMapFile &file, int line, const std::string &softPrefix,
                    const std::string &value, std::string detail, const std::string &format) {
    VnLoadProblem problem = problemAt(kind, file, line, std::move(detail));
    problem.variable = softPrefix.substr(1);
    problem.value = value;
    ProblemReport::reportMapProblem(std::move(problem), format, kind);
}

}  // namespace

// The reading of one file's lines: the entry being read, and what each kind of line does to it.
class MapLoader::FileReading : public mapfile::ParseSink {
public:
    FileReading(VnLocMapFile &file, MapLoader &loader, std::string text)
        : m_file(file), m_map(loader.m_map), m_loader(loader), m_text(std::move(text)), m_parser(m_text) {}

    enum class Outcome { Finished, StoppedEarly, Include };

    // Reads lines until the end of the file, an early stop, or an include line
    // whose file must be read now (takeInclude hands it over).
    Outcome readOn() {
        switch (m_parser.parse(*this)) {
        case mapfile::Parser::Outcome::Paused:
            return Outcome::Include;
        case mapfile::Parser::Outcome::StoppedEarly:
            return Outcome::StoppedEarly;
        case mapfile::Parser::Outcome::Finished:
            break;
        }
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        return Outcome::Finished;
    }

    // The file the last include line asks for, its text and its identity.
    std::unique_ptr<VnLocMapFile> takeInclude() { return std::move(m_include); }
    std::string takeIncludeText() { return std::move(m_includeText); }
    const std::string &includeIdentity() const { return m_includeIdentity; }

    VnLocMapFile &file() { return m_file; }

    void header(const mapfile::LineSpans &, const mapfile::Header &header) override {
        m_file.m_version = header.version;
        m_file.m_force = header.force;
    }

    void softPrefix(const mapfile::LineSpans &spans, std::string &line) override {
        startEntry(spans);
        m_currentSoftPrefix = line;
        // While a file is read, each prefix of its m_entryOrder is also in the
        // map's order list, so the map's index answers for both. The merged
        // table is searched here, once per entry: its hard paths go there.
        m_currentRank = m_map.indexes().listNewSoftPrefix(m_map, line, m_mergedHardPaths);
        if (!m_currentRank) {
            m_previous = Previous::Rejected;
            keepShadowedEntry(line, spans.lineNumber());
            return;
        }
        noteRecordBlock(line);
        m_file.m_entryOrder.push_back(line);
        m_previous = Previous::SoftPrefix;
    }

    void hardPath(const mapfile::LineSpans &, std::string &line) override {
        // Converted in place: a hard path is copied only into the tables.
        line = paths::toHardPathForm(std::move(line));
        const std::string &hardPath = line;
        if (m_currentIsShadowed) {
            // The reader's limit holds for what the record keeps of any block.
            if (mapfile::withinHardPathLimit(m_fileHardPaths->size() + 1)) m_fileHardPaths->push_back(hardPath);
            return;
        }
        if (!mapfile::withinHardPathLimit(m_hardPathCount + 1)) {
            // An overridden entry's hard paths never reach the merged map, so
            // its messages stay those of the override alone.
            if (!m_limitWarned && !m_mergedHoldsEnvironmentValue)
                report(LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS, m_file, m_currentPrefixLine,
                       m_currentSoftPrefix, m_file.m_msgTooManyHardPaths);
            m_limitWarned = true;
            m_previous = Previous::HardPath;
            return;
        }
        if (m_previous == Previous::Rejected) return;
        if (m_previous == Previous::SoftPrefix) takeFirstHardPath(hardPath);
        ++m_hardPathCount;
        m_fileHardPaths->push_back(hardPath);
        if (!m_mergedHoldsEnvironmentValue)
            m_mergedHardPaths = m_map.indexes().appendMergedHardPath(m_map, m_mergedHardPaths, m_currentSoftPrefix,
                                                                     m_currentRank, hardPath);
        m_previous = Previous::HardPath;
    }

    mapfile::AfterInclude include(const mapfile::LineSpans &spans, std::string &line) override {
        startEntry(spans);
        m_previous = Previous::Include;
        const int lineNumber = spans.lineNumber();
        const std::string includePath = mapfile::includePath(line);
        if (const platform::Status readable = platform::canRead(includePath); !readable) {
            report(LOCMAP50_PROBLEM_BAD_INCLUDE, m_file, lineNumber, includePath,
                   m_file.m_msgBadInclude, mapfile::reasonCode(readable.failure()));
            return mapfile::AfterInclude::Continue;
        }
        // The line stays in the record whatever follows, so a save keeps it.
        m_file.m_includeLines.push_back(line);
        m_file.m_entryOrder.push_back(mapfile::kIncludeMarker);

        std::vector<std::size_t> &includeReads = m_file.m_private.get().includeReads;
        includeReads.push_back(mapfile::FileState::kReadNothing);

        auto included = std::make_unique<VnLocMapFile>();
        included->m_fileName = paths::toHostFileName(includePath);
        MapLoader::FileKey key = m_loader.keyOf(included->m_fileName);
        switch (m_loader.m_walk.step(key.walkIdentity)) {
        case IncludeWalk::Step::Cycle:
            report(LOCMAP50_PROBLEM_INCLUDE_CYCLE, m_file, lineNumber, includePath,
                   messageFormat(LOCMAP50_PROBLEM_INCLUDE_CYCLE));
            return mapfile::AfterInclude::Continue;
        case IncludeWalk::Step::ReadBefore:
            // Its entries are in the map already; reading it again adds nothing.
            return mapfile::AfterInclude::Continue;
        case IncludeWalk::Step::Read:
            break;
        }
        platform::Result<std::string> text = m_loader.fetch(*included, key);
        includeReads.back() = included->m_private.get().readOrdinal;
        if (!text) {
            // Readable a moment ago, yet not read (out of handles, a read
            // error): kept, so that a save refuses to write over it.
            report(LOCMAP50_PROBLEM_BAD_INCLUDE, m_file, lineNumber, includePath,
                   m_file.m_msgBadInclude, mapfile::reasonCode(text.failure()));
            m_map.m_mapFiles.push_back(std::move(*included));
            return mapfile::AfterInclude::Continue;
        }
        m_include = std::move(included);
        m_includeText = std::move(*text);
        m_includeIdentity = std::move(key.walkIdentity);
        return mapfile::AfterInclude::Pause;
    }

    void commentOrBlank(const mapfile::LineSpans &) override {}

    void problem(const mapfile::LineSpans &spans, mapfile::ParseProblem problem, std::string &line) override {
        const int lineNumber = spans.lineNumber();
        switch (problem) {
        case mapfile::ParseProblem::BadHeader:
            report(LOCMAP50_PROBLEM_BAD_HEADER, m_file, lineNumber, mapfile::describeNonHeader(line),
                   m_file.m_msgBadVersion);
            return;
        case mapfile::ParseProblem::NulInHeader:
            // A file with no header is no map: its record describes the line
            // and quotes none of it, while the message stays the NUL byte's.
            report(LOCMAP50_PROBLEM_BAD_HEADER, m_file, lineNumber, mapfile::describeNonHeader(line),
                   messageFormat(LOCMAP50_PROBLEM_NUL_BYTE), LOCMAP50_REASON_NONE, LOCMAP50_PROBLEM_NUL_BYTE);
            return;
        case mapfile::ParseProblem::BadSoftPrefix:
            startEntry(spans);
            report(LOCMAP50_PROBLEM_BAD_SOFT_PREFIX, m_file, lineNumber, line,
                   m_file.m_msgBadSoftPrefix);
            m_previous = Previous::Rejected;
            return;
        case mapfile::ParseProblem::UnknownLine:
            report(LOCMAP50_PROBLEM_PARSE_ERROR, m_file, lineNumber, line,
                   m_file.m_msgParseError);
            return;
        case mapfile::ParseProblem::HardPathWithoutSoftPrefix:
            report(LOCMAP50_PROBLEM_NO_SOFT_PREFIX, m_file, lineNumber,
                   paths::toHardPathForm(line), m_file.m_msgNoSoftPrefix);
            return;
        case mapfile::ParseProblem::NulInSoftPrefix:
            // Its hard paths go with it, as with a bad soft prefix.
            startEntry(spans);
            m_previous = Previous::Rejected;
            break;
        case mapfile::ParseProblem::NulInInclude:
            // Nothing is included, and hard paths after it stop the file, as after an unreadable include.
            startEntry(spans);
            m_previous = Previous::Include;
            break;
        case mapfile::ParseProblem::NulInHardPath:
            break;
        }
        report(LOCMAP50_PROBLEM_NUL_BYTE, m_file, lineNumber, line,
               messageFormat(LOCMAP50_PROBLEM_NUL_BYTE));
    }

private:
    // The kind of the last soft prefix, hard path or include line; parse
    // errors other than a bad soft prefix leave it alone.
    enum class Previous { None, SoftPrefix, HardPath, Include, Rejected };

    // An entry an earlier file defined stays out of the merged map but in this
    // file's record, so a save writes the file back whole. A second block of
    // one prefix within a file has no place in the record; the file's private
    // state keeps it where it stood.
    void keepShadowedEntry(const std::string &softPrefix, int lineNumber) {
        const auto entry = m_file.m_entryHardPaths.try_emplace(softPrefix);
        if (entry.second) {
            noteOverrideByEarlierFile(softPrefix, lineNumber);
            noteRecordBlock(softPrefix);
            m_file.m_entryOrder.push_back(softPrefix);
            m_fileHardPaths = &entry.first->second;
        } else {
            m_fileHardPaths = &m_file.keepBlock(softPrefix);
        }
        m_currentIsShadowed = true;
    }

    // Layering puts a personal entry before the INCLUDE of a shared map that
    // defines the prefix too: that is intended, so it is only a note, with no
    // message text and no count, once per file. A second block within one
    // file is a slip, which the account leaves to a checker.
    void noteOverrideByEarlierFile(const std::string &softPrefix, int lineNumber) {
        const auto inEffect = m_map.m_softToFileMap.find(softPrefix);
        if (inEffect == m_map.m_softToFileMap.end() || inEffect->second == m_file.m_fileName) return;
        ProblemReport::note(problemAt(LOCMAP50_PROBLEM_NOTE_OVERRIDDEN, m_file, lineNumber, softPrefix));
    }

    // The record's block of a prefix is its first in the file, unless blocks
    // without hard path that counted as undefined came before it.
    void noteRecordBlock(const std::string &softPrefix) {
        if (const unsigned before = m_file.keptBlockCount(softPrefix); before > 0)
            m_file.m_private.get().recordBlockOrdinals[softPrefix] = before;
    }

    // The environment is asked once per entry, in onSoftPathState; what it
    // settled shows in the merged tables, which are insert-only.
    void takeFirstHardPath(const std::string &hardPath) {
        m_loader.onSoftPathState(m_file, m_currentSoftPrefix, m_currentPrefixLine, /*noHardPath=*/false, hardPath);
        m_map.enterPrimaryHardPath(m_currentSoftPrefix, hardPath);
        m_map.m_softToFileMap.emplace(m_currentSoftPrefix, m_file.m_fileName);
        // The prefix is new, so a merged list exists only when an overriding
        // value was entered; the file's own hard paths then go only into the
        // file's record. Each table is searched once per entry; later hard
        // paths go to the lists found here. A value entered since the prefix
        // line was read stands right before the place found then.
        if (!isCurrentMergedList(m_mergedHardPaths) && m_mergedHardPaths != m_map.m_softToHardMap.begin() &&
            isCurrentMergedList(std::prev(m_mergedHardPaths)))
            --m_mergedHardPaths;
        m_mergedHoldsEnvironmentValue = isCurrentMergedList(m_mergedHardPaths);
        m_fileHardPaths = &m_file.m_entryHardPaths[m_currentSoftPrefix];
    }

    bool isCurrentMergedList(VnLocMap::MergedEntryPosition position) const {
        return position != m_map.m_softToHardMap.end() && position->first == m_currentSoftPrefix;
    }

    // A soft prefix or include line ends the entry before it (which is
    // settled while m_currentPrefixLine still names its line).
    void startEntry(const mapfile::LineSpans &spans) {
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        m_hardPathCount = 0;
        m_limitWarned = false;
        m_mergedHoldsEnvironmentValue = false;
        m_currentIsShadowed = false;
        m_currentPrefixLine = spans.lineNumber();
    }

    void settleWithoutHardPath() {
        m_loader.onSoftPathState(m_file, m_currentSoftPrefix, m_currentPrefixLine, /*noHardPath=*/true,
                                 std::string());
    }

    VnLocMapFile &m_file;
    VnLocMap &m_map;
    MapLoader &m_loader;
    std::string m_text;  // the whole file
    mapfile::Parser m_parser;
    std::unique_ptr<VnLocMapFile> m_include;
    std::string m_includeText;
    std::string m_includeIdentity;

    std::string m_currentSoftPrefix;
    std::optional<std::uint64_t> m_currentRank;  // its place in the map's order
    int m_currentPrefixLine = 0;
    Previous m_previous = Previous::None;
    std::size_t m_hardPathCount = 0;
    bool m_limitWarned = false;
    bool m_mergedHoldsEnvironmentValue = false;
    std::list<std::string> *m_fileHardPaths = nullptr;  // the current entry's, in the file's record
    VnLocMap::MergedEntryPosition m_mergedHardPaths;     // the current entry's merged list, or where it goes
    bool m_currentIsShadowed = false;
};

MapLoader::FileKey MapLoader::keyOf(const std::string &fileName) const {
    FileKey key;
    key.spelled = platform::absoluteSpelling(fileName);
    if (key.spelled) {
        const auto known = m_walkIdentities.find(*key.spelled);
        if (known != m_walkIdentities.end()) {
            key.walkIdentity = known->second;
            return key;
        }
    }
    key.identity = platform::fileIdentity(fileName);
    // Its own name when it cannot be resolved, so that at least the same
    // spelling is always caught.
    key.walkIdentity = key.identity.value_or(fileName);
    return key;
}

platform::Result<std::string> MapLoader::fetch(VnLocMapFile &file, const FileKey &key) {
    mapfile::loadStateOf(file) = mapfile::LoadState();
    mapfile::loadStateOf(file).read = true;
    mapfile::loadStateOf(file).failed = true;
    mapfile::FileState &state = file.m_private.get();
    state.loadedAs = key.spelled.value_or(std::string());
    state.identity = key.identity;
    state.readOrdinal = m_filesFetched++;
    if (!state.loadedAs.empty()) m_walkIdentities.emplace(state.loadedAs, key.walkIdentity);
    // Resolved once: the bytes are read, and later locked and written, under
    // the system's own name for the file, which no conversion touches again.
    const platform::Result<platform::FileName> absolute = platform::absolutePath(file.m_fileName);
    if (!absolute) return absolute.status();
    mapfile::LoadState &loadState = mapfile::loadStateOf(file);
    loadState.absolutePath = absolute->text();
    if (loadState.absolutePath != state.loadedAs) m_walkIdentities.emplace(loadState.absolutePath, key.walkIdentity);
    platform::Result<std::string> bytes = platform::readRegularFile(*absolute);
    if (!bytes) return bytes;
    const platform::ContentStamp stamp = platform::stampOf(*bytes);
    mapfile::loadStateOf(file).failed = false;
    mapfile::loadStateOf(file).contentSize = stamp.size;
    mapfile::loadStateOf(file).contentHash = stamp.hash;
    return bytes;
}

int MapLoader::load(VnLocMapFile &root) {
    struct OpenRead {
        std::unique_ptr<VnLocMapFile> included;  // null for the root, which the caller owns
        std::unique_ptr<FileReading> lines;
    };
    std::vector<OpenRead> reads;  // the files being read, outermost first

    const FileKey rootKey = keyOf(root.m_fileName);
    m_walk.step(rootKey.walkIdentity);
    platform::Result<std::string> rootText = fetch(root, rootKey);
    if (!rootText) {
        // A file that is not there says nothing (the callers look before);
        // one that is there yet could not be read leaves the map empty and says why.
        if (rootText.failure() == platform::Failure::NotFound) return LOCMAP50_OK;
        VnLoadProblem problem;
        problem.kind = LOCMAP50_PROBLEM_NO_READ_ACCESS;
        problem.file = root.m_fileName;
        problem.detail = root.m_fileName;
        problem.reason = mapfile::reasonCode(rootText.failure());
        ProblemReport::reportLoadProblem(std::move(problem), m_map.m_msgNoReadAccess);
        return LOCMAP50_OK;
    }
    m_walk.enter(rootKey.walkIdentity);
    reads.push_back({nullptr, std::make_unique<FileReading>(root, *this, std::move(*rootText))});

    for (;;) {
        FileReading &current = *reads.back().lines;
        const FileReading::Outcome outcome = current.readOn();
        if (outcome == FileReading::Outcome::Include) {
            OpenRead next{current.takeInclude(), nullptr};
            next.lines = std::make_unique<FileReading>(*next.included, *this, current.takeIncludeText());
            m_walk.enter(current.includeIdentity());
            reads.push_back(std::move(next));
            continue;
        }
        const bool stoppedEarly = outcome == FileReading::Outcome::StoppedEarly;
        // Lines after an early stop were never read, so a save would lose them.
        mapfile::loadStateOf(current.file()).failed = stoppedEarly;
        m_walk.leave();
        std::unique_ptr<VnLocMapFile> finished = std::move(reads.back().included);
        reads.pop_back();
        if (reads.empty()) {
            m_map.indexes().shrinkToFit();
            return stoppedEarly ? LOCMAP50_FAILED : LOCMAP50_OK;
        }
        // A nested include is handed over before the file that includes it.
        m_map.m_mapFiles.push_back(std::move(*finished));
    }
}

void MapLoader::onSoftPathState(VnLocMapFile &file, const std::string &softPrefix, int line, bool noHardPath,
                                const std::string &firstHardPath) {
    const BlockSettlement settled =
        settleBlock(m_environment, file.m_force, softPrefix, noHardPath ? nullptr : &firstHardPath);
    const std::optional<std::string> &value = settled.value;
    const EnvironmentVerdict &verdict = settled.verdict;
    if (verdict.lineBreak)
        reportVariable(LOCMAP50_PROBLEM_ENV_LINE_BREAK, file, line, softPrefix, *value, softPrefix,
                       messageFormat(LOCMAP50_PROBLEM_ENV_LINE_BREAK));
    if (verdict.notAbsolute)
        reportVariable(LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE, file, line, softPrefix, *value, softPrefix + "=" + *value,
                       messageFormat(LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE));
    if (!settled.defines) {
        // The prefix was the last one appended to both order lists.
        file.m_entryOrder.pop_back();
        m_map.dropLastSoftPrefix();
        // Still what the file says: kept for the writers.
        file.keepBlock(softPrefix);
        report(LOCMAP50_PROBLEM_NO_HARD_PATH, file, line, softPrefix, file.m_msgNoHardPath);
        return;
    }
    if (verdict.effect == EnvironmentVerdict::Effect::None) return;
    // The record keeps what the file says, so a save never writes one user's
    // environment into the file: a supplied prefix keeps no hard paths there.
    if (noHardPath) file.m_entryHardPaths.try_emplace(softPrefix);
    if (verdict.effect == EnvironmentVerdict::Effect::Overrides) {
        m_map.m_envOverridden.push_back(softPrefix);
        reportVariable(LOCMAP50_PROBLEM_ENV_OVERRIDE, file, line, softPrefix, value.value_or(verdict.hardPath),
                       softPrefix, file.m_msgEnvOverride);
    }
    m_map.enterPrimaryHardPath(softPrefix, verdict.hardPath);
    m_map.m_softToFileMap.emplace(softPrefix, file.m_fileName);
    m_map.enterMergedHardPaths(softPrefix, std::list<std::string>{verdict.hardPath});
}

}  // namespace locmap50::locmap

int VnLocMapFile::readMap() {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return LOCMAP50_OK;
    const locmap50::platform::EnvironmentIndex environment;
    return locmap50::locmap::MapLoader(*map, environment).load(*this);
}

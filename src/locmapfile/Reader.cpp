// The map file reader: reads one map file, and the files it includes, into the location map.
//
// The grammar read, one construct per line. Every line is first normalised:
// "X:/" at its start reads as "X:\", lines of only blanks and tabs and lines
// beginning with "#" are skipped (but counted), the rest of a line from its
// first "#" is cut off, and white space is trimmed from both ends.
//
//   file        := header entry*                 (no significant line: an empty map)
//   header      := "ZOR_LOCATION_MAP_1" | "ZOR_LOCATION_MAP_2"
//                | any 18 characters, then "force" after trimming
//   entry       := softPrefix hardPath* | include | anything else (parse error, ignored)
//   softPrefix  := "$" letter { letter | digit | "_" }
//   hardPath    := letter ":\" text | "\\" text   ("/" read as "\")
//   include     := "INCLUDE" (blank | tab) path   (a map file of its own, read right here)
//
// A hard path line with no soft prefix open ends the file. A file gives at most
// 20 hard paths per soft prefix. The first definition of a soft prefix, across
// all files, wins. Outside force mode an environment variable named like the
// soft prefix (without "$") supplies or overrides its hard paths in the merged
// tables; the file's own record keeps what the file says.
//
// Includes are read without recursion: each file is read whole and closed,
// then its lines are taken one by one from a stack of open reads kept on the
// heap, so neither the depth of includes nor the process's handle limit
// bounds what can be read. A file is read at most once per load; a later
// include of it (a cycle or a second path to it) keeps its line in the
// record but adds nothing.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "paths/PathRules.h"
// Upward by design: the reader fills the location map's tables.
#include "locmap50/VnLocMap.h"
#include "locmapfile/Diagnostics.h"
#include "locmapfile/Format.h"
#include "platform/EnvironmentIndex.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;
namespace paths = locmap50::paths;
namespace platform = locmap50::platform;
using locmap50::mapfile::reportWithArguments;
using locmap50::mapfile::Severity;

const int kMaxHardPathsPerEntry = 20;

// The environment as it stood when the outermost readMap began: read once
// per load and indexed, so asking it for every prefix costs the same however
// many variables there are.
class LoadEnvironment {
public:
    LoadEnvironment() {
        if (s_current == nullptr) {
            m_owned = std::make_unique<platform::EnvironmentIndex>();
            s_current = m_owned.get();
        }
    }
    ~LoadEnvironment() {
        if (m_owned) s_current = nullptr;
    }
    LoadEnvironment(const LoadEnvironment &) = delete;
    LoadEnvironment &operator=(const LoadEnvironment &) = delete;

    // The variable that may supply a soft prefix: its name without the "$".
    static std::optional<std::string> valueFor(const std::string &softPrefix) {
        const std::string_view name = std::string_view(softPrefix).substr(1);
        if (s_current != nullptr) return s_current->value(name);
        return platform::getEnvironmentVariable(std::string(name));
    }

private:
    static const platform::EnvironmentIndex *s_current;
    std::unique_ptr<platform::EnvironmentIndex> m_owned;
};

const platform::EnvironmentIndex *LoadEnvironment::s_current = nullptr;

// The variable's value, unless it holds a line break: such a value would
// write lines of its own into saved and exported files, so it stands for
// nothing and is reported with lineBreakMessage instead.
std::optional<std::string> usableEnvironmentValueFor(const std::string &softPrefix,
                                                     const std::string &lineBreakMessage) {
    std::optional<std::string> value = LoadEnvironment::valueFor(softPrefix);
    if (!value || mapfile::fitsOnOneLine(*value)) return value;
    reportWithArguments(Severity::Warning, lineBreakMessage, {softPrefix});
    return std::nullopt;
}

// A file's identity for cycle detection; its own name when it cannot be
// resolved, so that at least the same spelling is always caught.
std::string identityOf(const std::string &fileName) {
    return platform::fileIdentity(fileName).value_or(fileName);
}

}  // namespace

// The files of one load: which were read, and which are being read right now.
class VnLocMapFile::LoadRun {
public:
    explicit LoadRun(VnLocMap *map) : m_map(map) {}

    // Reads root and everything it includes; returns root's readMap result.
    int read(VnLocMapFile &root);

    bool wasRead(const std::string &identity) const { return m_read.count(identity) != 0; }
    bool isBeingRead(const std::string &identity) const {
        return std::find(m_chain.begin(), m_chain.end(), identity) != m_chain.end();
    }

    // Reads the file whole (closing it again) and records in its load state
    // where it was read from and what it held. nullopt when it could not be
    // read; its load state then says the load failed.
    std::optional<std::string> fetch(VnLocMapFile &file, const std::string &identity);

    VnLocMap *map() const { return m_map; }

private:
    VnLocMap *m_map;
    std::unordered_set<std::string> m_read;  // identities of every file read in this load
    std::vector<std::string> m_chain;        // identities of the files being read, outermost first
};

// The reading of one file's lines: the line state and the handling of each kind of line.
class VnLocMapFile::ReadRun {
public:
    ReadRun(VnLocMapFile &file, LoadRun &load, std::string text)
        : m_file(file), m_map(load.map()), m_load(load), m_text(std::move(text)) {}

    enum class Outcome { Finished, StoppedEarly, Include };

    // Reads lines until the end of the file, an early stop, or an include line
    // whose file must be read now (takeInclude hands it over).
    Outcome readOn() {
        std::string line;
        while (mapfile::readRawLine(m_text, m_position, line)) {
            ++m_lineNumber;
            if (!mapfile::normaliseLine(line)) continue;
            if (!m_headerSeen) {
                if (!acceptHeader(line)) return Outcome::StoppedEarly;
                continue;
            }
            if (!readEntryLine(line)) return Outcome::StoppedEarly;
            if (m_include) return Outcome::Include;
        }
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        return Outcome::Finished;
    }

    // The file the last include line asks for, its text and its identity.
    std::unique_ptr<VnLocMapFile> takeInclude() { return std::move(m_include); }
    std::string takeIncludeText() { return std::move(m_includeText); }
    const std::string &includeIdentity() const { return m_includeIdentity; }

    VnLocMapFile &file() { return m_file; }

private:
    // The kind of the last header, soft prefix, hard path or include line;
    // parse errors leave it alone.
    enum class Previous { None, SoftPrefix, HardPath, Include, Rejected };

    bool acceptHeader(const std::string &line) {
        const mapfile::Header header = mapfile::parseHeader(line);
        if (!header.valid) {
            reportWithArguments(Severity::Error, m_file.m_msgBadVersion, {m_file.m_fileName});
            return false;
        }
        m_file.m_version = header.version;
        m_file.m_force = header.force;
        m_headerSeen = true;
        return true;
    }

    // Returns false when the line ends the reading of this file.
    bool readEntryLine(std::string &line) {
        switch (mapfile::classifyLine(line)) {
        case mapfile::LineKind::SoftPrefix:
            readSoftPrefixLine(line);
            return true;
        case mapfile::LineKind::HardPath:
            // Converted in place: a hard path is copied only into the tables.
            line = paths::toBackslashes(std::move(line));
            return readHardPathLine(line);
        case mapfile::LineKind::Include:
            readIncludeLine(line);
            return true;
        case mapfile::LineKind::ParseError:
            break;
        }
        reportWithArguments(Severity::Error, m_file.m_msgParseError,
                            {m_file.m_fileName, lineNumberText()});
        return true;
    }

    void readSoftPrefixLine(const std::string &line) {
        startEntry();
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        if (!mapfile::isValidSoftPrefix(line)) {
            reportWithArguments(Severity::Error, m_file.m_msgBadSoftPrefix,
                                {line, lineNumberText(), m_file.m_fileName});
            m_previous = Previous::Rejected;
            return;
        }
        m_currentSoftPrefix = line;
        // While a file is read, each prefix of its m_entryOrder is also in the
        // map's order list, so the map's index answers for both.
        if (m_map->holdsSoftPrefix(line)) {
            m_previous = Previous::Rejected;
            keepShadowedEntry(line);
            return;
        }
        m_file.m_entryOrder.push_back(line);
        m_map->appendSoftPrefix(line);
        m_previous = Previous::SoftPrefix;
    }

    // An entry an earlier file defined stays out of the merged map but in this
    // file's record, so a save writes the file back whole. A second block of
    // one prefix within a file has no place of its own in the record.
    void keepShadowedEntry(const std::string &softPrefix) {
        const auto entry = m_file.m_entryHardPaths.try_emplace(softPrefix);
        if (!entry.second) return;
        m_file.m_entryOrder.push_back(softPrefix);
        m_fileHardPaths = &entry.first->second;
        m_currentIsShadowed = true;
    }

    // hardPath already has backslashes. Returns false when it has no soft prefix.
    bool readHardPathLine(const std::string &hardPath) {
        if (m_currentIsShadowed) {
            m_fileHardPaths->push_back(hardPath);
            return true;
        }
        if (m_hardPathCount == kMaxHardPathsPerEntry) {
            // An overridden entry's hard paths never reach the merged map, so
            // its messages stay those of the override alone.
            if (!m_limitWarned && !m_mergedHoldsEnvironmentValue)
                reportWithArguments(Severity::Error, m_file.m_msgTooManyHardPaths,
                                    {m_currentSoftPrefix});
            m_limitWarned = true;
            m_previous = Previous::HardPath;
            return true;
        }
        if (m_previous == Previous::Rejected) return true;
        if (m_previous == Previous::None || m_previous == Previous::Include) {
            reportWithArguments(Severity::Error, m_file.m_msgNoSoftPrefix,
                                {hardPath, lineNumberText(), m_file.m_fileName});
            return false;
        }
        if (m_previous == Previous::SoftPrefix) takeFirstHardPath(hardPath);
        ++m_hardPathCount;
        m_fileHardPaths->push_back(hardPath);
        if (!m_mergedHoldsEnvironmentValue)
            m_mergedHardPaths = m_map->appendMergedHardPath(m_mergedHardPaths, m_currentSoftPrefix, hardPath);
        m_previous = Previous::HardPath;
        return true;
    }

    // The environment is asked once per entry, in onSoftPathState; what it
    // settled shows in the merged tables, which are insert-only.
    void takeFirstHardPath(const std::string &hardPath) {
        m_file.onSoftPathState(m_currentSoftPrefix, m_map, /*noHardPath=*/false, hardPath);
        m_map->enterPrimaryHardPath(m_currentSoftPrefix, hardPath);
        m_map->m_softToFileMap.emplace(m_currentSoftPrefix, m_file.m_fileName);
        // The prefix is new, so a merged list exists only when an overriding
        // value was entered; the file's own hard paths then go only into the
        // file's record. Each table is searched once per entry; later hard
        // paths go to the lists found here.
        m_mergedHardPaths = m_map->m_softToHardMap.lower_bound(m_currentSoftPrefix);
        m_mergedHoldsEnvironmentValue =
            m_mergedHardPaths != m_map->m_softToHardMap.end() && m_mergedHardPaths->first == m_currentSoftPrefix;
        m_fileHardPaths = &m_file.m_entryHardPaths[m_currentSoftPrefix];
    }

    void readIncludeLine(const std::string &line) {
        startEntry();
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        m_previous = Previous::Include;
        const std::string includePath = mapfile::includePath(line);
        if (!platform::canRead(includePath)) {
            reportWithArguments(Severity::Error, m_file.m_msgBadInclude,
                                {includePath, lineNumberText(), m_file.m_fileName});
            return;
        }
        // The line stays in the record whatever follows, so a save keeps it.
        m_file.m_includeLines.push_back(line);
        m_file.m_entryOrder.push_back(mapfile::kIncludeMarker);

        auto included = std::make_unique<VnLocMapFile>();
        included->m_fileName = paths::toBackslashes(includePath);
        const std::string identity = identityOf(included->m_fileName);
        if (m_load.isBeingRead(identity)) {
            reportWithArguments(Severity::Error, m_file.m_msgIncludeCycle,
                                {includePath, lineNumberText(), m_file.m_fileName});
            return;
        }
        // Its entries are in the map already; reading it again adds nothing.
        if (m_load.wasRead(identity)) return;
        std::optional<std::string> text = m_load.fetch(*included, identity);
        if (!text) {
            // Readable a moment ago, yet not read (out of handles, a read
            // error): kept, so that a save refuses to write over it.
            reportWithArguments(Severity::Error, m_file.m_msgBadInclude,
                                {includePath, lineNumberText(), m_file.m_fileName});
            m_map->m_mapFiles.push_back(std::move(*included));
            return;
        }
        m_include = std::move(included);
        m_includeText = std::move(*text);
        m_includeIdentity = identity;
    }

    void startEntry() {
        m_hardPathCount = 0;
        m_limitWarned = false;
        m_mergedHoldsEnvironmentValue = false;
        m_currentIsShadowed = false;
    }

    void settleWithoutHardPath() {
        m_file.onSoftPathState(m_currentSoftPrefix, m_map, /*noHardPath=*/true, std::string());
    }

    std::string lineNumberText() const { return std::to_string(m_lineNumber); }

    VnLocMapFile &m_file;
    VnLocMap *m_map;
    LoadRun &m_load;
    std::string m_text;  // the whole file
    std::size_t m_position = 0;
    std::unique_ptr<VnLocMapFile> m_include;
    std::string m_includeText;
    std::string m_includeIdentity;

    unsigned long m_lineNumber = 0;
    bool m_headerSeen = false;
    std::string m_currentSoftPrefix;
    Previous m_previous = Previous::None;
    int m_hardPathCount = 0;
    bool m_limitWarned = false;
    bool m_mergedHoldsEnvironmentValue = false;
    std::list<std::string> *m_fileHardPaths = nullptr;  // the current entry's, in the file's record
    VnLocMap::MergedEntryPosition m_mergedHardPaths;     // the current entry's merged list, or where it goes
    bool m_currentIsShadowed = false;
};

std::optional<std::string> VnLocMapFile::LoadRun::fetch(VnLocMapFile &file,
                                                       const std::string &identity) {
    file.m_loadState = LoadState();
    file.m_loadState.read = true;
    file.m_loadState.failed = true;
    m_read.insert(identity);
    std::optional<std::string> bytes = platform::readRegularFile(file.m_fileName);
    std::optional<std::string> absolute = platform::absolutePath(file.m_fileName);
    if (!bytes || !absolute) return std::nullopt;
    const platform::ContentStamp stamp = platform::stampOf(*bytes);
    file.m_loadState.failed = false;
    file.m_loadState.absolutePath = std::move(*absolute);
    file.m_loadState.contentSize = stamp.size;
    file.m_loadState.contentHash = stamp.hash;
    return bytes;
}

int VnLocMapFile::LoadRun::read(VnLocMapFile &root) {
    struct OpenRead {
        std::unique_ptr<VnLocMapFile> included;  // null for the root, which the caller owns
        std::unique_ptr<ReadRun> lines;
    };
    std::vector<OpenRead> reads;  // the files being read, outermost first

    const std::string rootIdentity = identityOf(root.m_fileName);
    std::optional<std::string> rootText = fetch(root, rootIdentity);
    if (!rootText) return LOCMAP50_OK;  // the callers test readability before
    m_chain.push_back(rootIdentity);
    reads.push_back({nullptr, std::make_unique<ReadRun>(root, *this, std::move(*rootText))});

    for (;;) {
        ReadRun &current = *reads.back().lines;
        const ReadRun::Outcome outcome = current.readOn();
        if (outcome == ReadRun::Outcome::Include) {
            OpenRead next{current.takeInclude(), nullptr};
            next.lines = std::make_unique<ReadRun>(*next.included, *this, current.takeIncludeText());
            m_chain.push_back(current.includeIdentity());
            reads.push_back(std::move(next));
            continue;
        }
        const bool stoppedEarly = outcome == ReadRun::Outcome::StoppedEarly;
        // Lines after an early stop were never read, so a save would lose them.
        current.file().m_loadState.failed = stoppedEarly;
        // Indexed once the file is read, so that no later delete walks the record.
        current.file().entryPositions();
        m_chain.pop_back();
        std::unique_ptr<VnLocMapFile> finished = std::move(reads.back().included);
        reads.pop_back();
        if (reads.empty()) return stoppedEarly ? LOCMAP50_FAILED : LOCMAP50_OK;
        // A nested include is handed over before the file that includes it.
        m_map->m_mapFiles.push_back(std::move(*finished));
    }
}

int VnLocMapFile::readMap() {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return LOCMAP50_OK;
    const LoadEnvironment environment;
    return LoadRun(map).read(*this);
}

void VnLocMapFile::onSoftPathState(std::string softPrefix, VnLocMap *map, bool noHardPath,
                                   std::string firstHardPath) {
    const std::optional<std::string> value =
        m_force ? std::nullopt : usableEnvironmentValueFor(softPrefix, m_msgEnvLineBreak);
    if (!value) {
        if (noHardPath) {
            // The prefix was the last one appended to both order lists.
            m_entryOrder.pop_back();
            map->dropLastSoftPrefix();
            reportWithArguments(Severity::Error, m_msgNoHardPath, {softPrefix});
        }
        return;
    }
    const std::string hardPath = paths::toBackslashes(*value);
    const bool overrides = !noHardPath && hardPath != firstHardPath;
    // The record keeps what the file says, so a save never writes one user's
    // environment into the file: a supplied prefix keeps no hard paths there.
    if (noHardPath) m_entryHardPaths.try_emplace(softPrefix);
    if (overrides) {
        map->m_envOverridden.push_back(softPrefix);
        reportWithArguments(Severity::Warning, m_msgEnvOverride, {softPrefix});
    }
    map->enterPrimaryHardPath(softPrefix, hardPath);
    map->m_softToFileMap.emplace(softPrefix, m_fileName);
    if (noHardPath || overrides)
        map->enterMergedHardPaths(softPrefix, std::list<std::string>{hardPath});
}

void VnLocMapFile::removeLeadingTrailingSpace(std::string &text) {
    mapfile::trimWhiteSpace(text);
}

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
#include <algorithm>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

// A file's identity for cycle detection; its own name when it cannot be
// resolved, so that at least the same spelling is always caught.
std::string identityOf(const std::string &fileName) {
    return platform::fileIdentity(fileName).value_or(fileName);
}

}  // namespace

class VnLocMapFile::ReadRun {
public:
    ReadRun(VnLocMapFile &file, VnLocMap *map, std::vector<std::string> &includeChain)
        : m_file(file), m_map(map), m_includeChain(includeChain) {}

    // Returns 0 at the end of the input, 1 when reading stopped early.
    int readLines(std::istream &in) {
        std::string line;
        while (mapfile::readRawLine(in, line)) {
            ++m_lineNumber;
            if (!mapfile::normaliseLine(line)) continue;
            if (!m_headerSeen) {
                if (!acceptHeader(line)) return LOCMAP50_FAILED;
                continue;
            }
            if (!readEntryLine(line)) return LOCMAP50_FAILED;
        }
        if (m_previous == Previous::SoftPrefix) settleWithoutHardPath();
        return LOCMAP50_OK;
    }

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
            return;
        }
        m_file.m_entryOrder.push_back(line);
        m_map->appendSoftPrefix(line);
        m_previous = Previous::SoftPrefix;
    }

    // hardPath already has backslashes. Returns false when it has no soft prefix.
    bool readHardPathLine(const std::string &hardPath) {
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
        VnLocMapFile included;
        included.m_fileName = paths::toBackslashes(includePath);
        if (isBeingRead(included.m_fileName)) {
            reportWithArguments(Severity::Error, m_file.m_msgIncludeCycle,
                                {includePath, lineNumberText(), m_file.m_fileName});
            return;
        }
        included.readWithinChain(m_includeChain);
        m_map->m_mapFiles.push_back(std::move(included));
        m_file.m_includeLines.push_back(line);
        m_file.m_entryOrder.push_back(mapfile::kIncludeMarker);
    }

    bool isBeingRead(const std::string &fileName) const {
        return std::find(m_includeChain.begin(), m_includeChain.end(), identityOf(fileName)) !=
               m_includeChain.end();
    }

    void startEntry() {
        m_hardPathCount = 0;
        m_limitWarned = false;
        m_mergedHoldsEnvironmentValue = false;
    }

    void settleWithoutHardPath() {
        m_file.onSoftPathState(m_currentSoftPrefix, m_map, /*noHardPath=*/true, std::string());
    }

    std::string lineNumberText() const { return std::to_string(m_lineNumber); }

    VnLocMapFile &m_file;
    VnLocMap *m_map;
    std::vector<std::string> &m_includeChain;  // identities of the files being read

    unsigned long m_lineNumber = 0;
    bool m_headerSeen = false;
    std::string m_currentSoftPrefix;
    Previous m_previous = Previous::None;
    int m_hardPathCount = 0;
    bool m_limitWarned = false;
    bool m_mergedHoldsEnvironmentValue = false;
    std::list<std::string> *m_fileHardPaths = nullptr;  // the current entry's, in the file's record
    VnLocMap::MergedEntryPosition m_mergedHardPaths;     // the current entry's merged list, or where it goes
};

int VnLocMapFile::readMap() {
    std::vector<std::string> includeChain;
    return readWithinChain(includeChain);
}

int VnLocMapFile::readWithinChain(std::vector<std::string> &includeChain) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return LOCMAP50_OK;
    const std::unique_ptr<std::istream> in = platform::openForReading(m_fileName);
    if (!in) return LOCMAP50_OK;
    includeChain.push_back(identityOf(m_fileName));
    const LoadEnvironment environment;
    const int result = ReadRun(*this, map, includeChain).readLines(*in);
    includeChain.pop_back();
    // Indexed once the file is read, so that no later delete walks the record.
    entryPositions();
    return result;
}

void VnLocMapFile::onSoftPathState(std::string softPrefix, VnLocMap *map, bool noHardPath,
                                   std::string firstHardPath) {
    const std::optional<std::string> value =
        m_force ? std::nullopt : LoadEnvironment::valueFor(softPrefix);
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

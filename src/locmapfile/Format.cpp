// SPDX-License-Identifier: Apache-2.0
// The map file's line rules: reading, normalising, the header and line classification.
#include "locmapfile/Format.h"

#include <algorithm>

#include "catalogue/Catalogue.h"
#include "locmapfile/LastFailure.h"
#include "paths/AsciiText.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"

namespace locmap50::mapfile {
namespace {

namespace catalogue = locmap50::catalogue;
using paths::isAsciiDigit;
using paths::isAsciiLetter;

const char kMagic[] = "ZOR_LOCATION_MAP_";
const char kIncludeKeyword[] = "INCLUDE";
// The force form checks nothing of the header's first 18 characters, so that
// "ZOR_LOCATION_MAP_ force" (what the writer produces) reads back.
const std::size_t kHeaderMagicLength = 18;

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

bool holdsOnlyBlanksAndTabs(std::string_view line) {
    for (char c : line)
        if (!isBlankOrTab(c)) return false;
    return true;
}

// "C:/tools" reads as "C:\tools"; only the separator after the colon changes.
// A POSIX path is kept as written, so "/:/" stays what it says.
void fixDriveSeparator(std::string &line, paths::PathStyle style) {
    if (line.size() >= 3 && line[1] == ':' && line[2] == '/' && !paths::isPosixAbsolute(line, style))
        line[2] = '\\';
}

void cutTrailingComment(std::string &line) {
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
}

}  // namespace

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void trimWhiteSpace(std::string &text) {
    std::size_t end = text.size();
    while (end > 0 && isWhiteSpace(text[end - 1])) --end;
    std::size_t begin = 0;
    while (begin < end && isWhiteSpace(text[begin])) ++begin;
    text.erase(end);
    text.erase(0, begin);
}

bool readRawLine(std::string_view text, std::size_t &position, std::string &line) {
    if (position >= text.size()) return false;
    const std::size_t lineFeed = text.find('\n', position);
    if (lineFeed == std::string::npos) {
        // The last line has no line end, so a CR at its end is its own.
        line.assign(text.substr(position));
        position = text.size();
        return true;
    }
    std::size_t end = lineFeed;
    if (end > position && text[end - 1] == '\r') --end;
    line.assign(text.substr(position, end - position));
    position = lineFeed + 1;
    return true;
}

bool normaliseLine(std::string &line, paths::PathStyle style) {
    fixDriveSeparator(line, style);
    if (holdsOnlyBlanksAndTabs(line)) return false;
    if (line[0] == '#') return false;
    cutTrailingComment(line);
    trimWhiteSpace(line);
    return true;
}

ValueBounds valueBounds(std::string_view rawLine) {
    ValueBounds bounds;
    bounds.end = std::min(rawLine.find('#'), rawLine.size());
    while (bounds.end > 0 && isWhiteSpace(rawLine[bounds.end - 1])) --bounds.end;
    while (bounds.begin < bounds.end && isWhiteSpace(rawLine[bounds.begin])) ++bounds.begin;
    return bounds;
}

Header parseHeader(const std::string &line) {
    Header header;
    if (line == std::string(kMagic) + "1" || line == std::string(kMagic) + "2") {
        header.valid = true;
        header.version = line.substr(kHeaderMagicLength - 1);
        return header;
    }
    if (line.size() > kHeaderMagicLength) {
        std::string rest = line.substr(kHeaderMagicLength);
        trimWhiteSpace(rest);
        if (rest == "force") {
            header.valid = true;
            header.force = true;
        }
    }
    return header;
}

namespace {

bool startsWith(const std::string &text, std::string_view start) {
    return text.compare(0, start.size(), start) == 0;
}

// UTF-16 text read as bytes: a NUL beside each of its first ASCII characters.
bool looksLikeUtf16(const std::string &line) {
    if (line.size() < 4) return false;
    const bool littleEndian = line[0] != '\0' && line[1] == '\0' && line[2] != '\0' && line[3] == '\0';
    const bool bigEndian = line[0] == '\0' && line[1] != '\0' && line[2] == '\0' && line[3] != '\0';
    return littleEndian || bigEndian;
}

}  // namespace

std::string describeNonHeader(const std::string &line) {
    if (line.empty()) return "is white space before a #";
    if (startsWith(line, "\xEF\xBB\xBF")) return "starts with a UTF-8 byte order mark";
    if (startsWith(line, "\xFF\xFE") || startsWith(line, "\xFE\xFF")) return "starts with a UTF-16 byte order mark";
    if (looksLikeUtf16(line)) return "is UTF-16 text";
    if (holdsNulByte(line)) return "holds a NUL byte";
    if (startsWith(line, kMagic) && line.size() > kHeaderMagicLength && isBlankOrTab(line[kHeaderMagicLength]))
        return "has a word other than force after the map header";
    return "is not a map header";
}

LineKind classifyLine(const std::string &line, paths::PathStyle style) {
    if (line.size() >= 2 && paths::isSoftName(line)) return LineKind::SoftPrefix;
    if (paths::isAbsolute(line, style)) return LineKind::HardPath;
    const std::size_t keywordLength = sizeof(kIncludeKeyword) - 1;
    if (line.size() > keywordLength && line.compare(0, keywordLength, kIncludeKeyword) == 0 &&
        isBlankOrTab(line[keywordLength]) && !includePath(line).empty())
        return LineKind::Include;
    return LineKind::ParseError;
}

bool holdsNulByte(std::string_view line) {
    return line.find('\0') != std::string_view::npos;
}

bool isValidSoftPrefix(const std::string &line) {
    return paths::isSoftName(line) && paths::isSoftPrefixName(std::string_view(line).substr(1));
}

std::size_t includePathStart(const std::string &line) {
    std::size_t start = std::min(line.size(), sizeof(kIncludeKeyword) - 1);
    while (start < line.size() && isWhiteSpace(line[start])) ++start;
    return start;
}

std::string includePath(const std::string &line) {
    std::string path = line.substr(includePathStart(line));
    trimWhiteSpace(path);
    return path;
}

std::string headerText(const std::string &version, ForceMode force) {
    return kMagic + version + (force == ForceMode::On ? " force" : "") + "\n\n";
}

void appendEntryText(std::string &text, const std::string &softPrefix,
                     const std::list<std::string> *hardPaths) {
    text += softPrefix;
    text += '\n';
    if (hardPaths != nullptr) {
        for (const std::string &hardPath : *hardPaths) {
            text += hardPath;
            text += '\n';
        }
    }
    text += '\n';
}

bool fitsOnOneLine(const std::string &text) {
    return text.find_first_of("\r\n") == std::string::npos;
}

namespace {

// The character of text that no written line may hold, as a rule's words:
// the normalisation would cut the line at it or split it there.
const char *cutCharacterRule(const std::string &text) {
    if (text.find('#') != std::string::npos) return "holds a #, which starts a comment";
    if (!fitsOnOneLine(text)) return "holds a line break";
    if (holdsNulByte(text)) return "holds a NUL byte";
    return nullptr;
}

std::string quoted(const std::string &text) {
    return "'" + catalogue::quotedLine(text) + "'";
}

}  // namespace

std::string softPrefixRuleBroken(const std::string &softPrefix) {
    // Named only once a rule is broken: every save checks every prefix.
    const auto broken = [&](const std::string &rule) { return "soft prefix " + quoted(softPrefix) + " " + rule; };
    if (const char *rule = cutCharacterRule(softPrefix)) return broken(rule);
    std::string line = softPrefix;
    if (!normaliseLine(line) || line != softPrefix || classifyLine(line) != LineKind::SoftPrefix ||
        !isValidSoftPrefix(line))
        return broken("is not valid: a $, a letter, then letters, digits or _");
    return std::string();
}

bool readsBackAsSoftPrefix(const std::string &softPrefix) {
    return softPrefixRuleBroken(softPrefix).empty();
}

bool readsBackAsNothing(std::string_view hardPath) {
    return holdsOnlyBlanksAndTabs(hardPath);
}

std::string hardPathRuleBroken(const std::string &hardPath) {
    // Named only once a rule is broken: every save checks every hard path.
    const auto broken = [&](const std::string &rule) { return "hard path " + quoted(hardPath) + " " + rule; };
    if (const char *rule = cutCharacterRule(hardPath)) return broken(rule);
    if (readsBackAsNothing(hardPath)) return std::string();
    std::string line = hardPath;
    normaliseLine(line);
    switch (classifyLine(line)) {
    case LineKind::Include: return broken("would read as an INCLUDE line");
    case LineKind::SoftPrefix: return broken("would read as a soft prefix line");
    case LineKind::ParseError: return broken("is relative: a hard path must be absolute");
    case LineKind::HardPath: break;
    }
    if (!paths::sameHardPathForm(line, hardPath)) return broken("would read back as " + quoted(line));
    return std::string();
}

bool readsBackAsHardPath(const std::string &hardPath) {
    return hardPathRuleBroken(hardPath).empty();
}

std::size_t hardPathsTheReaderTakes(std::size_t given) {
    return std::min<std::size_t>(given, LOCMAP50_MAX_HARD_PATHS);
}

bool withinHardPathLimit(std::size_t count) {
    return hardPathsTheReaderTakes(count) == count;
}

std::string hardPathLimitBroken(const std::list<std::string> &hardPaths) {
    return withinHardPathLimit(hardPaths.size())
               ? std::string()
               : "more than " + std::to_string(LOCMAP50_MAX_HARD_PATHS) + " hard paths";
}

std::string hardPathsRuleBroken(const std::list<std::string> &hardPaths) {
    std::string broken = hardPathLimitBroken(hardPaths);
    for (auto path = hardPaths.begin(); broken.empty() && path != hardPaths.end(); ++path)
        broken = hardPathRuleBroken(*path);
    return broken;
}

std::string entryRuleBroken(const std::string &softPrefix, const std::list<std::string> &hardPaths) {
    const std::string broken = softPrefixRuleBroken(softPrefix);
    return broken.empty() ? hardPathsRuleBroken(hardPaths) : broken;
}

int refuseEntry(const std::string &broken, const std::string &file) {
    return failedWith(LOCMAP50_REASON_INVALID_INPUT, file, broken);
}

}  // namespace locmap50::mapfile

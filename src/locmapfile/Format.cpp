// The map file's line rules: reading, normalising, the header and line classification.
#include "locmapfile/Format.h"

#include <algorithm>

#include "paths/AsciiText.h"
#include "paths/PathRules.h"

namespace locmap50::mapfile {
namespace {

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

bool holdsOnlyBlanksAndTabs(const std::string &line) {
    for (char c : line)
        if (!isBlankOrTab(c)) return false;
    return true;
}

// "C:/tools" reads as "C:\tools"; only the separator after the colon changes.
void fixDriveSeparator(std::string &line) {
    if (line.size() >= 3 && line[1] == ':' && line[2] == '/') line[2] = '\\';
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

bool readRawLine(std::istream &in, std::string &line) {
    if (!std::getline(in, line)) return false;
    // Without eof the getline stopped at an LF, so a CR before it is line end.
    const bool endedAtLineFeed = !in.eof();
    if (endedAtLineFeed && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool normaliseLine(std::string &line) {
    fixDriveSeparator(line);
    if (holdsOnlyBlanksAndTabs(line)) return false;
    if (line[0] == '#') return false;
    cutTrailingComment(line);
    trimWhiteSpace(line);
    return true;
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

LineKind classifyLine(const std::string &line) {
    if (line.size() >= 2 && line[0] == '$') return LineKind::SoftPrefix;
    if (paths::isAbsolute(line)) return LineKind::HardPath;
    const std::size_t keywordLength = sizeof(kIncludeKeyword) - 1;
    if (line.size() > keywordLength && line.compare(0, keywordLength, kIncludeKeyword) == 0 &&
        isBlankOrTab(line[keywordLength]) && !includePath(line).empty())
        return LineKind::Include;
    return LineKind::ParseError;
}

bool isValidSoftPrefix(const std::string &line) {
    if (line.size() < 2 || line[0] != '$' || !isAsciiLetter(line[1])) return false;
    for (std::size_t i = 2; i < line.size(); ++i)
        if (!isAsciiLetter(line[i]) && !isAsciiDigit(line[i]) && line[i] != '_') return false;
    return true;
}

std::string includePath(const std::string &line) {
    std::string path = line.substr(std::min(line.size(), sizeof(kIncludeKeyword) - 1));
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

}  // namespace locmap50::mapfile

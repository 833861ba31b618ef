// STUB: the map file format (to be written).
#include "locmapfile/Format.h"

namespace locmap50::mapfile {
bool isWhiteSpace(char) { return false; }
void trimWhiteSpace(std::string &) {}
bool normaliseLine(std::string &) { return false; }
Header parseHeader(const std::string &) { return Header(); }
LineKind classifyLine(const std::string &) { return LineKind::ParseError; }
bool isValidSoftPrefix(const std::string &) { return false; }
std::string includePath(const std::string &) { return std::string(); }
std::string headerText(const std::string &, bool) { return std::string(); }
}  // namespace locmap50::mapfile

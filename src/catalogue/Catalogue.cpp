// SPDX-License-Identifier: Apache-2.0
// The catalogue of words: every problem kind and failure reason with its stable name, message format and sentence.
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <iterator>

#include "locmap50/result_codes.h"

namespace locmap50::catalogue {

namespace {

#define LOCMAP50_TEXT_OF(value) #value
#define LOCMAP50_TEXT(value) LOCMAP50_TEXT_OF(value)

// The names are chosen once: scripts match them, so they never change.
const ProblemWords kProblemWords[] = {
    {LOCMAP50_PROBLEM_BAD_HEADER, LOCMAP50_SEVERITY_ERROR, "bad-header",
     "Error: Bad location Map format version in the\n location map file %s.\n\n",
     "no map file header; nothing of this file is read"},
    {LOCMAP50_PROBLEM_PARSE_ERROR, LOCMAP50_SEVERITY_ERROR, "parse-error",
     "Error: Parse error in location map: %s\n"
     "at line number: %s. This line will be ignored.\n\n",
     "line of no known kind, ignored: '{detail}'"},
    {LOCMAP50_PROBLEM_NO_HARD_PATH, LOCMAP50_SEVERITY_ERROR, "no-hard-path",
     "Error: No hard path found for soft path %s.\n"
     "If one is using force option, please see that \n"
     "all the soft paths are defined in the location map.\n\n",
     "soft prefix {detail} has no hard path and is dropped"},
    {LOCMAP50_PROBLEM_ENV_OVERRIDE, LOCMAP50_SEVERITY_WARNING, "env-override",
     "Warning: Environment variable override for soft \nprefix %s.\n\n",
     "environment variable {variable} overrides the hard paths of {detail}"},
    {LOCMAP50_PROBLEM_BAD_SOFT_PREFIX, LOCMAP50_SEVERITY_ERROR, "bad-soft-prefix",
     "Error: Bad char in soft prefix %s at line \n"
     "number  %s in the location map \n"
     "file: %s. A soft prefix should start with a $, \n"
     "the character following it should \n"
     "be an alphabet and rest of the characters should be alpha numeric.\n\n",
     "bad soft prefix '{detail}' (a $, a letter, then letters, digits or _); its entry is ignored"},
    {LOCMAP50_PROBLEM_BAD_INCLUDE, LOCMAP50_SEVERITY_ERROR, "bad-include",
     "Error: Bad include path %s specified by INCLUDE statement \n"
     " at line number: %s in location map file: %s. Please make sure that the file exists and one has \n"
     " read permission to read the file.\n\n",
     "cannot read include file '{detail}'; nothing is included"},
    {LOCMAP50_PROBLEM_NO_SOFT_PREFIX, LOCMAP50_SEVERITY_ERROR, "no-soft-prefix",
     "Error: No soft prefix specified for hard path %s at line number: %s in location map file: %s.\n\n",
     "hard path {detail} has no soft prefix line before it; the rest of the file is not read"},
    {LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS, LOCMAP50_SEVERITY_ERROR, "too-many-hard-paths",
     "Error: Soft Prefix %s has more than 20 hard name.\n"
     "Others will be ignored.\n\n",
     "{detail} has more than " LOCMAP50_TEXT(LOCMAP50_MAX_HARD_PATHS) " hard paths in this file; the others are ignored"},
    {LOCMAP50_PROBLEM_INCLUDE_CYCLE, LOCMAP50_SEVERITY_ERROR, "include-cycle",
     "Error: Include path %s specified by INCLUDE statement \n"
     " at line number: %s in location map file: %s leads back to a file that is already being read. "
     "It will be ignored.\n\n",
     "include of '{detail}' leads back to a file that is being read; ignored"},
    {LOCMAP50_PROBLEM_ENV_LINE_BREAK, LOCMAP50_SEVERITY_WARNING, "env-line-break",
     "Warning: Environment variable for soft prefix %s holds a line break.\n"
     "It will be ignored.\n\n",
     "environment variable {variable} holds a line break and is ignored"},
    {LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE, LOCMAP50_SEVERITY_WARNING, "env-not-absolute",
     "Warning: Environment variable for soft prefix %s holds no absolute path:\n%s\n"
     "It will be ignored.\n\n",
     "environment variable {variable} holds no absolute path and is ignored"},
    {LOCMAP50_PROBLEM_NUL_BYTE, LOCMAP50_SEVERITY_ERROR, "nul-byte",
     "Error: NUL character in location map: %s\n"
     "at line number: %s. This line will be ignored.\n\n",
     "line holding a NUL byte, ignored: '{detail}'"},
    {LOCMAP50_PROBLEM_BAD_ENV_PATH, LOCMAP50_SEVERITY_ERROR, "bad-env-path",
     "Error: Environment varibale ZOR_LOCATION_MAP\n is pointing to a wrong path.\n\n",
     "ZOR_LOCATION_MAP names no readable file"},
    {LOCMAP50_PROBLEM_NO_READ_ACCESS, LOCMAP50_SEVERITY_ERROR, "no-read-access",
     "Error: Location map file %s does not\n have read read permission or does not exist.\n\n",
     "the map file cannot be read"},
    {LOCMAP50_PROBLEM_NOTE_FROM_ENV_VARIABLE, LOCMAP50_SEVERITY_NOTE, "search-env-variable", "",
     "ZOR_LOCATION_MAP names it, and it cannot be read ({detail}); while the variable is set, no other place is "
     "searched"},
    {LOCMAP50_PROBLEM_NOTE_IN_PROJECT, LOCMAP50_SEVERITY_NOTE, "search-project", "",
     "not used as the map: {detail}"},
    {LOCMAP50_PROBLEM_NOTE_IN_HOME, LOCMAP50_SEVERITY_NOTE, "search-home", "",
     "not used as the map (from HOME): {detail}"},
    {LOCMAP50_PROBLEM_NOTE_IN_WDIR, LOCMAP50_SEVERITY_NOTE, "search-wdir", "",
     "not used as the map (from WDIR): {detail}"},
    {LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET, LOCMAP50_SEVERITY_NOTE, "search-variable-unset", "",
     "{detail} is not set, so it names no place to look"},
    {LOCMAP50_PROBLEM_NOTE_WDIR_EMPTY, LOCMAP50_SEVERITY_NOTE, "search-wdir-empty", "", "WDIR names no directory"},
    {LOCMAP50_PROBLEM_NOTE_OVERRIDDEN, LOCMAP50_SEVERITY_NOTE, "overridden-by-earlier-file", "",
     "{detail} is overridden: the entry of a file read earlier is used"},
};

const ReasonWords kReasonWords[] = {
    {LOCMAP50_REASON_NONE, "none", ""},
    {LOCMAP50_REASON_PERMISSION_DENIED, "permission-denied", "permission denied"},
    {LOCMAP50_REASON_NOT_FOUND, "not-found", "no such file or directory"},
    {LOCMAP50_REASON_IS_DIRECTORY, "is-directory", "it is a directory"},
    {LOCMAP50_REASON_NOT_REGULAR_FILE, "not-regular-file", "it is not a regular file"},
    {LOCMAP50_REASON_NAME_TOO_LONG, "name-too-long", "the file name is too long"},
    {LOCMAP50_REASON_NO_SPACE, "no-space", "no space left on the disk"},
    {LOCMAP50_REASON_LOCK_TIMED_OUT, "lock-timed-out", "the save lock timed out (another save of the file held it)"},
    {LOCMAP50_REASON_CHANGED_SINCE_READ, "changed-since-read", "changed on disk since it was read"},
    {LOCMAP50_REASON_READ_ERROR, "read-error", "reading it failed"},
    {LOCMAP50_REASON_WRITE_ERROR, "write-error", "writing it failed"},
    {LOCMAP50_REASON_NOT_LOADED, "not-loaded", "it did not load whole"},
    {LOCMAP50_REASON_INVALID_INPUT, "invalid-input", "the map refused the name or path given"},
    {LOCMAP50_REASON_ALREADY_PRESENT, "already-present", "the soft prefix is already in the map"},
    {LOCMAP50_REASON_OTHER, "other", "the system refused it"},
    {LOCMAP50_REASON_NO_SUCH_ENTRY, "no-such-entry", "the map file does not hold the soft prefix"},
    {LOCMAP50_REASON_WOULD_NOT_READ_BACK, "would-not-read-back",
     "what would be written would not read back as the map holds it"},
    {LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS, "would-lose-permissions",
     "replacing it would lose its owner, group, access list, attributes or links"},
};

#undef LOCMAP50_TEXT
#undef LOCMAP50_TEXT_OF

// A person reads the sentence on one line: control bytes are shown by code.
void appendShown(std::string &shown, char c) {
    static const char kHexDigits[] = "0123456789abcdef";
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == 0) {
        shown += "\\0";
    } else if (byte < 0x20 || byte == 0x7f) {
        shown += "\\x";
        shown += kHexDigits[byte >> 4];
        shown += kHexDigits[byte & 0xf];
    } else {
        shown += c;
    }
}

std::string withControlBytesShown(std::string_view text) {
    std::string shown;
    for (const char c : text) appendShown(shown, c);
    return shown;
}

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xc0) == 0x80;
}

void replaceAll(std::string &text, const std::string &placeholder, const std::string &value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
}

}  // namespace

const ProblemWords *problemWords(int kind) {
    for (const ProblemWords &words : kProblemWords)
        if (words.kind == kind) return &words;
    return nullptr;
}

const ReasonWords *reasonWords(int reason) {
    for (const ReasonWords &words : kReasonWords)
        if (words.reason == reason) return &words;
    return nullptr;
}

ProblemWordsRange allProblemWords() {
    return {std::begin(kProblemWords), std::end(kProblemWords)};
}

ReasonWordsRange allReasonWords() {
    return {std::begin(kReasonWords), std::end(kReasonWords)};
}

const char *messageFormat(int kind) {
    const ProblemWords *words = problemWords(kind);
    return words != nullptr ? words->format : "";
}

std::string plainSentence(int kind, const std::string &detail) {
    const ProblemWords *words = problemWords(kind);
    if (words == nullptr) return std::string();
    const std::string shown = withControlBytesShown(detail);
    std::string sentence = words->sentence;
    replaceAll(sentence, "{variable}", shown.empty() ? shown : shown.substr(1));
    replaceAll(sentence, "{detail}", shown);
    return sentence;
}

std::string quotedLine(std::string_view line) {
    static const std::string kCutMark = "...";
    // Every byte shows as one byte or more, so a byte past the bound decides
    // that the quote is cut, and no longer line is ever escaped whole.
    const std::size_t nul = line.find('\0');
    const std::size_t end = std::min(nul == std::string_view::npos ? line.size() : nul + 1, kMaxQuotedLineBytes + 1);
    const std::string_view quoted = line.substr(0, end);
    std::string shown;
    std::size_t lastFit = 0;  // the shown length up to the last whole character that leaves room for the mark
    for (std::size_t at = 0; at < quoted.size(); ++at) {
        if (!isUtf8Continuation(quoted[at]) && shown.size() + kCutMark.size() <= kMaxQuotedLineBytes)
            lastFit = shown.size();
        appendShown(shown, quoted[at]);
    }
    if (shown.size() + kCutMark.size() <= kMaxQuotedLineBytes) lastFit = shown.size();
    const bool cut = quoted.size() < line.size();
    if (!cut && shown.size() <= kMaxQuotedLineBytes) return shown;
    shown.resize(lastFit);
    return shown + kCutMark;
}

std::string reasonText(int reason) {
    const ReasonWords *words = reasonWords(reason);
    return words != nullptr ? words->text : reasonWords(LOCMAP50_REASON_OTHER)->text;
}

}  // namespace locmap50::catalogue

// SPDX-License-Identifier: Apache-2.0
// The words of every load problem kind and failure reason: one catalogue for the library, its C callers and the tool.
#ifndef LOCMAP50_CATALOGUE_CATALOGUE_H
#define LOCMAP50_CATALOGUE_CATALOGUE_H

#include <string>
#include <string_view>

namespace locmap50::catalogue {

// One LOCMAP50_PROBLEM_* kind. name is stable from release to release (for
// scripts to match); format is the message GetErrorString's text holds, "%s"
// standing for its arguments ("" for notes, which have none); sentence is
// for a person, "{detail}" standing for the record's detail and
// "{variable}" for the detail without its leading "$".
struct ProblemWords {
    int kind;
    int severity;
    const char *name;
    const char *format;
    const char *sentence;
};

// One LOCMAP50_REASON_* code: a stable name and a short lower-case phrase.
struct ReasonWords {
    int reason;
    const char *name;
    const char *text;
};

// The entry of kind or reason; null for a code the catalogue does not know.
const ProblemWords *problemWords(int kind);
const ReasonWords *reasonWords(int reason);

// Every entry, for callers that go through them all.
struct ProblemWordsRange {
    const ProblemWords *first;
    const ProblemWords *last;
    const ProblemWords *begin() const { return first; }
    const ProblemWords *end() const { return last; }
};
struct ReasonWordsRange {
    const ReasonWords *first;
    const ReasonWords *last;
    const ReasonWords *begin() const { return first; }
    const ReasonWords *end() const { return last; }
};
ProblemWordsRange allProblemWords();
ReasonWordsRange allReasonWords();

// The message format of kind; "" for an unknown kind.
const char *messageFormat(int kind);

// The sentence of kind with detail filled in, control bytes in it written
// "\xNN" so that one problem stays on one line; "" for an unknown kind.
std::string plainSentence(int kind, const std::string &detail);

// The longest quote of a map's line that quotedLine gives, its cut mark included.
constexpr std::size_t kMaxQuotedLineBytes = 120;

// A map's line (or part of one) as a problem's detail quotes it: control
// bytes written "\xNN" (a NUL "\0"), nothing after the first NUL, and at
// most kMaxQuotedLineBytes bytes; where the quote stops short of the line,
// "..." marks the cut, which never splits an escape or a UTF-8 character.
// Problem records are read by other people than the map's owner, in logs.
std::string quotedLine(std::string_view line);

// The phrase of reason; "" for LOCMAP50_REASON_NONE, and a phrase saying the
// system refused for a code the catalogue does not know.
std::string reasonText(int reason);

}  // namespace locmap50::catalogue

#endif  // LOCMAP50_CATALOGUE_CATALOGUE_H

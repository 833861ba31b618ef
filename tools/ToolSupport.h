// SPDX-License-Identifier: Apache-2.0
// Helpers every locmap command shares: exit codes, messages on standard error, C API lists and translations.
#ifndef LOCMAP_TOOLS_TOOLSUPPORT_H
#define LOCMAP_TOOLS_TOOLSUPPORT_H

#include <cstddef>
#include <string>
#include <vector>

namespace locmap_tool {

// Exit codes: success; something failed or did not translate; usage error or
// no map; the load reported errors (or, with --strict, warnings); a file or
// standard output could not be written; the map changed on disk.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// The map has load errors that block the command; a file or standard output
// cannot be written (permission, space, no such folder, not a regular
// target); a file changed on disk since it was read, or its save lock timed
// out.
constexpr int kExitLoadErrors = 3;
constexpr int kExitCannotWrite = 4;
constexpr int kExitChanged = 5;

// The exit code that wins when a run has two reasons to end: 2 before 5,
// 4, 3, 1, and any of them before success.
int moreUrgentExit(int first, int second);

// Text from files, paths or the environment as a diagnostic shows it: each
// control byte escaped ("\0", "\t", "\r", "\n", otherwise "\xNN"), so that
// nothing a map holds can move the cursor, retitle the terminal or split a
// line. Results (hard, soft, list, export, diff bodies) are never passed here.
std::string printable(const std::string &text);

// Data a command prints for scripts (translations, hard paths, map names):
// byte for byte into a pipe or a file, and as printable() shows it when
// standard output is a terminal, as ls does, where a control byte in a name
// could move the cursor or retitle the terminal.
std::string asData(const std::string &text);

// Writes "locmap: " and message, its control bytes escaped as printable()
// shows them, and a line end to standard error.
void reportProblem(const std::string &message);
// A comma-separated list of choices in words: "text,legacy" as "text or
// legacy", "a,b,c" as "a, b or c".
std::string choicesInWords(const std::string &commaList);
// Writes bytes to standard output exactly as they are, on Windows too (no CR
// added before a LF): diffs that patch and git apply take.
void writeBytes(const std::string &bytes);
// A note ("note: ...") on standard error, unless the run was asked to be
// quiet: notes never change an exit code, so scripts may silence them all.
void reportNote(const std::string &note);
void silenceNotes();
bool notesSilenced();

// The system's reason for the last failed call, or "" when errno holds none.
std::string systemReason(int errorNumber);

// The library's words for a LOCMAP50_REASON_* code ("" for none; an unknown
// code reads as the system's refusal).
std::string reasonText(int reason);

// The library's sentence for load problem record index; "" when there is none.
std::string loadProblemText(int index);

// The file and reason of the library's last failed save, export or edit;
// reason is "" when the library recorded none, and ends with the failure's
// detail in parentheses where it has one, or tells it in words: whose file a
// save would take from its owner, whose save lock could not be opened.
struct LibraryFailure {
    std::string file;
    std::string reason;
};
LibraryFailure lastLibraryFailure();

// A list string of the C interface (each item followed by a backquote),
// released with FreeHardPathList; an empty vector for null.
std::vector<std::string> takeBackquoteList(char *list);
std::string joinBackquoteList(const std::vector<std::string> &items);

// Soft prefixes in map order, and the hard paths of one prefix.
std::vector<std::string> softPrefixes();
std::vector<std::string> hardPathsOf(const std::string &softPrefix);
bool hasSoftPrefix(const std::string &softPrefix);

// The sized C translation functions, with the buffer grown until the result fits.
using SizedTranslation = int (*)(const char *, char *, std::size_t);
int translate(SizedTranslation function, const std::string &name, std::string &result);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_TOOLSUPPORT_H

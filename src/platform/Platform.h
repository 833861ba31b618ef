// The operating-system services the library uses; the only door to the OS.
#ifndef LOCMAP50_PLATFORM_PLATFORM_H
#define LOCMAP50_PLATFORM_PLATFORM_H

#include <cstddef>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One implementation per platform (PlatformPosix.cpp, PlatformWindows.cpp);
// exactly one is built. Paths given here use the library's backslash form;
// the POSIX implementation turns each "\" into "/" before the OS sees it.
namespace locmap50::platform {

// Value of one environment variable, or nullopt when it is not set. Names are
// matched as Windows does: an exact-case match first, otherwise the first
// entry in table order that matches ignoring ASCII case.
std::optional<std::string> getEnvironmentVariable(const std::string &name);

// The process environment table, entry by entry ("NAME=value"), in table
// order, names exactly as they stand. nullopt when the process has none.
std::optional<std::vector<std::string>> environmentTable();

// Puts "NAME=value" into the process environment; "NAME=" removes NAME.
// Returns 0 on success, -1 on failure (no "=", or the OS refused).
int putEnvironmentEntry(const std::string &entry);

// Whether path names something that exists and the process may read.
bool canRead(const std::string &path);

// The current directory in backslash form, whatever its length; nullopt when
// it cannot be obtained. On POSIX each "/" of getcwd() becomes "\".
std::optional<std::string> currentDirectory();

// What goes in front of a name beginning with "\" to make it absolute on the
// current drive: "C:" for drive C, "\\server\share" under a UNC current
// directory, and the empty text where there are no drives (POSIX).
std::string currentDriveRoot();

// The current drive as a number (1 for A, 2 for B, ...), 0 where there is none.
int currentDriveNumber();

// Opens a file for reading bytes as they are (no line-end translation);
// null when it cannot be opened.
std::unique_ptr<std::istream> openForReading(const std::string &path);

// A name for the file path resolves to, the same for every spelling of one
// file (so "a.map", ".\a.map" and a link to it agree); nullopt when the file
// cannot be resolved.
std::optional<std::string> fileIdentity(const std::string &path);

// Writes text (with "\n" line ends; the platform's text line end is written)
// to path. The text goes to a new temporary file beside path, which replaces
// path only once every byte is written and flushed; on any failure false is
// returned, the old file is untouched and no temporary file is left behind.
bool replaceFileWithText(const std::string &path, const std::string &text);

// Writes text to the standard output stream and flushes it.
bool writeStandardOutput(const std::string &text);

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_PLATFORM_H

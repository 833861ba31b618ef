// SPDX-License-Identifier: Apache-2.0
// Unified diffs of a file's bytes, written as GNU diff -a -u writes them, for --dry-run.
#ifndef LOCMAP_TOOLS_UNIFIEDDIFF_H
#define LOCMAP_TOOLS_UNIFIEDDIFF_H

#include <string>

namespace locmap_tool {

// A file name as GNU diff writes it in a header: as it is, or, when it holds
// a blank, a quote, a backslash, a control byte or a byte from 0x80 up, in
// double quotes with C escapes ("\n", "\t", "\\", "\"", octal for the
// rest), which patch reads back.
std::string diffHeaderName(const std::string &name);

// The unified diff that turns oldText into newText: "--- name" and "+++ name"
// (name as diffHeaderName writes it),
// then hunks with three lines of context. Lines end at LF only, so a CR, a
// NUL or any other byte stays in its line as it is; a last line without a
// line end is followed by "\ No newline at end of file". Among the smallest
// sets of changes, the one chosen is the one GNU diff chooses, so "patch"
// applies the result to oldText. "" when the texts are equal.
std::string unifiedDiff(const std::string &name, const std::string &oldText, const std::string &newText);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_UNIFIEDDIFF_H

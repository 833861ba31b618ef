// SPDX-License-Identifier: Apache-2.0
// "locmap check": the library's problem records and the lint's findings, rendered with their kind names and hints.
//
// What went wrong, where, comes from the library's records (file, line, kind,
// the text at fault); this file only words it, and adds hints that point at
// the usual cause. It restates none of the reader's rules.
#include "Check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "Json.h"
#include "Lint.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {

namespace {

// The kind names check prints: the library's for its problems, and the
// lint's own, alike short words that stay the same from release to release,
// for scripts to match.
struct LintKindName {
    LintKind kind;
    const char *name;
};
const LintKindName kLintKindNames[] = {
    {LintKind::CoveredHardPath, "covered-hard-path"},
    {LintKind::RepeatedHardPath, "repeated-hard-path"},
    {LintKind::IgnoredRedefinition, "ignored-redefinition"},
    {LintKind::RelativeEnvironmentValue, "env-relative-value"},
};

std::string kindName(int kind) {
    const char *name = GetProblemKindName(kind);
    return name != nullptr ? name : "problem-" + std::to_string(kind);
}

std::string kindName(LintKind kind) {
    for (const LintKindName &entry : kLintKindNames)
        if (entry.kind == kind) return entry.name;
    return "lint";
}

const char *severityName(int severity) {
    switch (severity) {
    case LOCMAP50_SEVERITY_WARNING: return "warning";
    case LOCMAP50_SEVERITY_NOTE: return "note";
    default: return "error";
    }
}

// One line of check's output and the hints under it.
struct Diagnostic {
    std::string file;  // as the library names it; "" for none
    int line = 0;
    int severity = LOCMAP50_SEVERITY_ERROR;
    std::string kind;
    std::string text;
    std::string detail;
    std::vector<std::string> hints;
    bool fromLint = false;
    std::string variable;  // the environment variable the problem is about, and its value as set
    std::string value;
};

std::string quoted(const std::string &text) {
    return "'" + printable(text) + "'";
}

std::string variableOf(const std::string &softPrefix) {
    return softPrefix.empty() ? softPrefix : softPrefix.substr(1);
}

// ---- hints -----------------------------------------------------------------

bool startsWith(const std::string &text, const std::string &start) {
    return text.compare(0, start.size(), start) == 0;
}

// Paths in the system's own words: POSIX paths are hard paths on Linux, and
// Windows machines know only drive and UNC paths.
bool posixPathsAreHardPaths() {
    return locmap50::rules::isAbsolute("/");
}

const char *hardPathForms() {
    return posixPathsAreHardPaths() ? "on this system a hard path starts with / (drive and UNC paths, C:\\... and"
                                      " \\\\server\\share, are kept for Windows machines)"
                                    : "a hard path starts with a drive letter, a colon and a backslash (C:\\...),"
                                      " or with two backslashes (\\\\server\\share)";
}

// A drive or UNC path, whatever "/" it holds: once in backslashes, no POSIX
// path is absolute any more.
bool isWindowsAbsolute(const std::string &path) {
    return locmap50::rules::isAbsolute(locmap50::rules::toBackslashes(path));
}

const char kUtf16Hint[] =
    "the file is UTF-16 text; map files are 8-bit text: save it as ASCII or UTF-8 without a byte order mark";

// A line the reader cuts down to nothing is white space before a "#".
const char kIndentedCommentHint[] =
    "a comment starts at the first column: a # after blanks or tabs starts no comment line, so remove them";

// What one hint row is asked about: the problem, every problem of the run
// (in the order found), and the map.
struct HintQuestion {
    const Diagnostic &problem;
    const std::vector<Diagnostic> &all;
    const MapSource &source;
};

// The library describes a line that is no header and never quotes it (the
// file may be no map at all); the usual cause of each description.
struct HeaderCause {
    const char *description;
    const char *hint;
};
const HeaderCause kHeaderCauses[] = {
    {"is white space before a #", kIndentedCommentHint},
    {"starts with a UTF-8 byte order mark",
     "the file starts with a UTF-8 byte order mark (bytes EF BB BF), which some editors write; save it without one"},
    {"starts with a UTF-16 byte order mark", kUtf16Hint},
    {"is UTF-16 text", kUtf16Hint},
    {"has a word other than force after the map header", "only the word force may follow the header"},
};

std::vector<std::string> headerHints(const HintQuestion &question) {
    const std::string &description = question.problem.detail;
    std::vector<std::string> hints{"the line " + description +
                                   "; expected ZOR_LOCATION_MAP_2 (or ZOR_LOCATION_MAP_1), or either followed by force"};
    for (const HeaderCause &cause : kHeaderCauses)
        if (description == cause.description) hints.push_back(cause.hint);
    return hints;
}

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

// A name that is a soft prefix once a "$" stands before it.
bool isPrefixWithoutDollar(const std::string &line) {
    return !line.empty() && locmap50::rules::isValidSoftPrefix("$" + line);
}

// "include" in any case but capitals, and what follows it.
bool isLowerCaseInclude(const std::string &line, std::string &path) {
    static const std::string keyword = "INCLUDE";
    if (line.size() <= keyword.size() || startsWith(line, keyword) || (line[keyword.size()] != ' ' &&
                                                                        line[keyword.size()] != '\t'))
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[i])) != keyword[i]) return false;
    path = line.substr(line.find_first_not_of(" \t", keyword.size()));
    return true;
}

// A line that was meant as a hard path but is none on this system.
std::vector<std::string> hardPathHints(const std::string &line) {
    if (line.size() >= 2 && isSlash(line[0]) && isSlash(line[1]))
        return {"a UNC path starts with two backslashes: write " + locmap50::rules::toBackslashes(line)};
    if (locmap50::rules::beginsWithDrive(line)) {
        if (line.size() == 2) return {line + " names a drive, not a directory: write " + line + "\\ for its root"};
        return {line + " is relative to the current directory of drive " + line.substr(0, 2) + ": write " +
                line.substr(0, 2) + "\\" + line.substr(2)};
    }
    if (line[0] == '~')
        return {"~ is not expanded in map files: write the home directory's absolute path in its place (" +
                std::string(posixPathsAreHardPaths() ? "/home/..." : "C:\\Users\\...") + ")"};
    if (locmap50::rules::isPosixPath(line))
        return {line + " is a POSIX path, a hard path only on Linux; on Windows hard paths are drive paths"
                       " (C:\\...) or UNC paths (\\\\server\\share): keep it in the map that Linux machines read"};
    if (!locmap50::rules::isSoftName(line) && line.find_first_of("/\\") != std::string::npos)
        return {line + " is a relative path; " + hardPathForms()};
    return {};
}

// The library quotes a line bounded: a control byte by its code ("\x1b",
// "\0") and a long line cut short ("..."). A hint that suggests a line or
// looks a path up needs the line itself.
bool quotesWholeLine(const std::string &detail) {
    static const std::regex kShownByCode(R"(\\(x[01][0-9a-f]|x7f|0))");
    return !std::regex_search(detail, kShownByCode) &&
           !(detail.size() >= 3 && detail.compare(detail.size() - 3, 3, "...") == 0);
}

// Whether the line comes after a soft prefix line of its file, where a line
// of no known kind is most likely a hard path written relative.
bool followsASoftPrefix(const Diagnostic &problem) {
    std::vector<VnPrefixAccount> accounts;
    if (!VnLocMap::exists()) return false;
    VnLocMap::createMap()->account(accounts);
    const auto before = [&](const VnAccountBlock &block) {
        return block.file == problem.file && block.line > 0 && block.line < problem.line;
    };
    return std::any_of(accounts.begin(), accounts.end(), [&](const VnPrefixAccount &account) {
        return before(account.inEffect) || std::any_of(account.shadowed.begin(), account.shadowed.end(), before);
    });
}

// Soft prefixes are written in capitals by custom, paths seldom are.
bool holdsLowerCase(const std::string &line) {
    return std::any_of(line.begin(), line.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); });
}

// A line of no known kind: what it was most likely meant to be.
std::vector<std::string> unknownLineHints(const HintQuestion &question) {
    const std::string &line = question.problem.detail;
    if (line.empty()) return {kIndentedCommentHint};
    if (!quotesWholeLine(line)) return {};
    std::string path;
    if (isLowerCaseInclude(line, path)) return {"INCLUDE is written in capitals: write INCLUDE " + path};
    const bool underAPrefix = followsASoftPrefix(question.problem);
    if (isPrefixWithoutDollar(line) && (!holdsLowerCase(line) || !underAPrefix))
        return {"a soft prefix line starts with $: write $" + line};
    std::vector<std::string> hints = hardPathHints(line);
    // A sentence (words and blanks) was meant as no path.
    if (hints.empty() && underAPrefix && line.find_first_of(" \t") == std::string::npos) hints.push_back(std::string("a hard path must be absolute: ") + hardPathForms());
    return hints;
}

// The include path is an absolute path of the other system.
std::vector<std::string> foreignIncludeHints(const std::string &path) {
    if (posixPathsAreHardPaths() && isWindowsAbsolute(path))
        return {path + " is a Windows path, and this map is read on Linux: include the file by its POSIX path"
                       " (/...), or keep this line in the map that Windows machines read"};
    if (!posixPathsAreHardPaths() && locmap50::rules::isPosixPath(path))
        return {path + " is a POSIX path, which Windows reads on the current drive: include the file by a drive"
                       " or UNC path (C:\\... or \\\\server\\share\\...), or keep this line in the map that Linux"
                       " machines read"};
    return {};
}

const char kRelativeIncludeHint[] =
    "relative include paths resolve against the current directory, not the including map's folder";

// Relative include paths resolve against the current directory, which the
// user may not expect; say where it led, and where the file may really be.
std::vector<std::string> includeHints(const HintQuestion &question) {
    const std::string &path = question.problem.detail;
    if (path.empty()) return {};
    std::vector<std::string> hints = foreignIncludeHints(path);
    if (!hints.empty() || locmap50::rules::isAbsolute(locmap50::rules::toHardPathForm(path))) return hints;
    if (!quotesWholeLine(path))
        return {kRelativeIncludeHint};
    std::string resolved;
    if (translate(GetAbsoluteHardNameEx, path, resolved) == LOCMAP50_OK)
        hints.push_back("it resolved to " + locmap50::rules::toHostFileName(resolved));
    hints.push_back(kRelativeIncludeHint);
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::path(locmap50::rules::toHostFileName(question.source.presentable(question.problem.file))).parent_path();
    std::error_code error;
    if (!folder.empty()) {
        // A look at the folder's entry, never an open: a name there may be a pipe.
        const fs::path beside = folder / locmap50::rules::toHostFileName(path);
        if (fs::is_regular_file(beside, error))
            hints.push_back("a file of that name stands beside the including map: " +
                            locmap50::rules::toHostFileName(beside.string()));
    }
    return hints;
}

const VnLocMapFile *loadedFile(const std::string &fileName) {
    if (IsLocMapPresent() != 1) return nullptr;
    for (const VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles)
        if (file.m_fileName == fileName) return &file;
    return nullptr;
}

std::vector<std::string> noHardPathHints(const HintQuestion &question) {
    const VnLocMapFile *file = loadedFile(question.problem.file);
    if (file != nullptr && file->m_force)
        return {"the header says force, so the environment cannot supply it: give it a hard path line"};
    const std::string variable = variableOf(question.problem.detail);
    if (std::getenv(variable.c_str()) != nullptr) return {};  // a value it did not take: said beside
    return {"the environment can supply it: the variable " + variable + " was looked for and is not set"};
}

std::vector<std::string> overrideHints(const HintQuestion &question) {
    const std::string &variable = question.problem.variable;
    return {variable + "=" + question.problem.value + " is used instead of the file's hard paths; unset " + variable +
            ", or put force in the header, to use them"};
}

std::vector<std::string> notAbsoluteHints(const HintQuestion &question) {
    const std::string &variable = question.problem.variable;
    std::vector<std::string> hints{"a variable named after a soft prefix counts only when it holds an absolute"
                                   " path (/...): set " + variable + " to one, or unset it"};
    if (startsWith(question.problem.value, "~"))
        hints.push_back("~ is expanded by the shell only unquoted at the start of the value: write " + variable +
                        "=$HOME/...");
    return hints;
}

std::vector<std::string> relativeValueHints(const HintQuestion &) {
    return {std::string("names under the prefix then depend on each tool's current directory: ") + hardPathForms()};
}

// A hard path with no soft prefix line before it: most often the line meant
// as its prefix lacks its "$", and was reported just before.
std::vector<std::string> noSoftPrefixHints(const HintQuestion &question) {
    const Diagnostic *meant = nullptr;
    for (const Diagnostic &other : question.all)
        if (other.file == question.problem.file && other.line < question.problem.line &&
            other.kind == kindName(LOCMAP50_PROBLEM_PARSE_ERROR) && isPrefixWithoutDollar(other.detail) &&
            (meant == nullptr || other.line > meant->line))
            meant = &other;
    if (meant != nullptr)
        return {"line " + std::to_string(meant->line) + ", " + quoted(meant->detail) +
                ", was meant as its soft prefix: write $" + meant->detail};
    return {"a hard path belongs to the soft prefix line above it, and none came since the header or the last"
            " INCLUDE line"};
}

// Every hint, by the kind name check prints: the catalogue's names
// (GetProblemKindName) for the library's problems, the lint's own for its.
struct HintRow {
    const char *kind;
    std::vector<std::string> (*hints)(const HintQuestion &);
};
const HintRow kHintRows[] = {
    {"bad-header", headerHints},
    {"parse-error", unknownLineHints},
    {"bad-include", includeHints},
    {"no-hard-path", noHardPathHints},
    {"env-override", overrideHints},
    {"env-not-absolute", notAbsoluteHints},
    {"no-soft-prefix", noSoftPrefixHints},
    {"env-relative-value", relativeValueHints},
};

std::vector<std::string> hintsFor(const HintQuestion &question) {
    for (const HintRow &row : kHintRows)
        if (question.problem.kind == row.kind) return row.hints(question);
    return {};
}

// ---- collecting and printing -------------------------------------------------

// The load's text of record index, with the system's reason where the record has one.
std::string problemText(int index, int severity) {
    std::string text = loadProblemText(index);
    int reason = LOCMAP50_REASON_NONE;
    // A note's sentence names its reason already.
    if (severity != LOCMAP50_SEVERITY_NOTE && GetLoadProblemReason(index, &reason) == LOCMAP50_OK &&
        reason != LOCMAP50_REASON_NONE)
        text += " (" + reasonText(reason) + ")";
    return text;
}

std::vector<Diagnostic> loadDiagnostics(bool withNotes) {
    std::vector<Diagnostic> diagnostics;
    if (!VnLocMap::exists()) return diagnostics;
    const std::vector<VnLoadProblem> &problems = VnLocMap::createMap()->loadProblems();
    for (std::size_t index = 0; index < problems.size(); ++index) {
        const VnLoadProblem &problem = problems[index];
        if (problem.severity == LOCMAP50_SEVERITY_NOTE && !withNotes) continue;
        diagnostics.push_back({problem.file, problem.line, problem.severity, kindName(problem.kind),
                               problemText(static_cast<int>(index), problem.severity), problem.detail, {},
                               /*fromLint=*/false, problem.variable, problem.value});
    }
    return diagnostics;
}

std::vector<Diagnostic> lintDiagnostics() {
    std::vector<Diagnostic> diagnostics;
    for (LintFinding &finding : lintWarnings())
        diagnostics.push_back({finding.file, finding.line, LOCMAP50_SEVERITY_WARNING, kindName(finding.kind),
                               finding.text, finding.detail, {}, /*fromLint=*/true, {}, {}});
    return diagnostics;
}

// Files in the order their first problem was found, lines in order within
// each; problems of one line keep the order found.
void putInFileAndLineOrder(std::vector<Diagnostic> &diagnostics) {
    std::vector<std::string> files;
    for (const Diagnostic &diagnostic : diagnostics)
        if (std::find(files.begin(), files.end(), diagnostic.file) == files.end()) files.push_back(diagnostic.file);
    const auto rank = [&files](const Diagnostic &diagnostic) {
        return std::find(files.begin(), files.end(), diagnostic.file) - files.begin();
    };
    std::stable_sort(diagnostics.begin(), diagnostics.end(), [&rank](const Diagnostic &a, const Diagnostic &b) {
        const auto rankA = rank(a), rankB = rank(b);
        return rankA != rankB ? rankA < rankB : a.line < b.line;
    });
}

// The problems of the load (and, with lint, the lint's warnings) with their
// hints, in file and line order.
std::vector<Diagnostic> diagnosticsOf(const MapSource &source, bool withNotes, bool withLint) {
    std::vector<Diagnostic> diagnostics = loadDiagnostics(withNotes);
    if (withLint) {
        std::vector<Diagnostic> lint = lintDiagnostics();
        diagnostics.insert(diagnostics.end(), lint.begin(), lint.end());
    }
    for (Diagnostic &diagnostic : diagnostics) diagnostic.hints = hintsFor({diagnostic, diagnostics, source});
    putInFileAndLineOrder(diagnostics);
    return diagnostics;
}

std::string renderText(const Diagnostic &diagnostic, const MapSource &source) {
    std::string text = diagnostic.file.empty() ? std::string("locmap") : printable(diagnostic.file);
    if (diagnostic.line > 0) text += ":" + std::to_string(diagnostic.line);
    text += std::string(": ") + severityName(diagnostic.severity) + ": " + printable(diagnostic.text) + " [" +
            diagnostic.kind + "]\n";
    for (const std::string &hint : diagnostic.hints) text += "  hint: " + printable(hint) + "\n";
    return source.presentable(text);
}

Json renderJson(const Diagnostic &diagnostic, const MapSource &source) {
    Json object = Json::object();
    setText(object, "file", source.presentable(diagnostic.file));
    object["line"] = diagnostic.line;
    object["severity"] = severityName(diagnostic.severity);
    object["kind"] = diagnostic.kind;
    setText(object, "message", source.presentable(diagnostic.text));
    setText(object, "detail", diagnostic.detail);
    if (!diagnostic.variable.empty()) {
        setText(object, "variable", diagnostic.variable);
        setText(object, "value", diagnostic.value);
    }
    std::vector<std::string> hints;
    for (const std::string &hint : diagnostic.hints) hints.push_back(source.presentable(hint));
    setTexts(object, "hints", hints);
    return object;
}

std::string countOf(std::size_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What a clean map holds, on standard error: the run said nothing else.
void reportClean(const MapSource &source) {
    const std::size_t files = VnLocMap::exists() ? VnLocMap::createMap()->m_mapFiles.size() : 0;
    std::fprintf(stderr, "%s: %s in %s, no problems\n", printable(source.mainFileName()).c_str(),
                 countOf(softPrefixes().size(), "prefix", "prefixes").c_str(),
                 countOf(files, "file", "files").c_str());
}

}  // namespace

int commandCheck(const MapSource &source, CheckFormat format, bool strict, bool quiet) {
    const int errors = VnLocMap::exists() ? VnLocMap::createMap()->loadErrorCount() : 0;
    const int warnings = VnLocMap::exists() ? VnLocMap::createMap()->loadWarningCount() : 0;
    // The legacy text is the library's alone.
    const std::vector<Diagnostic> diagnostics =
        format == CheckFormat::Legacy ? std::vector<Diagnostic>()
                                      : diagnosticsOf(source, /*withNotes=*/!notesSilenced(), /*withLint=*/true);
    const bool linted = std::any_of(diagnostics.begin(), diagnostics.end(), [](const Diagnostic &diagnostic) {
        return diagnostic.fromLint;
    });
    if (format == CheckFormat::Legacy) {
        std::fputs(source.diagnostics().c_str(), stdout);
    } else if (format == CheckFormat::Json) {
        Json document = Json::array();
        for (const Diagnostic &diagnostic : diagnostics) document.push_back(renderJson(diagnostic, source));
        printJson(document);
    } else {
        for (const Diagnostic &diagnostic : diagnostics) std::fputs(renderText(diagnostic, source).c_str(), stdout);
    }
    for (const std::string &note : source.notesOnWhoControlsIt()) reportNote(note);
    if (errors == 0 && warnings == 0 && !linted && !quiet) reportClean(source);
    if (errors > 0) return kExitLoadErrors;
    if (strict && (warnings > 0 || linted)) return kExitLoadErrors;
    return kExitOk;
}

void reportLoadProblems(const MapSource &source) {
    for (const Diagnostic &diagnostic : diagnosticsOf(source, /*withNotes=*/false, /*withLint=*/false))
        std::fputs(renderText(diagnostic, source).c_str(), stderr);
}

}  // namespace locmap_tool

// "locmap check": the library's problem records and the lint's findings, rendered with their kind names and hints.
//
// What went wrong, where, comes from the library's records (file, line, kind,
// the text at fault); this file only words it, and adds hints that point at
// the usual cause. It restates none of the reader's rules.
#include "Check.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Json.h"
#include "Lint.h"
#include "MapSource.h"
#include "ToolSupport.h"
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
};

// Control bytes escaped as printable() shows them, so that one problem stays on one line; with
// highBytes, bytes from 0x80 up as well.
std::string withBytesShown(const std::string &text, bool highBytes) {
    if (!highBytes) return printable(text);
    std::string shown;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        shown += byte >= 0x80 ? escapedBytes(std::string(1, c)) : printable(std::string(1, c));
    }
    return shown;
}

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

// A UTF-16 file read as 8-bit text: a byte order mark, or a NUL after each
// of the first characters (the record writes a NUL as "\0").
bool looksLikeUtf16(const std::string &text) {
    return startsWith(text, "\xFF\xFE") || startsWith(text, "\xFE\xFF") ||
           (text.size() >= 6 && text.compare(1, 2, "\\0") == 0 && text.compare(4, 2, "\\0") == 0);
}

const char kUtf16Hint[] =
    "the file is UTF-16 text; map files are 8-bit text: save it as ASCII or UTF-8 without a byte order mark";

// A header is ASCII, so every other byte is shown by its code: a byte order
// mark or stray bytes an editor wrote become visible.
std::string asAscii(const std::string &text) {
    return withBytesShown(text, /*highBytes=*/true);
}

std::vector<std::string> headerHints(const std::string &found) {
    std::vector<std::string> hints{"found '" + asAscii(found) + "'" +
                                   "; expected ZOR_LOCATION_MAP_2 (or ZOR_LOCATION_MAP_1), or either followed by force"};
    const std::string magic = "ZOR_LOCATION_MAP_";
    if (startsWith(found, "\xEF\xBB\xBF")) {
        hints.push_back("the file starts with a UTF-8 byte order mark (bytes EF BB BF), which some editors write;"
                        " save it without one");
    } else if (looksLikeUtf16(found)) {
        hints.push_back(kUtf16Hint);
    } else if (startsWith(found, magic)) {
        const std::size_t blank = found.find_first_of(" \t");
        if (blank != std::string::npos)
            hints.push_back("only the word force may follow the header, not " +
                            quoted(found.substr(found.find_first_not_of(" \t", blank))));
    }
    return hints;
}

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

// A line that was meant as a hard path but is none on this system.
std::vector<std::string> hardPathHints(const std::string &line) {
    if (line.empty()) return {};
    if (line.size() >= 2 && isSlash(line[0]) && isSlash(line[1]))
        return {"a UNC path starts with two backslashes: write " + locmap50::rules::toBackslashes(line)};
    if (locmap50::rules::beginsWithDrive(line)) {
        if (line.size() == 2) return {line + " names a drive, not a directory: write " + line + "\\ for its root"};
        return {line + " is relative to the current directory of drive " + line.substr(0, 2) + ": write " +
                line.substr(0, 2) + "\\" + line.substr(2)};
    }
    if (locmap50::rules::isPosixPath(line))
        return {line + " is a POSIX path, a hard path only on Linux; on Windows hard paths are drive paths"
                       " (C:\\...) or UNC paths (\\\\server\\share): keep it in the map that Linux machines read"};
    if (!locmap50::rules::isSoftName(line) && line.find_first_of("/\\") != std::string::npos)
        return {line + " is a relative path; a hard path starts with a drive letter, a colon and a backslash"
                       " (C:\\...), or with two backslashes (\\\\server\\share)"};
    return {};
}

// Relative include paths resolve against the current directory, which the
// user may not expect; say where it led, and where the file may really be.
std::vector<std::string> includeHints(const VnLoadProblem &problem, const MapSource &source) {
    const std::string &path = problem.detail;
    if (path.empty() || locmap50::rules::isAbsolute(locmap50::rules::toHardPathForm(path))) return {};
    std::vector<std::string> hints;
    std::string resolved;
    if (translate(GetAbsoluteHardNameEx, path, resolved) == LOCMAP50_OK)
        hints.push_back("it resolved to " + resolved);
    hints.push_back("relative include paths resolve against the current directory, not the including map's folder");
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(source.presentable(problem.file)).parent_path();
    std::error_code error;
    if (!folder.empty()) {
        const fs::path beside = folder / path;
        if (fs::is_regular_file(beside, error))
            hints.push_back("a file of that name stands beside the including map: " +
                            locmap50::rules::toBackslashes(beside.string()));
    }
    return hints;
}

const VnLocMapFile *loadedFile(const std::string &fileName) {
    if (IsLocMapPresent() != 1) return nullptr;
    for (const VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles)
        if (file.m_fileName == fileName) return &file;
    return nullptr;
}

std::vector<std::string> noHardPathHints(const VnLoadProblem &problem) {
    const VnLocMapFile *file = loadedFile(problem.file);
    if (file != nullptr && file->m_force)
        return {"the header says force, so the environment cannot supply it: give it a hard path line"};
    return {"the environment can supply it: the variable " + variableOf(problem.detail) +
            " was looked for and is not set"};
}

std::vector<std::string> overrideHints(const VnLoadProblem &problem) {
    std::string value;
    if (translate(GetHardNameEx, problem.detail, value) != LOCMAP50_OK) return {};
    return {variableOf(problem.detail) + "=" + value + " is used instead of the file's hard paths; unset " +
            variableOf(problem.detail) + ", or put force in the header, to use them"};
}

std::vector<std::string> hintsFor(const VnLoadProblem &problem, const MapSource &source) {
    switch (problem.kind) {
    case LOCMAP50_PROBLEM_BAD_HEADER: return headerHints(problem.detail);
    case LOCMAP50_PROBLEM_PARSE_ERROR: return hardPathHints(problem.detail);
    case LOCMAP50_PROBLEM_BAD_INCLUDE: return includeHints(problem, source);
    case LOCMAP50_PROBLEM_NO_HARD_PATH: return noHardPathHints(problem);
    case LOCMAP50_PROBLEM_ENV_OVERRIDE: return overrideHints(problem);
    case LOCMAP50_PROBLEM_NUL_BYTE:
        if (looksLikeUtf16(problem.detail)) return {kUtf16Hint};
        return {};
    case LOCMAP50_PROBLEM_NO_SOFT_PREFIX:
        return {"a hard path belongs to the soft prefix line above it, and none came since the header or the last"
                " INCLUDE line"};
    default: return {};
    }
}

// ---- collecting and printing -------------------------------------------------

std::vector<Diagnostic> loadDiagnostics(const MapSource &source, bool withNotes) {
    std::vector<Diagnostic> diagnostics;
    if (!VnLocMap::exists()) return diagnostics;
    const std::vector<VnLoadProblem> &problems = VnLocMap::createMap()->loadProblems();
    for (std::size_t index = 0; index < problems.size(); ++index) {
        const VnLoadProblem &problem = problems[index];
        if (problem.severity == LOCMAP50_SEVERITY_NOTE && !withNotes) continue;
        diagnostics.push_back({problem.file, problem.line, problem.severity, kindName(problem.kind),
                               loadProblemText(static_cast<int>(index)), problem.detail, hintsFor(problem, source)});
    }
    return diagnostics;
}

std::vector<Diagnostic> lintDiagnostics() {
    std::vector<Diagnostic> diagnostics;
    for (LintFinding &finding : lintWarnings())
        diagnostics.push_back({finding.file, finding.line, LOCMAP50_SEVERITY_WARNING, kindName(finding.kind),
                               finding.text, std::string(), {}});
    return diagnostics;
}

std::string renderText(const Diagnostic &diagnostic, const MapSource &source) {
    std::string text = diagnostic.file.empty() ? std::string("locmap") : diagnostic.file;
    if (diagnostic.line > 0) text += ":" + std::to_string(diagnostic.line);
    text += std::string(": ") + severityName(diagnostic.severity) + ": " + diagnostic.text + " [" + diagnostic.kind +
            "]\n";
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
    std::vector<std::string> hints;
    for (const std::string &hint : diagnostic.hints) hints.push_back(source.presentable(hint));
    setTexts(object, "hints", hints);
    return object;
}

}  // namespace

int commandCheck(const MapSource &source, CheckFormat format, bool strict) {
    const int errors = VnLocMap::exists() ? VnLocMap::createMap()->loadErrorCount() : 0;
    const int warnings = VnLocMap::exists() ? VnLocMap::createMap()->loadWarningCount() : 0;
    std::vector<Diagnostic> lint;
    if (format == CheckFormat::Legacy) {
        std::fputs(source.diagnostics().c_str(), stdout);
    } else {
        std::vector<Diagnostic> diagnostics = loadDiagnostics(source, /*withNotes=*/true);
        lint = lintDiagnostics();
        diagnostics.insert(diagnostics.end(), lint.begin(), lint.end());
        if (format == CheckFormat::Json) {
            Json document = Json::array();
            for (const Diagnostic &diagnostic : diagnostics) document.push_back(renderJson(diagnostic, source));
            printJson(document);
        } else {
            for (const Diagnostic &diagnostic : diagnostics)
                std::fputs(renderText(diagnostic, source).c_str(), stdout);
        }
    }
    if (errors > 0) return kExitLoadErrors;
    if (strict && (warnings > 0 || !lint.empty())) return kExitLoadErrors;
    return kExitOk;
}

void reportLoadProblems(const MapSource &source) {
    for (const Diagnostic &diagnostic : loadDiagnostics(source, /*withNotes=*/false))
        std::fputs(renderText(diagnostic, source).c_str(), stderr);
}

}  // namespace locmap_tool

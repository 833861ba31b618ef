// SPDX-License-Identifier: Apache-2.0
// "locmap explain" and "locmap list --json": the library's explanations worded as sentences, or written as JSON.
//
// Every fact comes from VnLocMap::explain; nothing here decides how a name translates.
#include "Explain.h"

#include <cstdio>

#include "Json.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "locmap50/VnExplanation.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"

namespace locmap_tool {

namespace {

using Kind = VnExplanation::Kind;
using Standing = VnExplainedEntry::Standing;

std::vector<VnExplanation> explanationsOf(const std::vector<std::string> &names) {
    std::vector<VnExplanation> explanations;
    if (VnLocMap::exists()) VnLocMap::createMap()->explain(names, explanations);
    return explanations;
}

std::string placeOf(const std::string &file, int line) {
    return line > 0 ? file + ":" + std::to_string(line) : file;
}

// ---- sentences ---------------------------------------------------------------

std::string environmentSentence(const VnExplanation &e) {
    switch (e.environment) {
    case VnExplanation::Environment::Overrode:
        return "The environment variable " + e.variable + "=" + e.value + " overrode the map file's hard paths.";
    case VnExplanation::Environment::Supplied:
        return "The map file gives it no hard path; the environment variable " + e.variable + "=" + e.value +
               " supplied it.";
    case VnExplanation::Environment::None: break;
    }
    return "No environment variable changed it.";
}

std::vector<std::string> softNameSentences(const VnExplanation &e, const MapSource &source) {
    std::vector<std::string> lines;
    lines.push_back(e.file.empty() ? "Its soft prefix " + e.softPrefix + " was added to the map after the load."
                                   : "Its soft prefix " + e.softPrefix + " is defined at " +
                                         source.presentable(placeOf(e.file, e.line)) + ".");
    lines.push_back(environmentSentence(e));
    std::string paths;
    bool usedShown = false;
    for (const std::string &path : e.hardPaths) {
        if (!paths.empty()) paths += ", ";
        paths += path;
        if (usedShown || path != e.hardPathUsed) continue;
        paths += " (used)";
        usedShown = true;
    }
    lines.push_back("Its hard paths, in order: " + paths + ".");
    return lines;
}

std::string holderSentence(const VnExplainedEntry &holder, bool mapAnswered, const MapSource &source) {
    const std::string where = source.presentable(placeOf(holder.file, holder.line));
    const std::string through =
        " through its hard path " + holder.hardPath +
        (holder.hardPathLine > 0 ? " (line " + std::to_string(holder.hardPathLine) + ")" : std::string());
    switch (holder.standing) {
    case Standing::Used:
        if (holder.file.empty())
            return "No entry of the map holds it; the environment variable " + holder.softPrefix.substr(1) + "=" +
                   holder.hardPath + " does.";
        return "The first entry holding it is " + holder.softPrefix + " (" + where + ")," + through + ".";
    case Standing::LaterEntry:
        return holder.softPrefix + " (" + where + ") holds it too," + through +
               ", but comes later: entries are tried in the order they were defined.";
    case Standing::ShadowedRedefinition:
        return holder.softPrefix + " at " + where + " holds it too," + through +
               ", but redefines a prefix defined before, and the map takes only the first definition.";
    case Standing::OverriddenByEnvironment:
        return holder.softPrefix + " (" + where + ") held it" + through + ", but the environment variable " +
               holder.softPrefix.substr(1) + " replaced that entry's hard paths.";
    case Standing::EnvironmentTable:
        return std::string("The environment variable ") + holder.softPrefix.substr(1) + "=" + holder.hardPath +
               " holds it too, but " +
               (mapAnswered ? "variables are tried only when no entry holds it." : "another variable matched first.");
    }
    return std::string();
}

std::string whyNotSentence(const VnExplanation &e) {
    switch (e.whyNot) {
    case VnExplanation::WhyNot::NoEntry:
        return "The map has no entry " + e.softPrefix + ", and the environment variable " + e.variable +
               " is not set.";
    case VnExplanation::WhyNot::NoLeadingName:
        return "The map has no entry " + e.softPrefix + ", and no leading part of " + e.softPrefix.substr(1) +
               " names an environment variable.";
    case VnExplanation::WhyNot::RelativeName:
        return "It is neither a soft name ($...), a URL nor an absolute path.";
    case VnExplanation::WhyNot::NoEntryHoldsPath:
        return "No entry of the map and no environment variable holding an absolute path holds it.";
    case VnExplanation::WhyNot::Translated: break;
    }
    return std::string();
}

// Includes that failed, with the system's reason: an entry a name needs may
// be in one of them.
std::vector<std::string> failedIncludeSentences(const MapSource &source) {
    std::vector<std::string> lines;
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        int severity = 0, kind = 0, line = 0, reason = LOCMAP50_REASON_NONE;
        const char *file = nullptr, *detail = nullptr;
        if (GetLoadProblem(index, &severity, &kind, &file, &line, &detail) != LOCMAP50_OK ||
            kind != LOCMAP50_PROBLEM_BAD_INCLUDE)
            continue;
        GetLoadProblemReason(index, &reason);
        const std::string why = reason != LOCMAP50_REASON_NONE ? ": " + reasonText(reason) : std::string();
        lines.push_back("The include of " + std::string(detail) + " at " + source.presentable(placeOf(file, line)) +
                        " was not read" + why + "; an entry there would not be seen.");
    }
    return lines;
}

std::vector<std::string> sentences(const VnExplanation &e, const MapSource &source) {
    std::vector<std::string> lines;
    switch (e.kind) {
    case Kind::SoftName: return softNameSentences(e, source);
    case Kind::LeadingName:
        return {"The map has no entry " + e.softPrefix + "; a soft prefix alone then expands the shortest leading"
                " part of its name that is an environment variable: " + e.variable + "=" + e.value + "."};
    case Kind::LiveVariable:
        return {"The map has no entry " + e.softPrefix + "; the environment variable " + e.variable + "=" + e.value +
                " stands in for it."};
    case Kind::HardPath: {
        const bool mapUsed = !e.holders.empty() && e.holders.front().standing == Standing::Used;
        for (const VnExplainedEntry &holder : e.holders) lines.push_back(holderSentence(holder, mapUsed, source));
        return lines;
    }
    case Kind::PassedThrough: return {"It is passed through unchanged: no entry or variable holds it, or it is a URL."};
    case Kind::NotTranslated: {
        lines.push_back(whyNotSentence(e));
        for (const VnExplainedEntry &holder : e.holders) lines.push_back(holderSentence(holder, false, source));
        const std::vector<std::string> includes = failedIncludeSentences(source);
        if (e.whyNot != VnExplanation::WhyNot::RelativeName) lines.insert(lines.end(), includes.begin(), includes.end());
        return lines;
    }
    }
    return lines;
}

void printSentences(const VnExplanation &e, const MapSource &source) {
    const std::string opening = e.status == LOCMAP50_OK ? e.name + " translates to " + e.result + "."
                                                        : e.name + " does not translate.";
    // Names, paths and values may hold control bytes: shown escaped, one sentence a line.
    std::printf("%s\n", printable(source.presentable(opening)).c_str());
    for (const std::string &line : sentences(e, source)) std::printf("  %s\n", printable(line).c_str());
}

// ---- JSON ----------------------------------------------------------------------

const char *kindName(Kind kind) {
    switch (kind) {
    case Kind::SoftName: return "soft-name";
    case Kind::LeadingName: return "leading-name";
    case Kind::LiveVariable: return "live-variable";
    case Kind::HardPath: return "hard-path";
    case Kind::PassedThrough: return "passed-through";
    case Kind::NotTranslated: return "not-translated";
    }
    return "";
}

const char *standingName(Standing standing) {
    switch (standing) {
    case Standing::Used: return "used";
    case Standing::LaterEntry: return "later-entry";
    case Standing::ShadowedRedefinition: return "shadowed-redefinition";
    case Standing::OverriddenByEnvironment: return "overridden-by-environment";
    case Standing::EnvironmentTable: return "environment-table";
    }
    return "";
}

const char *whyNotName(VnExplanation::WhyNot whyNot) {
    switch (whyNot) {
    case VnExplanation::WhyNot::Translated: return "";
    case VnExplanation::WhyNot::NoEntry: return "no-entry";
    case VnExplanation::WhyNot::NoLeadingName: return "no-leading-name";
    case VnExplanation::WhyNot::RelativeName: return "relative-name";
    case VnExplanation::WhyNot::NoEntryHoldsPath: return "no-entry-holds-path";
    }
    return "";
}

Json environmentJson(const VnExplanation &e) {
    if (e.environment == VnExplanation::Environment::None) return nullptr;
    Json environment = Json::object();
    environment["effect"] = e.environment == VnExplanation::Environment::Overrode ? "override" : "supplied";
    setText(environment, "variable", e.variable);
    setText(environment, "value", e.value);
    return environment;
}

// What list --json gives per entry; explain adds the rest.
Json entryJson(const VnExplanation &e, const MapSource &source) {
    Json entry = Json::object();
    setText(entry, "prefix", e.softPrefix);
    setTexts(entry, "hard_paths", e.hardPaths);
    setText(entry, "file", source.presentable(e.file));
    entry["line"] = e.line;
    entry["environment"] = environmentJson(e);
    return entry;
}

Json holderJson(const VnExplainedEntry &holder, const MapSource &source) {
    Json object = Json::object();
    object["standing"] = standingName(holder.standing);
    setText(object, "prefix", holder.softPrefix);
    setText(object, "file", source.presentable(holder.file));
    object["line"] = holder.line;
    setText(object, "hard_path", holder.hardPath);
    object["hard_path_line"] = holder.hardPathLine;
    return object;
}

Json explanationJson(const VnExplanation &e, const MapSource &source) {
    Json object = Json::object();
    setText(object, "name", e.name);
    object["kind"] = kindName(e.kind);
    object["translated"] = e.status == LOCMAP50_OK;
    setText(object, "result", source.presentable(e.result));
    object["why_not"] = e.status == LOCMAP50_OK ? Json(nullptr) : Json(whyNotName(e.whyNot));
    if (e.kind == Kind::SoftName) {
        object["entry"] = entryJson(e, source);
        setText(object, "hard_path_used", e.hardPathUsed);
    } else if (!e.softPrefix.empty()) {
        setText(object, "variable", e.variable);
        setText(object, "value", e.value);
    }
    Json holders = Json::array();
    for (const VnExplainedEntry &holder : e.holders) holders.push_back(holderJson(holder, source));
    if (!e.holders.empty() || e.kind == Kind::HardPath) object["holders"] = std::move(holders);
    return object;
}

}  // namespace

int commandExplain(const MapSource &source, const std::vector<std::string> &names, bool json) {
    const std::vector<VnExplanation> explanations = explanationsOf(names);
    int exitCode = kExitOk;
    Json document = Json::array();
    for (const VnExplanation &e : explanations) {
        if (e.status != LOCMAP50_OK) exitCode = kExitFailed;
        if (json)
            document.push_back(explanationJson(e, source));
        else
            printSentences(e, source);
    }
    if (json) printJson(document);
    return exitCode;
}

int commandListJson(const MapSource &source) {
    Json document = Json::array();
    for (const VnExplanation &e : explanationsOf(softPrefixes())) document.push_back(entryJson(e, source));
    printJson(document);
    return kExitOk;
}

}  // namespace locmap_tool

// SPDX-License-Identifier: Apache-2.0
// The rules that decide what a load takes from each soft prefix block: the override rule and the include walk.
#ifndef LOCMAP50_LOCMAP_LOADRULES_H
#define LOCMAP50_LOCMAP_LOADRULES_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "paths/PathRules.h"
#include "platform/Environment.h"

namespace locmap50::locmap {

// What the environment variable named like a prefix does to one block of it.
struct EnvironmentVerdict {
    enum class Effect { None, Overrides, Supplies };
    Effect effect = Effect::None;
    std::string hardPath;    // the value in hard path form, when it overrides or supplies
    bool lineBreak = false;  // the value held a line break, so it stands for nothing
    bool notAbsolute = false;  // under the POSIX style, no absolute hard path: it stands for nothing
};

// The override rule. Outside force mode a variable's value (one line only:
// more would write lines of its own into saved and exported files) supplies
// the hard path of a block that has none, and overrides a block whose first
// hard path differs from it. value: the variable's value, nullopt when unset;
// firstHardPath: the block's first hard path, null when it has none. Under
// the POSIX style a value that is no absolute hard path (a relative path, "~/x")
// is a mistake that would make wrong paths, so it stands for nothing either;
// under the Windows style such a value is used as it stands.
EnvironmentVerdict environmentVerdict(bool force, const std::optional<std::string> &value,
                                      const std::string *firstHardPath,
                                      paths::PathStyle style = paths::kHostPathStyle);

// The block in effect for a prefix is the first one, in reading order, that
// defines it: one with a hard path, or one the environment supplies. Earlier
// blocks count as undefined, later ones are shadowed.
inline bool definesPrefix(bool hasHardPath, const EnvironmentVerdict &verdict) {
    return hasHardPath || verdict.effect != EnvironmentVerdict::Effect::None;
}

// What both rules make of one block of softPrefix that no earlier block
// shadows, in a file of the given force mode; the load and the account of a
// load settle every such block here.
struct BlockSettlement {
    std::optional<std::string> value;  // the variable named like the prefix; asked only outside force mode
    EnvironmentVerdict verdict;
    bool defines = false;  // the block is in effect
};
BlockSettlement settleBlock(const platform::EnvironmentIndex &environment, bool force,
                            const std::string &softPrefix, const std::string *firstHardPath);

// The include walk: which files an include line reads. A file is read at
// most once per walk; one still being read further up is a cycle. Each
// step costs the same however deep the chain of open includes is.
class IncludeWalk {
public:
    enum class Step { Read, Cycle, ReadBefore };
    // What an include of the file known as identity does; Read marks it read.
    Step step(const std::string &identity);
    // The file now read, and back out of it once its end is reached.
    void enter(const std::string &identity);
    void leave();

    // What every walk of the process has looked at so far: one for each
    // step, and one for each file of the chain a step compared. Only tests
    // read it, to see that a walk's work grows with its length alone.
    static std::uint64_t workDone();

private:
    std::unordered_set<std::string> m_read;       // every file read in this walk
    std::vector<const std::string *> m_chain;     // the files being read, outermost first (in m_read)
    std::unordered_set<std::string_view> m_open;  // the same files, to look up
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_LOADRULES_H

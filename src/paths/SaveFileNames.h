// The names a save gives the files it makes beside its target: the save lock and the temporary files.
#ifndef LOCMAP50_PATHS_SAVEFILENAMES_H
#define LOCMAP50_PATHS_SAVEFILENAMES_H

#include <string>

namespace locmap50::paths {

// "<file>.save-lock": the lock file that serialises saves of <file>.
std::string saveLockNameOf(const std::string &target);

// A save first writes "<file>.tmp-<unique>" beside <file>. The unique part
// is what the platform makes: six letters or digits (mkstemp's XXXXXX) on
// POSIX, "<process>-<tick>-<counter>" in decimal on Windows.
extern const char kTemporaryNameSuffix[];  // ".tmp-"
enum class TemporaryNameStyle { SixLettersOrDigits, ProcessTickCounter };

// Whether fileName, found beside the file called targetBase, is a temporary
// file that a save of that file made in the given style: what a crashed save
// leaves behind. Names of any other shape belong to someone else.
bool isLeftoverTemporaryName(const std::string &fileName, const std::string &targetBase,
                             TemporaryNameStyle style);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_SAVEFILENAMES_H

// SPDX-License-Identifier: Apache-2.0
// A name a caller gives for a loaded map file, and how the file is found by it: by spelling first, by identity only then.
#ifndef LOCMAP50_LOCMAP_LOADEDFILENAME_H
#define LOCMAP50_LOCMAP_LOADEDFILENAME_H

#include <list>
#include <optional>
#include <string>

#include "locmap50/VnLocMapFile.h"

namespace locmap50::locmap {

// A loaded file is first looked for under the name it was recorded with (its
// system name, or the absolute spelling of the name the load was given), so
// that a file another writer keeps replacing by rename is still found under
// that name. Only a name spelled otherwise is compared by identity: one stat
// of it (on Windows one open and one query), against the identity each file
// had when loaded or last saved here, never a second stat of the loaded file.
class LoadedFileName {
public:
    // Spells the name absolute; looks at no file.
    explicit LoadedFileName(const std::string &given);

    const std::string &given() const { return m_given; }

    // The file of files that the name names: the one recorded under its
    // spelling, else, once identified, the one whose identity the named file
    // has; null when none. Looks at no file.
    VnLocMapFile *findIn(std::list<VnLocMapFile> &files) const;
    // Whether a search that found nothing may find the file once the name is
    // identified.
    bool worthIdentifying(const VnLocMapFile *found) const { return found == nullptr && !m_identified; }
    // Looks up the identity of the file the name names now, outside any lock
    // of the map: this waits for the disk.
    void identify();
    // findIn, identifying the name on the way when need be.
    VnLocMapFile *identifyingFindIn(std::list<VnLocMapFile> &files);

private:
    bool isRecordedAs(const VnLocMapFile &file) const;

    std::string m_given;
    std::optional<std::string> m_spelled;
    std::optional<std::string> m_identity;
    bool m_identified = false;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_LOADEDFILENAME_H

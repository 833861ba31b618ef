// One location map file: its own record of what it says, its reader and its writer.
#ifndef LOCMAP50_VNLOCMAPFILE_H
#define LOCMAP50_VNLOCMAPFILE_H

#include <list>
#include <map>
#include <string>
#include <vector>

#include "locmap50/PrivateIndex.h"
#include "locmap50/export.h"
#include "locmap50/result_codes.h"

class VnLocMap;
namespace locmap50::mapfile {
class ListPositions;
}

/*
 * A map file is read once into the process-wide VnLocMap (readMap), and keeps
 * its own record of the file so that it can be edited and written back to its
 * own path (changeEntry, deleteEntry, save). The file grammar the reader
 * accepts is described at the top of src/locmapfile/Reader.cpp.
 *
 * The record always holds what the file itself says; environment variables
 * change only the merged tables of the location map, so saving never writes
 * one user's environment into a shared map file.
 */
class LOCMAP50_API VnLocMapFile {
public:
    VnLocMapFile();
    VnLocMapFile(const VnLocMapFile &other);
    VnLocMapFile &operator=(const VnLocMapFile &other);
    // Moving hands the lists over instead of copying them.
    VnLocMapFile(VnLocMapFile &&other) noexcept;
    VnLocMapFile &operator=(VnLocMapFile &&other) noexcept;
    ~VnLocMapFile();

    // Reads m_fileName into the location map singleton (created if need be),
    // including nested INCLUDE files at the point of their line; the included
    // files' records are appended to the map's m_mapFiles. Problems go to the
    // map's message text. Most callers want VnLocMap::load, which also chooses
    // the file and puts this record first. Returns LOCMAP50_OK when the file
    // was read to its end (or could not be opened), LOCMAP50_FAILED when
    // reading stopped at a bad header line or at a hard path line with no soft
    // prefix. Always terminates, also on include cycles.
    int readMap();

    // Empties the entry order, the include lines and the hard path table; keeps
    // the version, the force flag, the file name and the message texts. Returns
    // LOCMAP50_OK.
    int clearMap();

    // Writes the record in the map file layout, to standard output when
    // toStdout is true, otherwise to m_fileName. The old file is replaced only
    // once the new text is completely written. Returns LOCMAP50_OK on success,
    // LOCMAP50_FAILED when the file cannot be written (the old file, if any, is
    // left untouched).
    int save(bool toStdout);

    // Replaces the hard paths of softPrefix by those of a backquote-terminated
    // list string; nothing when the file lacks the prefix. Returns
    // LOCMAP50_OK, or LOCMAP50_FAILED (nothing changed) when the list holds a
    // line break.
    int changeEntry(std::string softPrefix, std::string hardPaths);

    // Removes softPrefix (first occurrence) and its hard paths. Returns
    // LOCMAP50_OK.
    int deleteEntry(std::string softPrefix);

    // Message texts of the reader; "%s" stands for one argument.
    std::string m_msgBadVersion;
    std::string m_msgParseError;
    std::string m_msgNoHardPath;
    std::string m_msgEnvOverride;
    std::string m_msgBadSoftPrefix;
    std::string m_msgBadInclude;
    std::string m_msgNoSoftPrefix;
    std::string m_msgTooManyHardPaths;
    // An INCLUDE line naming a file that is already being read further up.
    std::string m_msgIncludeCycle;

    // The file's record.
    std::list<std::string> m_includeLines;  // readable include lines, as read
    std::string m_version;                  // "1", "2", or empty (force / unread)
    bool m_force;                           // header carried "force"
    std::map<std::string, std::list<std::string>> m_entryHardPaths;  // prefix -> its hard paths
    std::list<std::string> m_entryOrder;    // prefixes and "INCLUDE" markers, in file order
    std::string m_fileName;                 // path of this file

private:
    // One readWithinChain run: the line state and the handling of each kind of line.
    class ReadRun;

    // Reads with the identities of the files already being read above this one,
    // so that an include cycle is reported instead of followed.
    int readWithinChain(std::vector<std::string> &includeChain);

    // Settles one soft prefix against the force rule and the environment.
    void onSoftPathState(std::string softPrefix, VnLocMap *map, bool noHardPath,
                         std::string firstHardPath);

    // Drops white space from both ends of text, in place.
    void removeLeadingTrailingSpace(std::string &text);

    friend class VnLocMap;
    // Adds a new entry at the end of the record (nothing when the file
    // already holds softPrefix); how the location map's addEntry reaches it.
    void appendEntry(const std::string &softPrefix, std::list<std::string> hardPaths);

    // Where each prefix of m_entryOrder stands, so that deleteEntry needs no
    // walk; built afresh whenever m_entryOrder was changed by other hands.
    locmap50::mapfile::ListPositions &entryPositions();
    locmap50::PrivateIndex<locmap50::mapfile::ListPositions> m_entryPositions;
};

#endif  // LOCMAP50_VNLOCMAPFILE_H

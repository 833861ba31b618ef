// SPDX-License-Identifier: Apache-2.0
// One location map file: its own record of what it says, its reader and its writer.
#ifndef LOCMAP50_VNLOCMAPFILE_H
#define LOCMAP50_VNLOCMAPFILE_H

#include <list>
#include <map>
#include <string>
#include <vector>

#include "locmap50/PrivateState.h"
#include "locmap50/export.h"
#include "locmap50/result_codes.h"

class VnLocMap;
namespace locmap50::mapfile {
class FileSaving;
class FileStateAccess;
struct FileState;
class ListPositions;
}
namespace locmap50::locmap {
class LoadedFileName;
class MapLoader;
class OneFileEdit;
class RecordWalk;
}

/*
 * One problem found while the map file was chosen or read: what
 * GetLoadProblem reports. severity is a LOCMAP50_SEVERITY_* code, kind a
 * LOCMAP50_PROBLEM_* code (result_codes.h); file is the map file concerned
 * (the file being read, or the candidate looked for), line its line or 0
 * when the problem has none, and detail the text at fault: the soft prefix,
 * the include path, the hard path or the line as found. reason is the
 * system's LOCMAP50_REASON_* answer where the problem has one (an include or
 * map file that could not be read, a place the search passed over), else
 * LOCMAP50_REASON_NONE.
 *
 * variable and value are the environment variable a problem is about and its
 * value as it was set, whole and unquoted (detail may cut or escape it): the
 * variable named after the soft prefix for LOCMAP50_PROBLEM_ENV_OVERRIDE,
 * _ENV_LINE_BREAK and _ENV_NOT_ABSOLUTE; ZOR_LOCATION_MAP for _BAD_ENV_PATH
 * and _NOTE_FROM_ENV_VARIABLE; WDIR for _NOTE_WDIR_EMPTY; the unset
 * variable (no value) for _NOTE_VARIABLE_UNSET. Both are empty for every
 * other kind.
 */
struct VnLoadProblem {
    int severity = LOCMAP50_SEVERITY_ERROR;
    int kind = 0;
    std::string file;
    int line = 0;
    std::string detail;
    int reason = LOCMAP50_REASON_NONE;
    std::string variable;
    std::string value;
};

/*
 * One change a layout-keeping save makes to a file: the old lines
 * [firstLine, firstLine + lineCount) (numbered from 1) become newText, whole
 * lines with their line ends. lineCount 0 is an insertion before firstLine.
 */
struct VnLineChange {
    int firstLine = 0;
    int lineCount = 0;
    std::string newText;
};

/*
 * A map file is read once into the process-wide VnLocMap (readMap), and keeps
 * its own record of the file so that it can be edited and written back to its
 * own path (changeEntry, deleteEntry, save). The file grammar the reader
 * accepts is described in src/locmapfile/Parser.h.
 *
 * The record always holds what the file itself says; environment variables
 * change only the merged tables of the location map, so saving never writes
 * one user's environment into a shared map file.
 *
 * The class is for one thread: use an object from one thread at a time, and
 * one of the map's files never while another thread is in a function of the
 * C interface (locmap50.h).
 */
class VnLocMapFile {
public:
    LOCMAP50_API VnLocMapFile();
    LOCMAP50_API VnLocMapFile(const VnLocMapFile &other);
    LOCMAP50_API VnLocMapFile &operator=(const VnLocMapFile &other);
    // Moving hands the lists over instead of copying them.
    LOCMAP50_API VnLocMapFile(VnLocMapFile &&other) noexcept;
    LOCMAP50_API VnLocMapFile &operator=(VnLocMapFile &&other) noexcept;
    LOCMAP50_API ~VnLocMapFile();

    // Reads m_fileName into the location map singleton (created if need be),
    // including nested INCLUDE files at the point of their line; the included
    // files' records are appended to the map's m_mapFiles. Problems go to the
    // map's message text. Most callers want VnLocMap::load, which also chooses
    // the file and puts this record first. Returns LOCMAP50_OK when the file
    // was read to its end (or could not be opened), LOCMAP50_FAILED when
    // reading stopped at a bad header line or at a hard path line with no soft
    // prefix. Only regular files are read, each whole and closed again before
    // its lines are taken, and each at most once per load: includes nest to
    // any depth on any stack and under any handle limit, and cycles and
    // repeated includes end. An include line naming a file read before stays
    // in the record but reads nothing.
    LOCMAP50_API int readMap();

    // Empties the entry order, the include lines and the hard path table; keeps
    // the version, the force flag, the file name and the message texts. Returns
    // LOCMAP50_OK.
    LOCMAP50_API int clearMap();

    // Writes the record in the map file layout, to standard output when
    // toStdout is true, otherwise to the file. The old file is replaced only
    // once the new text is completely written. Returns LOCMAP50_OK on
    // success, LOCMAP50_FAILED when nothing was written and the old file, if
    // any, is left untouched:
    // - a file whose load failed (not opened, not a map file, reading stopped
    //   early) is never written;
    // - a file that was read is written to the absolute path it was read
    //   from, whatever the current directory is now; one never read goes to
    //   m_fileName;
    // - concurrent saves: replacements of one file take an exclusive OS lock
    //   on a lock file beside it ("<file>.save-lock", flock() on POSIX, an
    //   unshared delete-on-close open on Windows; the OS releases it when its
    //   holder dies, so a crashed save never blocks later ones; a save waits
    //   about ten seconds for another one to finish, then fails). Under that
    //   lock the file must still hold exactly the bytes this object read (or
    //   last saved), compared by length and content hash; when another
    //   process changed it since, the save fails and leaves its version in
    //   place. A save also removes the temporary files that crashed saves of
    //   the file left beside it.
    // A record without a version or force (a comment-only file, or one never
    // read) is written with the header "ZOR_LOCATION_MAP_2" so that it loads.
    // Before anything is written (to a file or standard output), the text is
    // parsed as the reader would and must give what the record holds: the
    // prefix lines in order (kept blocks at their places), each with its hard
    // paths as the reader takes them ("C:/x" as "C:\x", a blank path as no
    // line, at most 20), and the include lines; otherwise nothing is written
    // and lastFailure says "would not read back", its detail the soft prefix
    // concerned.
    // VnLocMap::lastFailure says why a save or an edit failed.
    LOCMAP50_API int save(bool toStdout);

    // Writes the record's changes into the file, keeping every byte that they
    // do not concern: comments, blank lines, the header and INCLUDE lines as
    // written, the line ends (LF or CR LF) and a last line without one. A
    // changed entry keeps its lines and only the values of its hard path
    // lines change (surplus ones go, extra ones follow the last); a deleted
    // entry loses the prefix and hard path lines of every block of it; an
    // added one is appended after one blank line, with the file's line end
    // (the platform's when the file has none). Under the save lock the file
    // is read again, must hold what this object read (or last saved), and is
    // compared with the record: a file that says what the record says is not
    // written at all (same bytes, same modification time). Otherwise it is
    // replaced as save replaces it. A changed hard path line takes the new
    // path in its hard path form ("C:/x" as "C:\x"), which reads the same
    // after the line's indentation; an element the reader would skip (blank)
    // gets no line. written tells whether it was. Returns LOCMAP50_OK (also
    // when nothing was to change), or LOCMAP50_FAILED with the file as it
    // was: a file whose load failed and whose record differs, a file never
    // read, a file changed since it was read, new text that would not read
    // back as the record (checked under the lock as save checks its text),
    // one the process may not write, or a failed write (lastFailure says
    // which).
    LOCMAP50_API int saveKeepingLayout(bool &written);
    LOCMAP50_API int saveKeepingLayout();
    // What saveKeepingLayout would change, without writing or locking:
    // currentText gets the file's bytes as they are now, changes the line
    // changes in file order (none when nothing is to change). Returns
    // LOCMAP50_FAILED as saveKeepingLayout would refuse.
    LOCMAP50_API int previewKeepingLayout(std::string &currentText, std::vector<VnLineChange> &changes);
    // What save(false) would write, without writing or locking: currentText
    // gets the file's bytes as they are now ("" for a file never read),
    // newText the bytes save writes (with the system's line ends: CR LF on
    // Windows). Returns LOCMAP50_FAILED as save would
    // refuse (a file changed since it was read included).
    LOCMAP50_API int previewSave(std::string &currentText, std::string &newText);
    // Whether a save could write the file now, with the checks a save makes
    // before it writes: what stands at its name may be written over, the
    // process may write the file and make files in its folder, and the
    // replacement keeps the file's owner. Writes and locks nothing, so a dry
    // run predicts the real one, barring changes meanwhile and what only a
    // write finds (a full disk, a lock another save holds, access control
    // lists and hard links the copy would lose). Returns LOCMAP50_OK, or
    // LOCMAP50_FAILED with the reason in lastFailure.
    LOCMAP50_API int checkWritable();

    // Replaces the hard paths of softPrefix by those of a backquote-terminated
    // list string; nothing when the file lacks the prefix. The next
    // layout-keeping save writes the entry's block whole, so a block holding
    // more hard path lines than the reader takes loses the surplus even when
    // the paths it takes stay the same. Returns
    // LOCMAP50_OK, or LOCMAP50_FAILED (nothing changed) when the paths would
    // not read back from a saved file as those same hard paths: more than 20,
    // or one holding "#", CR or LF, or one that would read as an include
    // line, a soft prefix line or a parse error. Empty paths are kept; they
    // read back as nothing.
    LOCMAP50_API int changeEntry(std::string softPrefix, std::string hardPaths);

    // Removes softPrefix (first occurrence) and its hard paths, and every
    // other block of it that the file holds. Returns LOCMAP50_OK.
    LOCMAP50_API int deleteEntry(std::string softPrefix);

    // Message texts of the reader; "%s" stands for one argument.
    std::string m_msgBadVersion;
    std::string m_msgParseError;
    std::string m_msgNoHardPath;
    std::string m_msgEnvOverride;
    std::string m_msgBadSoftPrefix;
    std::string m_msgBadInclude;
    std::string m_msgNoSoftPrefix;
    std::string m_msgTooManyHardPaths;

    // The file's record.
    std::list<std::string> m_includeLines;  // readable include lines, as read
    std::string m_version;                  // "1", "2", or empty (force / unread)
    bool m_force;                           // header carried "force"
    std::map<std::string, std::list<std::string>> m_entryHardPaths;  // prefix -> its hard paths
    std::list<std::string> m_entryOrder;    // prefixes and "INCLUDE" markers, in file order
    std::string m_fileName;                 // path of this file

private:
    friend class VnLocMap;
    friend class locmap50::mapfile::FileSaving;
    friend class locmap50::mapfile::FileStateAccess;
    friend class locmap50::locmap::LoadedFileName;
    friend class locmap50::locmap::MapLoader;
    friend class locmap50::locmap::OneFileEdit;
    friend class locmap50::locmap::RecordWalk;
    // Adds a new entry at the end of the record (nothing when the file
    // already holds softPrefix); how the location map's addEntry reaches it.
    void appendEntry(const std::string &softPrefix, std::list<std::string> hardPaths);

    // A block of softPrefix that the record has no place for, kept after the
    // last entry of m_entryOrder; returns its hard path list to fill.
    std::list<std::string> &keepBlock(const std::string &softPrefix);
    unsigned keptBlockCount(const std::string &softPrefix) const;
    // Drops every kept block of softPrefix; those kept after it move to the
    // entry before it.
    void forgetKeptBlocksOf(const std::string &softPrefix);

    // Where each prefix of m_entryOrder stands, so that deleteEntry needs no
    // walk; built afresh whenever m_entryOrder was changed by other hands.
    locmap50::mapfile::ListPositions &entryPositions();

    // Everything the public members above do not show.
    locmap50::PrivateState<locmap50::mapfile::FileState> m_private;
};

#endif  // LOCMAP50_VNLOCMAPFILE_H

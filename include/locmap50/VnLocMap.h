// SPDX-License-Identifier: Apache-2.0
// The process-wide location map (VnLocMap) and the environment snapshot it carries (VnEnvSnapshot).
#ifndef LOCMAP50_VNLOCMAP_H
#define LOCMAP50_VNLOCMAP_H

#include <functional>
#include <list>
#include <map>
#include <string>
#include <unordered_map>

#include <vector>

#include "locmap50/PrivateState.h"
#include "locmap50/VnLocMapFile.h"
#include "locmap50/export.h"
#include "locmap50/result_codes.h"

struct VnExplanation;
struct VnPrefixAccount;

namespace locmap50::locmap {
class Explainer;
class HandedOutText;
class LookupIndexes;
class MapLoader;
class OneFileEdit;
struct MapState;
class ProblemReport;
class Translations;
}

/*
 * A table of environment variable names to non-empty values, taken from the
 * process environment when constructed and on reload, and never otherwise.
 */
class LOCMAP50_API VnEnvSnapshot {
public:
    VnEnvSnapshot();
    virtual ~VnEnvSnapshot();

    // Re-reads the whole process environment; entries with an empty value are
    // left out, and a later entry of the same name wins.
    virtual void reload();

    // Replaces the shortest leading part of name that is a variable with a
    // non-empty value by that value: with A=x, "AB" gives "xB". Empty when
    // name is empty or no leading part qualifies. Names are case-sensitive.
    std::string expandLeadingName(const std::string &name) const;
    // The variable that expandLeadingName takes: the shortest leading part
    // of name that is a variable with a non-empty value; "" when none is.
    std::string leadingVariable(const std::string &name) const;

    std::map<std::string, std::string> m_variables;
};

/*
 * The merged location map of the process: every soft prefix that the loaded
 * map files and the environment define, with its hard paths.
 *
 * There is at most one singleton, made by createMap and released only by
 * DestroyMap. Results are the codes of result_codes.h: LOCMAP50_OK;
 * LOCMAP50_FAILED (not found, not translated or bad input); LOCMAP50_NO_MAP
 * (nothing to work on). Only running out of memory escapes as an exception
 * (std::bad_alloc); on Windows it reaches a caller that uses the C++ runtime
 * DLLs installed beside locmap50.dll, as every MinGW program linked without
 * -static does.
 * The class is for one thread: use an object from one thread at a time, and
 * the singleton never while another thread is in a function of the C
 * interface (locmap50.h), which serves many threads with locks of its own
 * that the class does not take.
 *
 * Loading in one call:
 *
 *     VnLocMap *map = VnLocMap::createMap();
 *     if (map != nullptr && map->load("C:\\site\\zor_location_map", 1) != LOCMAP50_NO_MAP) {
 *         std::string hardName;
 *         if (map->getHardName("$TOOLS\\bin\\cc.exe", hardName) == LOCMAP50_OK) use(hardName);
 *         if (map->loadErrorCount() > 0) report(map->m_errorText);
 *     }
 *     VnLocMap::createMap()->DestroyMap();  // when done with it
 *
 * The public tables are there to be read. Change the map through its
 * operations (load, addEntry, changeEntry, deleteEntry, fetchEnvVariables,
 * uninitialize), which keep the tables, the map file records and the lookup
 * indexes in step. A caller who changes a table directly calls reindex()
 * before the next lookup: lookups answer from private indexes over the
 * tables, not by scanning the tables each time, so that a lookup costs the
 * same in a map of ten prefixes as in one of a hundred thousand.
 *
 * getHardName answers from m_primaryHardPaths, the first hard path of each
 * prefix as loaded: changeEntry does not change it until the next load, a
 * one-file edit does (see changeEntryInFile). getSoftName, save and
 * exportLocMap read m_softToHardMap, which edits change at once.
 * getAbsoluteHardName remembers its first answer for each relative name
 * (m_resolvedNameCache), and getHardName gives that answer too from then on.
 *
 * Strings are 8-bit text (on Windows in the process's code page); where case
 * is ignored only ASCII letters fold. Hard paths are Windows paths on every
 * system, and on Linux (POSIX) also POSIX absolute paths ("/usr/local"),
 * kept as written and matched byte for byte; file names are given in the
 * system's own separators.
 */
class VnLocMap {
public:
    // The singleton, created on first use; null when it cannot be allocated.
    LOCMAP50_API static VnLocMap *createMap();
    // Whether the singleton exists; never creates it.
    LOCMAP50_API static bool exists();
    // Runs uninitialize, then destroys this object.
    LOCMAP50_API void DestroyMap();

    // Chooses the map file; reads nothing (load does both). isMapFile
    // nonzero: path is the file itself. Zero: ZOR_LOCATION_MAP, then path +
    // "/zor_location_map", then HOME + "/zor/zor_location_map", then each WDIR
    // directory. Returns LOCMAP50_OK when a file was chosen (m_mapFileName,
    // in the system's separators), LOCMAP50_FAILED when none was (m_errorText says why
    // for an unreadable explicit file or a bad ZOR_LOCATION_MAP).
    LOCMAP50_API int initialize(const std::string &path, int isMapFile);
    // Empties the tables and stops being the singleton (the object itself
    // lives on; DestroyMap also deletes it). Text returned by the C interface
    // from this map is no longer valid. Returns LOCMAP50_OK.
    LOCMAP50_API int uninitialize();

    // Loads a location map in one call: chooses the map file as initialize
    // does, then reads it (loadMainMapFile). A map that was loaded before is
    // emptied first. For example:
    //
    //     VnLocMap *map = VnLocMap::createMap();
    //     if (map != nullptr && map->load("C:\\site\\zor_location_map", 1) != LOCMAP50_NO_MAP) {
    //         std::string hardName;
    //         map->getHardName("$TOOLS\\bin", hardName);
    //     }
    //
    // Returns LOCMAP50_NO_MAP when no readable map file was found (m_errorText
    // says why and the map stays empty), otherwise what loadMainMapFile returns.
    // Only the singleton loads: on any other object both return LOCMAP50_FAILED.
    LOCMAP50_API int load(const std::string &path, int isMapFile);
    // Reads the map file that initialize chose (m_mapFileName) with every file
    // it includes, puts it first in m_mapFiles, and sets m_errorText to the
    // success line when nothing was reported. Returns LOCMAP50_OK when the
    // file was read to its end, LOCMAP50_FAILED when reading stopped early at
    // a bad header or a hard path with no soft prefix (what came before stays
    // loaded), LOCMAP50_NO_MAP when no map file was chosen.
    LOCMAP50_API int loadMainMapFile();
    // How many errors and warnings the diagnostics of the last load hold.
    LOCMAP50_API int loadErrorCount() const;
    LOCMAP50_API int loadWarningCount() const;
    // Every problem of the last load in the order found: the errors and
    // warnings that m_errorText tells, and notes on the places the map file
    // was looked for and why each was passed over (see VnLoadProblem). The
    // list is emptied when the map is emptied (uninitialize, load).
    LOCMAP50_API const std::vector<VnLoadProblem> &loadProblems() const;

    // Rebuilds s_envHardToSoftMap from every variable holding an absolute path
    // (except CADRIX_PROJECTS); a later variable with the same path wins.
    LOCMAP50_API static void fetchEnvVariables();
    // 1 when an environment variable overrode softPrefix ("$NAME") while the
    // map was read, else 0 (a truth value, not a result code).
    LOCMAP50_API int isEnvOverridden(std::string softPrefix);

    // Soft name to hard path: "$P\rest" gives P's first hard path as loaded
    // (one trailing "\" dropped) followed by rest, or, for a prefix the map
    // lacks, the environment variable P as it is now; "$P" alone gives the
    // hard path as stored, or the snapshot's leading-name expansion of P. URLs
    // and absolute paths pass through. Returns LOCMAP50_OK with hardName set,
    // or LOCMAP50_FAILED with hardName untouched.
    LOCMAP50_API int getHardName(std::string name, std::string &hardName);
    // As getHardName, and names relative to the current directory are made
    // absolute (and remembered for the life of the loaded map). Returns
    // LOCMAP50_FAILED only for untranslatable "$" names, or when the current
    // directory cannot be read.
    LOCMAP50_API int getAbsoluteHardName(std::string name, std::string &hardName);
    // The one absolute-path rule: "X:\" or "\\" at the start means absolute.
    // On Linux (and other POSIX systems) a POSIX path is absolute too: "/"
    // first and the second character not "/" ("/opt/x", not "//srv/x"); on
    // Windows "/x" is relative.
    LOCMAP50_API static bool isPathRelative(const std::string &path);
    // Joins a hard path and the rest of a name, dropping one trailing "\"
    // (one trailing "/" from a POSIX path, which takes rest with "/").
    LOCMAP50_API static void mergePaths(std::string &hardPath, const std::string &rest);

    // Hard path to soft name: every hard path of the map entries in
    // definition order (the first entry holding the path wins, compared
    // ignoring ASCII case at "\" boundaries, or for a POSIX path byte for byte
    // at "/" boundaries), then s_envHardToSoftMap.
    // Returns LOCMAP50_OK with softName set (or the input passed through),
    // LOCMAP50_FAILED when nothing matched or the path is relative.
    LOCMAP50_API int getSoftName(std::string path, std::string &softName);
    // The same through s_envHardToSoftMap only. LOCMAP50_FAILED for relative
    // paths and when nothing matched.
    LOCMAP50_API static int getSoftNameFromEnv(std::string path, std::string &softName);

    // Why name translates as it does, for a person to read
    // (locmap50/VnExplanation.h): for a "$" name the entry, its file and
    // line, what the environment did and the hard paths; for an absolute
    // path every entry holding it and why all but one lost; otherwise why it
    // does not translate. The lines are found by reading the defining files
    // again. The list form reads each file once for all names. Returns the
    // code of the translation explained (getHardName's or getSoftName's).
    LOCMAP50_API int explain(const std::string &name, VnExplanation &explanation);
    LOCMAP50_API void explain(const std::vector<std::string> &names, std::vector<VnExplanation> &explanations);

    // The account of the load (locmap50/VnLoadAccount.h): per soft prefix
    // the block in effect, what the environment did, the blocks it shadows,
    // its hard paths that an earlier entry covers and those given twice, in
    // the order of the blocks in effect. It is worked out afresh on each call
    // from the loaded files' records, by the rules the load itself applies,
    // so it tells what a load of the files as they now stand (edits
    // included, the environment as it is now) would take; it costs the map
    // no memory. The lines are read from the files on disk. The form for one
    // prefix returns LOCMAP50_FAILED when no loaded file defines it.
    LOCMAP50_API void account(std::vector<VnPrefixAccount> &accounts);
    LOCMAP50_API int account(const std::string &softPrefix, VnPrefixAccount &account);

    // Editing of the merged map and its files. hardNames is a hard path list
    // string: each path followed by a backquote. addEntry returns
    // LOCMAP50_FAILED when the prefix is already present (nothing changes) and
    // LOCMAP50_NO_MAP when no map file is loaded (the merged tables take the
    // entry all the same); the others LOCMAP50_OK.
    // addEntry and changeEntry refuse with LOCMAP50_FAILED, changing nothing,
    // a prefix or a hard path that would not read back from a saved file as
    // what it is: one holding "#", CR or LF, a prefix that is no valid soft
    // prefix, or a path that would read as an include line, a soft prefix
    // line or a parse error.
    LOCMAP50_API int addEntry(std::string softPrefix, std::string hardNames);
    LOCMAP50_API int changeEntry(std::string softPrefix, std::string hardNames);
    LOCMAP50_API int deleteEntry(std::string softPrefix);
    // Writes every loaded map file back to the place it was read from, main
    // file first; stops with LOCMAP50_FAILED at the first file that cannot be
    // written or whose text would not read back as its record. Returns
    // LOCMAP50_FAILED at once, writing nothing, when a file's load failed (see
    // VnLocMapFile::save for that and for the rules of concurrent saves).
    LOCMAP50_API int save(bool toStdout);
    // Writes every loaded map file's changes keeping its layout
    // (VnLocMapFile::saveKeepingLayout), main file first; a file that says
    // what its record says is not written at all. Before anything is written,
    // a file whose load failed refuses the save when its record changed
    // (LOCMAP50_FAILED, nothing written); otherwise the first file that
    // cannot be written stops the save with LOCMAP50_FAILED (lastFailure
    // says why and which). writtenFiles gets each file written, as the map
    // names it. LOCMAP50_OK also when nothing was to change.
    LOCMAP50_API int saveKeepingLayout(std::list<std::string> &writtenFiles);
    LOCMAP50_API int saveKeepingLayout();

    // Edits of one loaded map file, named by any name of it on disk
    // (mapFile, found as loadedMapFile finds it). LOCMAP50_FAILED, changing
    // nothing, when mapFile names no loaded file (lastFailure: not found),
    // when the file does not hold the
    // prefix (change, delete; reason: no such entry), when any loaded file
    // holds it already (add; already present), or for paths that would not
    // read back (as changeEntry). Afterwards the tables answer for the
    // prefix as a fresh load of the files' records as they now stand would,
    // with the environment as it is now: its block in effect (see account),
    // at that block's place in m_softPrefixOrder, with m_softToFileMap,
    // m_primaryHardPaths and m_envOverridden to match; paths in their hard
    // path form. An added entry goes at the end of the file. A prefix that
    // changeEntry changed before is settled from the records as it left
    // them, and answers from then on as such a load would.
    LOCMAP50_API int changeEntryInFile(std::string mapFile, std::string softPrefix, std::string hardNames);
    LOCMAP50_API int addEntryToFile(std::string mapFile, std::string softPrefix, std::string hardNames);
    LOCMAP50_API int deleteEntryFromFile(std::string mapFile, std::string softPrefix);
    // The loaded map file object that mapFile names on disk; null when none.
    // The name the file was loaded under (made absolute against the current
    // directory of then) and its absolute name on disk find it without a
    // look at the disk, even while another program replaces the file by
    // renaming a new one over it. Any other name of it (a link, a "..", a
    // hard link, other letter case on Windows) is looked up once on disk and
    // finds the file when it is the very file that was loaded, or that this
    // library saved last.
    LOCMAP50_API VnLocMapFile *loadedMapFile(const std::string &mapFile);

    // Writes the merged map as one new version-2 map file at fileName, a path
    // the platform can open (no translation happens here). LOCMAP50_FAILED
    // when the file cannot be written (an existing file is then left as it
    // was), when fileName is a loaded map file that changed since it was read
    // (as a save refuses it, under its save lock), or when the text would not
    // read back as the merged map (a value taken from the environment may hold
    // a "#"; lastFailure: would not read back, its detail the soft prefix). A
    // device or pipe target is written in place, a directory refused.
    LOCMAP50_API int exportLocMap(std::string fileName, bool toStdout);

    // A copy holds its own copies of every table and map file object; it never
    // becomes the singleton.
    LOCMAP50_API VnLocMap(const VnLocMap &other);
    LOCMAP50_API VnLocMap &operator=(const VnLocMap &other);

    // The tables below are for reading. Changes go through the operations
    // above (load and the reader, addEntry, changeEntry, deleteEntry,
    // fetchEnvVariables, uninitialize), which keep in step the private
    // indexes that lookups and edits answer from. After changing a table
    // directly (m_softToHardMap, m_softPrefixOrder, m_primaryHardPaths,
    // s_envHardToSoftMap), call reindex() before the next lookup or edit.

    // Builds the lookup indexes afresh from the tables as they now stand.
    LOCMAP50_API void reindex();

    // A flag kept for callers; the library never reads or writes it.
    LOCMAP50_API static bool showOnError;
    // Absolute path held by an environment variable -> that variable's name.
    LOCMAP50_API static std::map<std::string, std::string> s_envHardToSoftMap;

    std::map<std::string, std::string> m_resolvedNameCache;  // name -> absolute path, first wins
    std::map<std::string, std::string> m_primaryHardPaths;   // "$P" -> path getHardName uses
    // The tables hold values, not pointers: m_softToHardMap each prefix's
    // list and m_mapFiles the file objects themselves. The map owns what it
    // hands out by reference, a copy of it is deep, and a load or an edit
    // that throws midway (out of memory) leaves nothing to free or dangle.
    std::map<std::string, std::list<std::string>> m_softToHardMap;  // "$P" -> all hard paths
    std::list<std::string> m_softPrefixOrder;   // prefixes in order of first definition
    std::list<std::string> m_envOverridden;     // prefixes an environment variable overrode
    std::map<std::string, std::string> m_softToFileMap;  // "$P" -> defining map file
    std::string m_msgBadEnvPath;
    std::string m_msgNoReadAccess;
    std::string m_mapFileName;    // the chosen map file, in the system's separators
    std::string m_errorText;      // load diagnostics, or the success line
    bool m_globalMapInUse;        // false when the file came from initialize's path
    std::list<VnLocMapFile> m_mapFiles;  // main file first, then included files
    VnEnvSnapshot m_environment;  // the environment when this object was made

    // Why the last save, export or edit failed (of VnLocMap or VnLocMapFile,
    // or through the C interface) on the calling thread, as each thread
    // keeps its own: reason gets a LOCMAP50_REASON_* code and
    // file the file it concerns ("" when none: standard output, or an edit
    // refused for its input). Each of those calls forgets the previous
    // failure when it begins. Returns LOCMAP50_OK when a failure is recorded,
    // LOCMAP50_FAILED (reason LOCMAP50_REASON_NONE, file "") when none is.
    LOCMAP50_API static int lastFailure(int &reason, std::string &file);

private:
    friend class locmap50::locmap::Explainer;
    friend class locmap50::locmap::HandedOutText;
    friend class locmap50::locmap::MapLoader;
    friend class locmap50::locmap::OneFileEdit;
    friend class locmap50::locmap::ProblemReport;
    friend class locmap50::locmap::Translations;

    VnLocMap();
    ~VnLocMap();

    // Without ZOR_LOCATION_MAP: the project directory, HOME, then WDIR.
    void searchDefaultPlaces(const std::string &projectDirectory);
    // Searches the WDIR directories for a map file.
    void checkInWDIR();

    // The library changes the indexed tables (m_softPrefixOrder,
    // m_softToHardMap, m_primaryHardPaths) only through these, which keep the
    // private indexes in step, so that no lookup and no single edit walks
    // every entry however large the map grows.
    bool holdsSoftPrefix(const std::string &softPrefix);
    void appendSoftPrefix(const std::string &softPrefix);
    void dropLastSoftPrefix();
    void removeFirstSoftPrefix(const std::string &softPrefix);
    // A merged list of m_softToHardMap, or where one goes, as the reader keeps it.
    using MergedEntryPosition = std::map<std::string, std::list<std::string>>::iterator;
    void enterMergedHardPaths(const std::string &softPrefix, std::list<std::string> hardPaths);
    void enterPrimaryHardPath(const std::string &softPrefix, const std::string &hardPath);

    locmap50::locmap::LookupIndexes &indexes();

    // Makes softPrefix answer as a load of the files' records as they now
    // stand would: from its block in effect, at that block's place in the
    // order, with what the environment does to it; or drops it when no
    // block defines it.
    void settleFromRecords(const std::string &softPrefix);
    void placeInOrder(const std::string &softPrefix, const std::string *before);
    void addCoveredHardPaths(VnPrefixAccount &account,
                             const std::function<const VnPrefixAccount *(const std::string &)> &accountOf);

    // Everything the public members above do not show.
    locmap50::PrivateState<locmap50::locmap::MapState> m_private;

    // The one reset list. Uninitialize empties every table, the map files
    // and the diagnostics, but keeps m_mapFileName, m_envOverridden and
    // m_softToFileMap for whoever still holds the object; NewLoad empties
    // those too and takes a fresh environment snapshot.
    enum class MapReset { Uninitialize, NewLoad };
    void clearLoadedMap(MapReset reset);

    static VnLocMap *_instance;
};

#endif  // LOCMAP50_VNLOCMAP_H

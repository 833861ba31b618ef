// The process-wide location map (VnLocMap) and the environment snapshot it carries (VnEnvSnapshot).
#ifndef LOCMAP50_VNLOCMAP_H
#define LOCMAP50_VNLOCMAP_H

#include <list>
#include <map>
#include <string>
#include <unordered_map>

#include "locmap50/VnLocMapFile.h"
#include "locmap50/export.h"

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

    std::map<std::string, std::string> m_variables;
};

/*
 * The merged location map of the process: every soft prefix that the loaded
 * map files and the environment define, with its hard paths.
 *
 * There is at most one singleton, made by createMap and released only by
 * DestroyMap. Results are integer codes: 0 success; 1 not found, not
 * translated or bad input; 2 nothing to work on. Only running out of memory
 * escapes as an exception. Use from one thread at a time.
 */
class LOCMAP50_API VnLocMap {
public:
    // The singleton, created on first use; null when it cannot be allocated.
    static VnLocMap *createMap();
    // Whether the singleton exists; never creates it.
    static bool exists();
    // Runs uninitialize, then destroys this object.
    void DestroyMap();

    // Chooses the map file. isMapFile nonzero: path is the file itself.
    // Zero: ZOR_LOCATION_MAP, then path + "/zor_location_map", then
    // HOME + "/zor/zor_location_map", then each WDIR directory. Returns 0 when
    // a file was chosen (m_mapFileName, with backslashes), 1 when none was.
    int initialize(const std::string &path, int isMapFile);
    // Empties the tables and stops being the singleton. Returns 0.
    int uninitialize();

    // Rebuilds s_envHardToSoftMap from every variable holding an absolute path.
    static void fetchEnvVariables();
    // 1 when an environment variable overrode softPrefix ("$NAME") while the
    // map was read, else 0.
    int isEnvOverridden(std::string softPrefix);

    // Soft name to hard path. Returns 0 with hardName set, or 1 with hardName
    // untouched when the name cannot be translated.
    int getHardName(std::string name, std::string &hardName);
    // As getHardName, and names relative to the current directory are made
    // absolute (and remembered). Returns 1 only for untranslatable "$" names.
    int getAbsoluteHardName(std::string name, std::string &hardName);
    // The one absolute-path rule: "X:\" or "\\" at the start means absolute.
    static bool isPathRelative(const std::string &path);
    // Joins a hard path and the rest of a name, dropping one trailing "\".
    static void mergePaths(std::string &hardPath, const std::string &rest);

    // Hard path to soft name: map entries in definition order, then the
    // environment. Returns 0 with softName set (or the input passed through),
    // 1 when nothing matched or the path is relative.
    int getSoftName(std::string path, std::string &softName);
    // The same through s_envHardToSoftMap only. 1 for relative paths.
    static int getSoftNameFromEnv(std::string path, std::string &softName);

    // Editing of the merged map and its files. hardNames is a hard path list
    // string: each path followed by a backquote. addEntry returns 1 when the
    // prefix is already present (nothing changes) and 2 when no map file is
    // loaded (the merged tables take the entry all the same); the others 0.
    // addEntry and changeEntry refuse with 1, changing nothing, a prefix or a
    // hard path that would not read back from a saved file as what it is: one
    // holding "#", CR or LF, a prefix that is no valid soft prefix, or a path
    // that would read as an include line, a soft prefix line or a parse error.
    int addEntry(std::string softPrefix, std::string hardNames);
    int changeEntry(std::string softPrefix, std::string hardNames);
    int deleteEntry(std::string softPrefix);
    // Writes every loaded map file back to the place it was read from, main
    // file first; stops with 1 at the first file that cannot be written.
    // Returns 1 at once, writing nothing, when a file's load failed (see
    // VnLocMapFile::save for that and for the rules of concurrent saves).
    int save(bool toStdout);
    // Writes the merged map as one new version-2 map file. 1 when the file
    // cannot be written (an existing file is then left as it was), or when an
    // entry would not read back from it as it is (a value taken from the
    // environment may hold a "#"). A device or pipe target is written in
    // place, a directory refused.
    int exportLocMap(std::string fileName, bool toStdout);

    // A copy holds its own copies of every table and map file object; it never
    // becomes the singleton.
    VnLocMap(const VnLocMap &other);
    VnLocMap &operator=(const VnLocMap &other);

    // A flag kept for callers; the library never reads or writes it.
    static bool showOnError;
    // Absolute path held by an environment variable -> that variable's name.
    static std::map<std::string, std::string> s_envHardToSoftMap;

    std::map<std::string, std::string> m_resolvedNameCache;  // name -> absolute path, first wins
    std::map<std::string, std::string> m_primaryHardPaths;   // "$P" -> path getHardName uses
    std::map<std::string, std::list<std::string>> m_softToHardMap;  // "$P" -> all hard paths
    std::list<std::string> m_softPrefixOrder;   // prefixes in order of first definition
    std::list<std::string> m_envOverridden;     // prefixes an environment variable overrode
    std::map<std::string, std::string> m_softToFileMap;  // "$P" -> defining map file
    std::string m_msgBadEnvPath;
    std::string m_msgNoReadAccess;
    std::string m_mapFileName;    // the chosen map file, with backslashes
    std::string m_errorText;      // load diagnostics, or the success line
    bool m_globalMapInUse;        // false when the file came from initialize's path
    std::list<VnLocMapFile> m_mapFiles;  // main file first, then included files
    VnEnvSnapshot m_environment;  // the environment when this object was made

private:
    friend class VnLocMapFile;

    VnLocMap();
    ~VnLocMap();

    // Searches the WDIR directories for a map file.
    void checkInWDIR();

    // m_softPrefixOrder changes only through these, which keep
    // m_softPrefixCount beside it so that "is this prefix defined" stays a
    // constant-time question however large the map grows.
    bool holdsSoftPrefix(const std::string &softPrefix) const;
    void appendSoftPrefix(const std::string &softPrefix);
    void dropLastSoftPrefix();
    void removeFirstSoftPrefix(const std::string &softPrefix);

    std::unordered_map<std::string, std::size_t> m_softPrefixCount;

    static VnLocMap *_instance;
};

#endif  // LOCMAP50_VNLOCMAP_H

/* The flat C interface of locmap50: set-up, translation, editing and saving of the location map. */
#ifndef LOCMAP50_H
#define LOCMAP50_H

#include <stddef.h>

#include "locmap50/export.h"
#include "locmap50/result_codes.h"
#include "locmap50/version.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Every function works on the one process-wide location map and must be called
 * from one thread at a time. No function throws, crashes on a null pointer or
 * prints anything unless asked to write to standard output.
 *
 * Strings returned as const char * belong to the map: do not free or change
 * them; they stay valid until the next call that changes or replaces the map.
 *
 * The translation functions without "Ex" write into a caller buffer that
 * carries no size: it must hold the longest path the caller expects, plus its
 * NUL. New code should use the "Ex" forms, which take the buffer size.
 */

/*
 * Finds and reads the location map. isMapFile nonzero: path names the map file
 * and any existing map is replaced. Zero: path is the project directory;
 * CURRENT_PROJECT_PATH is set to it and the file is looked for through
 * ZOR_LOCATION_MAP, the directory, HOME/zor and WDIR. A map that came from
 * ZOR_LOCATION_MAP, HOME or WDIR (or one made through the class interface and
 * never initialised) is kept by a later directory call; any other is replaced.
 * The message text then holds the load diagnostics, or the success line.
 * Returns:
 *   0  the map is ready (loaded, or kept);
 *   1  path is null: nothing is done and an existing map is left as it was;
 *   2  no readable map file was found, or memory ran out: no map exists then,
 *      and GetErrorString returns null.
 */
LOCMAP50_API int InitLocationMap(const char *path, int isMapFile);

/* 1 when the map exists, else 0. */
LOCMAP50_API int IsLocMapPresent(void);

/* The map file in use, with backslashes (empty for a map never initialised);
 * null when no map exists. */
LOCMAP50_API const char *CurrentMapName(void);

/* The load diagnostics, or the success line; null when no map exists. */
LOCMAP50_API const char *GetErrorString(void);

/* Removes ZOR_LOCATION_MAP from the process environment; the map is not
 * touched. Returns 0, or -1 when the environment could not be changed. */
LOCMAP50_API int UnsetLocMapEnvVariable(void);

/* The map file that defined softName ("$NAME", exact case). Null when there is
 * no map, no such entry, or softName is null or empty. */
LOCMAP50_API const char *CurrentEntryFileName(const char *softName);

/*
 * Soft name ("$NAME\rest", or a URL or absolute path, passed through) to hard
 * path, into hardName; the buffer is emptied first. Returns:
 *   0  translated through the map;
 *   1  softName null or empty, hardName null, the map cannot translate it, or
 *      (no map) a "$" name whose variable has no value;
 *   2  no map: translated from the environment as it was at load or at the
 *      last InitLocationMap, or left empty when no rule applies (a relative
 *      name that is not soft).
 */
LOCMAP50_API int GetHardName(const char *softName, char *hardName);

/*
 * As GetHardName, and names relative to the current directory (".", ".\x",
 * "x", "\x") are made absolute; with a map the result is remembered. Returns
 * as GetHardName; with no map, also 1 when the current directory cannot be
 * read.
 */
LOCMAP50_API int GetAbsoluteHardName(const char *softName, char *hardName);

/*
 * Hard path to soft name, into softName; the buffer is emptied first. Returns:
 *   0  with a map: translated, or passed through (URL, "$" name, "\\");
 *   1  hardName null, softName null, or (with a map) hardName empty or
 *      relative; nothing matched (with a map the converted path is then left
 *      in softName); no map and nothing in the environment matched;
 *   2  no map: translated from the environment variables holding absolute
 *      paths, or passed through.
 */
LOCMAP50_API int GetSoftName(const char *hardName, char *softName);

/*
 * The same three with the size of the caller's buffer, in bytes. Results as
 * above, and 3 when the result and its NUL do not fit: an empty string is
 * then written (when size > 0; size 0 writes nothing).
 */
LOCMAP50_API int GetHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetAbsoluteHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetSoftNameEx(const char *hardName, char *softName, size_t size);

/*
 * Every hard path of softName ("$NAME", exact case), each followed by a
 * backquote, in a new string the caller releases with FreeHardPathList. Null
 * when there is no map, no such prefix, softName is null or empty, or memory
 * runs out.
 */
LOCMAP50_API char *ReturnAllHardPath(const char *softName);

/* Releases a string from ReturnAllHardPath; null is ignored. */
LOCMAP50_API void FreeHardPathList(char *list);

/*
 * Edits an entry. operation 0 replaces the hard paths of softName by
 * hardNames (each path followed by a backquote), 1 adds the entry, 2 deletes
 * it (hardNames may then be null). Soft-to-hard translation keeps the loaded
 * values until the next load; SaveLocationMap writes the edits. Returns:
 *   0  done;
 *   1  softName null or empty, operation not 0, 1 or 2, hardNames null for
 *      0 or 1, a line break (CR or LF) in softName or hardNames for 0 or 1,
 *      or (add) a prefix that is already present: nothing is changed;
 *      also when memory ran out part-way;
 *   2  no map, or (add) no map file loaded (the merged map takes the entry).
 */
#define LOCMAP50_REPLACE_ENTRY 0
#define LOCMAP50_ADD_ENTRY 1
#define LOCMAP50_DELETE_ENTRY 2
LOCMAP50_API int ChangeEntry(const char *softName, const char *hardNames, int operation);

/*
 * Writes the merged map as one new map file at target (a soft or hard path,
 * translated as GetHardName does with a map), or to standard output when
 * toStdout is nonzero (target must still translate). Returns:
 *   0  written;
 *   1  target null, empty or untranslatable, or the file cannot be written;
 *   2  no map.
 */
LOCMAP50_API int Export(const char *target, int toStdout);

/*
 * Writes every loaded map file back to its own path (or to standard output),
 * main file first. Returns:
 *   0  all written (or no file loaded);
 *   1  a file could not be written: it is left as it was, later files are
 *      not tried;
 *   2  no map.
 */
LOCMAP50_API int SaveLocationMap(int toStdout);

/* 1 when an environment variable overrode the soft prefix name ("$NAME",
 * exact case) while the map was read; 0 otherwise, also with no map or a null
 * or empty name. */
LOCMAP50_API int IsEnvOverridden(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* LOCMAP50_H */

/* The flat C interface of locmap50: set-up, translation, editing and saving of the location map. */
#ifndef LOCMAP50_H
#define LOCMAP50_H

#include <stddef.h>

#include "locmap50/export.h"

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
 * Finds and reads the location map. isMapFile nonzero: path names the map file.
 * Zero: path is the project directory; CURRENT_PROJECT_PATH is set to it, and
 * the file is looked for through ZOR_LOCATION_MAP, the directory, HOME/zor and
 * WDIR. A map that came from ZOR_LOCATION_MAP, HOME or WDIR is kept by a later
 * directory call. Returns 0 when the map is ready (loaded or kept), 2 when no
 * readable map file was found (no map exists then), 1 when path is null (an
 * existing map is left as it was).
 */
LOCMAP50_API int InitLocationMap(const char *path, int isMapFile);

/* 1 when the map exists, else 0. */
LOCMAP50_API int IsLocMapPresent(void);

/* The map file in use, with backslashes; null when no map exists. */
LOCMAP50_API const char *CurrentMapName(void);

/* The load diagnostics, or the success line; null when no map exists. */
LOCMAP50_API const char *GetErrorString(void);

/* Removes ZOR_LOCATION_MAP from the process environment. 0, or -1 on failure. */
LOCMAP50_API int UnsetLocMapEnvVariable(void);

/* The map file that defined softName ("$NAME", case-sensitive); null when
 * there is no map, no such entry, or softName is null or empty. */
LOCMAP50_API const char *CurrentEntryFileName(const char *softName);

/*
 * Soft name to hard path, into hardName. With a map: 0 translated, 1 not.
 * With no map the environment is used and the result is 2 (the buffer may stay
 * empty when no rule applies), or 1 when a soft name cannot be expanded.
 * 1 for a null or empty softName or a null hardName.
 */
LOCMAP50_API int GetHardName(const char *softName, char *hardName);

/* As GetHardName; relative names are made absolute against the current directory. */
LOCMAP50_API int GetAbsoluteHardName(const char *softName, char *hardName);

/*
 * Hard path to soft name, into softName. With a map: 0 translated (or passed
 * through), 1 nothing matched. With no map: 2 translated from the
 * environment, 1 not found. 1 for a null hardName or a null softName.
 */
LOCMAP50_API int GetSoftName(const char *hardName, char *softName);

/*
 * The same three with the size of the caller's buffer: when the result and its
 * NUL do not fit, they return 3 and leave an empty string (size > 0).
 */
LOCMAP50_API int GetHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetAbsoluteHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetSoftNameEx(const char *hardName, char *softName, size_t size);

/*
 * Every hard path of softName, each followed by a backquote, in a new string
 * the caller releases with FreeHardPathList. Null when there is no map, no
 * such prefix, softName is null or empty, or memory runs out.
 */
LOCMAP50_API char *ReturnAllHardPath(const char *softName);

/* Releases a string from ReturnAllHardPath; null is ignored. */
LOCMAP50_API void FreeHardPathList(char *list);

/*
 * Edits an entry. operation 0 replaces the hard paths of softName by
 * hardNames (each path followed by a backquote), 1 adds the entry, 2 deletes
 * it (hardNames may then be null). Returns 0 done; 2 no map, or (add) no map
 * file loaded; 1 for a null or empty softName, an operation other than 0, 1, 2,
 * a null hardNames for 0 or 1, or (add) a prefix that is already present.
 */
LOCMAP50_API int ChangeEntry(const char *softName, const char *hardNames, int operation);

/*
 * Writes the merged map as one new map file at target (a soft or hard path),
 * or to standard output when toStdout is nonzero (target must still translate).
 * 0 written; 1 target null, empty, untranslatable or not writable; 2 no map.
 */
LOCMAP50_API int Export(const char *target, int toStdout);

/* Writes every loaded map file back (or to standard output). 0 all written;
 * 1 a file could not be written (later files are not tried); 2 no map. */
LOCMAP50_API int SaveLocationMap(int toStdout);

/* 1 when an environment variable overrode the soft prefix name while the map
 * was read; 0 otherwise, also with no map or a null or empty name. */
LOCMAP50_API int IsEnvOverridden(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* LOCMAP50_H */

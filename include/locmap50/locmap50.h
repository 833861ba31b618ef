/* SPDX-License-Identifier: Apache-2.0 */
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
 * Every function works on the one process-wide location map, and any number
 * of threads may call them at once (see "Threads" below). No function throws,
 * crashes on a null pointer or
 * prints anything unless asked to write to standard output. Of the process's
 * own state the library changes two environment entries and nothing else:
 * InitLocationMap with a project directory sets CURRENT_PROJECT_PATH, and
 * UnsetLocMapEnvVariable removes ZOR_LOCATION_MAP. It never calls umask() or
 * changes the locale, the current directory, signal handlers or any other
 * setting of the process; a file a save or an export creates gets what
 * creat() would give it there (the umask and the folder's default ACL
 * decide). Results are the
 * codes of result_codes.h: LOCMAP50_OK (0), LOCMAP50_FAILED (1),
 * LOCMAP50_NO_MAP or LOCMAP50_FROM_ENVIRONMENT (2), LOCMAP50_BUFFER_TOO_SMALL
 * (3); each function below says which it returns and when.
 *
 * Threads. Lookups run side by side: GetHardName, GetAbsoluteHardName,
 * GetSoftName and their Ex forms, ReturnAllHardPath, ReturnAllSoftPrefixes,
 * IsEnvOverridden, CurrentEntryFileName, CurrentMapName, GetErrorString,
 * IsLocMapPresent, GetLoadStatus and the GetLoadProblem calls share the map;
 * none of them looks at a file, and none changes what another one reads.
 * Every other call (ChangeEntry, ChangeEntryInFile, SaveLocationMap,
 * SaveLocationMapKeepingLayout, Export, InitLocationMap,
 * UnsetLocMapEnvVariable) has the map to itself while it reads or changes
 * it, and lookups wait meanwhile. What those calls do with files then:
 *   - InitLocationMap looks for the map file and reads it and every file it
 *     includes with the map to itself: lookups wait for the whole load, as
 *     long as those reads take (on a network disk, as long as it answers);
 *   - ChangeEntry and UnsetLocMapEnvVariable touch no file;
 *   - ChangeEntryInFile touches no file with the map to itself; a name other
 *     than the loaded file's own is looked up on disk first (one stat, on
 *     Windows one open), with the map let go;
 *   - SaveLocationMap, SaveLocationMapKeepingLayout and Export take what they
 *     write from the map, then do their file work with the map let go:
 *     waiting for the file's save lock while another save of it runs (up to
 *     about ten seconds, then they fail with LOCMAP50_REASON_LOCK_TIMED_OUT),
 *     writing, flushing to disk, renaming. The layout-keeping save has the
 *     map again, briefly, to make each file's new text from the bytes it
 *     read under the save lock.
 * Saves, exports and loads of one process run one after another: an
 * InitLocationMap on one thread waits (without the map) for a save or an
 * export on another to end, its wait for a save lock included. A save
 * writes the map as it was when the save took it; an edit made meanwhile is
 * written by the next save. GetLastFailure and GetLastFailureDetail are kept
 * per thread: each tells the calling thread's own last save, export or edit.
 * The classes of VnLocMap.h and VnLocMapFile.h are not for many threads: a
 * program that uses them does so from one thread, never while another
 * thread is in a function of this interface.
 *
 * Returned pointers. CurrentMapName, GetErrorString and CurrentEntryFileName
 * return text that belongs to the map: do not free or change it. It stays
 * valid until the map is destroyed or loaded again: an InitLocationMap call
 * that replaces the map (one that keeps it changes nothing), or, through the
 * classes, VnLocMap::DestroyMap, uninitialize or load. Edits and saves, of
 * any thread, do not invalidate it. A program must not load the map again
 * (InitLocationMap with a map file, or with a directory that may replace the
 * map) while another thread still uses such text: it copies the text first,
 * or keeps loads apart from its use with a lock of its own. The texts of
 * GetLoadProblem end with the next load or edit (see there), those of
 * GetLastFailure and GetLastFailureDetail with the calling thread's next
 * save, export or edit, whatever other threads load. ReturnAllHardPath and
 * ReturnAllSoftPrefixes return copies the caller owns.
 *
 * When edits show. A one-file edit (ChangeEntryInFile) is a reload in
 * miniature: afterwards GetHardName, GetAbsoluteHardName (for names it has not
 * remembered), GetSoftName, ReturnAllHardPath, ReturnAllSoftPrefixes (order
 * included), CurrentEntryFileName, IsEnvOverridden and Export answer for the
 * prefix what a fresh load of the files as they now stand would answer, with
 * the environment as it is now; GetErrorString and the load problems keep
 * what the load gave. ChangeEntry (every file) keeps its own rules instead:
 *   - GetHardName and GetAbsoluteHardName answer from the hard paths the map
 *     was loaded with until the next load;
 *   - CurrentEntryFileName and IsEnvOverridden answer as loaded;
 *   - the paths are stored as given ("C:/x" stays "C:/x" in ReturnAllHardPath
 *     and Export), and no environment variable overrides them again;
 *   - GetSoftName, ReturnAllHardPath, SaveLocationMap and Export see the edit
 *     at once.
 * A one-file edit of a prefix that ChangeEntry changed before works on the
 * files' records as ChangeEntry left them (an entry ChangeEntry added is in
 * the main file's record), and from then on every query above answers for
 * that prefix as a fresh load of those records would: ChangeEntry's
 * exceptions end for it. GetAbsoluteHardName remembers its first answer for each name
 * it made absolute, and both GetHardName and GetAbsoluteHardName give that
 * answer for the name from then on, even after the current directory changed,
 * until the map is loaded again.
 *
 * Without a map (InitLocationMap never succeeded) the three translation
 * functions still answer, from the environment, and return
 * LOCMAP50_FROM_ENVIRONMENT:
 *   - GetHardName: "$NAME\rest" becomes the value of the shortest leading
 *     part of NAME that is a variable with a non-empty value, followed by the
 *     rest of NAME and then by rest, with one "\" between them (with A=C:\x,
 *     "$AB\c" gives "C:\xB\c"); the variables are those of the last
 *     InitLocationMap call, or of the moment the library was loaded. URLs and
 *     names that start with a drive letter and ":", or with "\\", come back
 *     with "/" turned into "\"; any other name gives an empty result.
 *   - GetAbsoluteHardName: the same, except that rest is appended as it is
 *     (a trailing "\" of the value then stays) and relative names are made
 *     absolute against the current directory and drive.
 *   - GetSoftName: a URL comes back as given; "\\" and "$..." names pass
 *     through; a path under the value of an environment variable that holds
 *     an absolute path becomes "$VARIABLE\rest" ("." for
 *     CURRENT_PROJECT_PATH); otherwise LOCMAP50_FAILED.
 *
 * Text. Strings are 8-bit text: on Windows in the process's code page (the
 * one the A file functions use); names are compared byte for byte, and where
 * case is ignored (hard paths, environment names on Windows) only the ASCII
 * letters fold. Hard paths are absolute Windows paths: a drive letter, ":"
 * and "\", or "\\" and a server name; "/" in input is read as "\".
 *
 * On Linux and other POSIX systems a POSIX absolute path ("/" first, the
 * second character not "/") is a hard path too. It is kept as written,
 * matched byte for byte (letter case counts) at "/" boundaries, and joined
 * with "/": "$TOOLS\src" and "$TOOLS/src" both give "/opt/tools/src".
 * Windows paths keep their backslashes there. The names the library gives
 * (the map file, the file that defined an entry, absolute forms of relative
 * names, the current directory) use "/"; names given with "\" are accepted.
 * Environment variable names match exactly, as the system does.
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
 * Every call also re-reads the environment for the no-map fallbacks and for
 * GetSoftName's environment table. The message text then holds the load
 * diagnostics, or the success line.
 * Returns:
 *   LOCMAP50_OK      the map is ready (loaded, or kept), also when the
 *                    diagnostics report errors;
 *   LOCMAP50_FAILED  path is null: nothing is done and an existing map is
 *                    left as it was;
 *   LOCMAP50_NO_MAP  no readable map file was found, or memory ran out: no
 *                    map exists then, and GetErrorString returns null.
 */
LOCMAP50_API int InitLocationMap(const char *path, int isMapFile);

/* How the last load went, as GetLoadStatus reports it. */
/* No error and no warning. */
#define LOCMAP50_LOAD_CLEAN 0
/* Warnings only (such as an environment override); the map is complete. */
#define LOCMAP50_LOAD_WARNINGS 1
/* At least one error: lines, entries or files were left out. */
#define LOCMAP50_LOAD_ERRORS 2

/*
 * How the last load of the map went, so that callers need not read the
 * message text: *outcome gets LOCMAP50_LOAD_CLEAN, LOCMAP50_LOAD_WARNINGS or
 * LOCMAP50_LOAD_ERRORS, *errorCount and *warningCount the number of error and
 * warning messages in GetErrorString's text. Any of the pointers may be null.
 * Returns:
 *   LOCMAP50_OK      the three values are set;
 *   LOCMAP50_NO_MAP  no map exists (also after a failed InitLocationMap):
 *                    *outcome is LOCMAP50_LOAD_CLEAN and both counts 0.
 */
LOCMAP50_API int GetLoadStatus(int *outcome, int *errorCount, int *warningCount);

/*
 * The problems of the last load, one record each, in the order found: every
 * error and warning that GetErrorString's text tells, and notes on where the
 * map file was looked for and why each place was passed over. The notes are
 * kept even when InitLocationMap found no map, until the next InitLocationMap
 * call, so that a caller can learn why there is none.
 */
/* How many records there are (0 when none, or when no load was tried). */
LOCMAP50_API int GetLoadProblemCount(void);
/*
 * Record index (from 0): *severity gets a LOCMAP50_SEVERITY_* code, *kind a
 * LOCMAP50_PROBLEM_* code (result_codes.h), *file the map file concerned, *line
 * its line (0 when the problem has none), *detail the text at fault. The texts
 * belong to the library and stay valid until the next load or edit, by any
 * thread. A program that edits on one thread while another reads the
 * problems takes the sentence and the reason instead (GetLoadProblemText and
 * GetLoadProblemReason copy them while they hold the map), or copies these
 * texts under a lock of its own that its edits take too. Returns
 * LOCMAP50_OK, or LOCMAP50_FAILED (nothing written) for an index out of range
 * or a null pointer.
 */
LOCMAP50_API int GetLoadProblem(int index, int *severity, int *kind, const char **file, int *line,
                                const char **detail);

/*
 * Record index as a sentence for a person, such as "soft prefix $TOOLS has no
 * hard path and is dropped" (the file and line are not part of it; control
 * bytes of the detail are written "\xNN"), into buffer of size bytes.
 * Returns:
 *   LOCMAP50_OK      written;
 *   LOCMAP50_FAILED  buffer null, or index out of range (an empty string is
 *                    then written when size > 0);
 *   LOCMAP50_BUFFER_TOO_SMALL  the sentence and its NUL do not fit: an empty
 *                    string is written (when size > 0; size 0 writes nothing).
 */
LOCMAP50_API int GetLoadProblemText(int index, char *buffer, size_t size);
/*
 * As GetLoadProblemText, telling the room the sentence needs in *needed (its
 * length with the NUL for LOCMAP50_OK and LOCMAP50_BUFFER_TOO_SMALL, else
 * 0); buffer may be NULL with size 0, which answers
 * LOCMAP50_BUFFER_TOO_SMALL with *needed set (see GetHardNameExN).
 */
LOCMAP50_API int GetLoadProblemTextN(int index, char *buffer, size_t size, size_t *needed);

/*
 * The system's reason behind record index, a LOCMAP50_REASON_* code, into
 * *reason: for an include or map file that could not be read, and for a
 * place the search passed over, why (LOCMAP50_REASON_NOT_FOUND,
 * LOCMAP50_REASON_IS_DIRECTORY, LOCMAP50_REASON_PERMISSION_DENIED, ...);
 * LOCMAP50_REASON_NONE for a record that has none. Returns LOCMAP50_OK, or
 * LOCMAP50_FAILED for a null pointer or an index out of range (*reason, when
 * given, is then LOCMAP50_REASON_NONE).
 */
LOCMAP50_API int GetLoadProblemReason(int index, int *reason);

/*
 * The environment variable record index is about, and its value as it was
 * set, whole (*detail may cut or escape it): for an environment override, a
 * value holding a line break or no absolute path, the variable named after
 * the soft prefix ("TOOLS" for $TOOLS); ZOR_LOCATION_MAP for the file it
 * names; WDIR when it names no directory; an unset variable's name, with an
 * empty value. Both texts are empty for a record about no variable. They
 * belong to the library and stay valid as GetLoadProblem's texts do.
 * Returns LOCMAP50_OK, or LOCMAP50_FAILED (nothing written) for an index out
 * of range or a null pointer.
 */
LOCMAP50_API int GetLoadProblemVariable(int index, const char **variable, const char **value);

/*
 * The stable short name of a LOCMAP50_PROBLEM_* kind ("bad-header",
 * "nul-byte", "search-home", ...): lower-case words joined by hyphens that no
 * release changes, for scripts to match. Static text; null for a code this
 * release does not know.
 */
LOCMAP50_API const char *GetProblemKindName(int kind);

/*
 * A LOCMAP50_REASON_* code as a short lower-case phrase ("permission
 * denied", "no such file or directory"; "" for LOCMAP50_REASON_NONE). Static
 * text; null for a code this release does not know.
 */
LOCMAP50_API const char *GetFailureReasonText(int reason);

/* 1 when the map exists, else 0. */
LOCMAP50_API int IsLocMapPresent(void);

/* The map file in use, as it was named, in the system's own separators ("\"
 * on Windows, "/" elsewhere; either is accepted on input) (empty for a map
 * never initialised); null when no map exists. */
LOCMAP50_API const char *CurrentMapName(void);

/* The load diagnostics, or the success line; null when no map exists. The
 * text is for people: its wording may change between versions. */
LOCMAP50_API const char *GetErrorString(void);

/* Removes ZOR_LOCATION_MAP from the process environment; the map is not
 * touched. Returns 0, or -1 when the environment could not be changed. */
LOCMAP50_API int UnsetLocMapEnvVariable(void);

/* The map file that defined softName ("$NAME", exact case). Null when there is
 * no map, no such entry, or softName is null or empty. */
LOCMAP50_API const char *CurrentEntryFileName(const char *softName);

/*
 * Soft name ("$NAME\rest", or a URL or absolute path, passed through) to hard
 * path, into hardName; the buffer is emptied first. "$NAME\rest" takes the
 * first hard path of $NAME (with one trailing "\" dropped) and appends rest;
 * a prefix the map lacks is looked up as the environment variable NAME as it
 * is now; "$NAME" alone gives the hard path exactly as stored. Returns:
 *   LOCMAP50_OK      translated through the map;
 *   LOCMAP50_FAILED  softName null or empty, hardName null, the map cannot
 *                    translate it (a relative name that is not soft, or an
 *                    unknown prefix), or (no map) a "$" name whose variable
 *                    has no value;
 *   LOCMAP50_FROM_ENVIRONMENT  no map: translated from the environment (see
 *                    above), or left empty when no rule applies.
 */
LOCMAP50_API int GetHardName(const char *softName, char *hardName);

/*
 * As GetHardName, and names relative to the current directory (".", ".\x",
 * "x", "\x", "C:x") are made absolute; with a map the first answer for each
 * name is remembered (see above). Returns as GetHardName; LOCMAP50_FAILED
 * also when the current directory cannot be read.
 */
LOCMAP50_API int GetAbsoluteHardName(const char *softName, char *hardName);

/*
 * Hard path to soft name, into softName; the buffer is emptied first. The
 * path is matched, ignoring ASCII case and at "\" boundaries, against every
 * hard path of every entry in the order the entries were defined: the first
 * entry holding it wins, not the longest match; then against the environment
 * variables that held absolute paths at the last InitLocationMap. The result
 * is "$NAME" and the rest of the path in its own case ("." stands for
 * $CURRENT_PROJECT_PATH). Returns:
 *   LOCMAP50_OK      with a map: translated, or passed through (URL, "$"
 *                    name, "\\");
 *   LOCMAP50_FAILED  hardName null, softName null, or (with a map) hardName
 *                    empty or relative; nothing matched (with a map the path,
 *                    "/" turned into "\", is then left in softName); no map
 *                    and nothing in the environment matched;
 *   LOCMAP50_FROM_ENVIRONMENT  no map: translated from the environment
 *                    variables holding absolute paths, or passed through.
 */
LOCMAP50_API int GetSoftName(const char *hardName, char *softName);

/*
 * The same three with the size of the caller's buffer, in bytes. Results as
 * above, and LOCMAP50_BUFFER_TOO_SMALL when the result and its NUL do not
 * fit: an empty string is then written (when size > 0; size 0 writes
 * nothing). Call again with a larger buffer: the answer does not change.
 */
LOCMAP50_API int GetHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetAbsoluteHardNameEx(const char *softName, char *hardName, size_t size);
LOCMAP50_API int GetSoftNameEx(const char *hardName, char *softName, size_t size);

/*
 * The same three, telling the room the answer needs: *needed gets its length
 * with the NUL when the result carries a text (LOCMAP50_OK,
 * LOCMAP50_FROM_ENVIRONMENT, LOCMAP50_BUFFER_TOO_SMALL), else 0. buffer may
 * be NULL with size 0 to ask for the room alone: the call then answers
 * LOCMAP50_BUFFER_TOO_SMALL with *needed set, as any call whose answer does
 * not fit. Results otherwise as the Ex forms; LOCMAP50_FAILED for a NULL
 * needed. So a caller sizes its buffer in two calls:
 *     size_t needed = 0;
 *     if (GetHardNameExN("$TOOLS\\bin", NULL, 0, &needed) == LOCMAP50_BUFFER_TOO_SMALL) {
 *         char *hard = malloc(needed);
 *         GetHardNameExN("$TOOLS\\bin", hard, needed, &needed);
 *     }
 * (a load or an edit on another thread between the two calls may change the
 * answer: call again while the result is LOCMAP50_BUFFER_TOO_SMALL).
 */
LOCMAP50_API int GetHardNameExN(const char *softName, char *hardName, size_t size, size_t *needed);
LOCMAP50_API int GetAbsoluteHardNameExN(const char *softName, char *hardName, size_t size, size_t *needed);
LOCMAP50_API int GetSoftNameExN(const char *hardName, char *softName, size_t size, size_t *needed);

/*
 * Every hard path of softName ("$NAME", exact case), each followed by a
 * backquote, in a new string the caller owns and releases with
 * FreeHardPathList (never with free). Reflects edits at once. Null when there
 * is no map, no such prefix, softName is null or empty, or memory runs out.
 */
LOCMAP50_API char *ReturnAllHardPath(const char *softName);

/*
 * Every soft prefix of the map ("$NAME"), in the order of first definition
 * (the order GetSoftName tries them), each followed by a backquote, in a new
 * string the caller owns and releases with FreeHardPathList (never with
 * free). Reflects edits at once. An empty map gives an empty string. Null
 * when there is no map or memory runs out.
 */
LOCMAP50_API char *ReturnAllSoftPrefixes(void);

/* Releases a string from ReturnAllHardPath or ReturnAllSoftPrefixes; null is
 * ignored. */
LOCMAP50_API void FreeHardPathList(char *list);

/*
 * Which edit to use. ChangeEntryInFile (below) edits one map file, as a
 * person editing that file would, and the map then answers as a fresh load
 * would: use it for a map that is saved and read again, with
 * SaveLocationMapKeepingLayout, which keeps comments and layout.
 * ChangeEntry edits the merged map and every file that defines the prefix
 * at once, keeps the loaded answers of GetHardName until the next load, and
 * adds new entries to the main file: use it for a change meant for this
 * process, or for every file alike.
 *
 * A hard path list string ends each path with a backquote:
 *     "C:\\tools`D:\\tools`"   two paths
 *     "C:\\tools`"              one path
 * Text after the last backquote is dropped without a word: "C:\\tools" alone
 * is no path at all, and "C:\\a`D:\\b" gives only C:\a.
 *
 * Edits an entry. LOCMAP50_REPLACE_ENTRY replaces the hard paths of softName
 * by hardNames (each path followed by a backquote) in the merged map and in
 * every map file that defines it; LOCMAP50_ADD_ENTRY adds the entry to the
 * merged map and to the main map file; LOCMAP50_DELETE_ENTRY deletes it
 * everywhere (hardNames may then be null). Paths are stored as given.
 * GetHardName keeps the loaded values until the next load; GetSoftName,
 * ReturnAllHardPath, SaveLocationMap and Export see the edit at once.
 * Returns:
 *   LOCMAP50_OK      done;
 *   LOCMAP50_FAILED  softName null or empty, an unknown operation, hardNames
 *                    null for replace or add, more than 20 hard paths, or
 *                    (add) a prefix that is
 *                    already present: nothing is changed; also when memory
 *                    ran out part-way. For replace and add also when softName
 *                    or a hard path would not read back from a saved file as
 *                    what it is: a "#", CR or LF in it, softName no valid
 *                    soft prefix, or a path that would read as an INCLUDE
 *                    line, a soft prefix line or a parse error (an empty path
 *                    is allowed);
 *   LOCMAP50_NO_MAP  no map, or (add) no map file loaded (the merged map
 *                    takes the entry).
 */
#define LOCMAP50_REPLACE_ENTRY 0
#define LOCMAP50_ADD_ENTRY 1
#define LOCMAP50_DELETE_ENTRY 2
LOCMAP50_API int ChangeEntry(const char *softName, const char *hardNames, int operation);

/*
 * Writes the merged map (every entry in definition order, with the hard paths
 * the map holds now, environment values included) as one new version-2 map
 * file at target, or to standard output when toStdout is nonzero. target is
 * translated as GetHardName does with a map, so it must be a soft name that
 * translates, or an absolute hard path ("C:\maps\all.map",
 * "\\server\maps\all.map"); a relative file name is accepted only once
 * GetAbsoluteHardName has made it absolute (and so remembered it). target
 * must translate even with toStdout. An existing regular file is replaced
 * only once the new text is completely written; a character device or a
 * pipe (on Windows a reserved device name such as NUL or COM1) is written in
 * place, and a pipe with no reader fails at once. A target that is one of
 * the loaded map files is replaced, under its save lock, only while it still
 * holds what was read, as a save replaces it. The text is read back before
 * anything is written: it must give every entry with the hard paths the map
 * holds. Returns:
 *   LOCMAP50_OK      written;
 *   LOCMAP50_FAILED  target null, empty or untranslatable, a directory, the
 *                    file cannot be written (an existing one is left as it
 *                    was), a loaded map file changed since it was read
 *                    (LOCMAP50_REASON_CHANGED_SINCE_READ), or an entry would
 *                    not read back from it as it is, such as an environment
 *                    value holding a "#" (LOCMAP50_REASON_WOULD_NOT_READ_BACK,
 *                    GetLastFailureDetail names the soft prefix): nothing is
 *                    written;
 *   LOCMAP50_NO_MAP  no map.
 */
LOCMAP50_API int Export(const char *target, int toStdout);

/*
 * Writes every loaded map file back to the path it was read from, whatever
 * the current directory is now (or, with toStdout, all of them one after
 * another to standard output), main file first, each in the library's layout
 * with the entries the file itself defines (never the values of environment
 * overrides). Each file is replaced only once its new text is completely
 * written, and keeps its owner and permissions: a save that would take a
 * file from its owner (the process is neither its owner nor root) writes
 * nothing (LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS, detail "owner"). Files
 * whose load failed are never written. Concurrent saves of one file are
 * serialised by a lock file beside it ("<file>.save-lock", released by the
 * OS if its holder dies; one made by this version has the file's permission
 * bits, and its group where the saver may give it, so that everyone who may
 * write the file may take it), and a file that another process changed
 * after this one read it is left as the other process wrote it. Each file's
 * text is read back before it is written: it must give the prefix lines of
 * the file's record in order, each with its hard paths as the reader takes
 * them ("C:/x" as "C:\x"; a blank path as no line), and its include lines,
 * nothing more or less. Returns:
 *   LOCMAP50_OK      all written (or no file loaded);
 *   LOCMAP50_FAILED  a file's load failed (nothing is written), a file
 *                    changed since it was read, a file's text would not read
 *                    back as its record (LOCMAP50_REASON_WOULD_NOT_READ_BACK;
 *                    GetLastFailureDetail names the soft prefix), or a file
 *                    could not be written: it is left as it was, later files
 *                    are not tried;
 *   LOCMAP50_NO_MAP  no map.
 */
LOCMAP50_API int SaveLocationMap(int toStdout);

/*
 * Writes the changes made since the load (or the last save) into the map
 * files they concern, keeping every byte of a file that they do not concern:
 * comments, blank lines, the header and INCLUDE lines as written, the line
 * ends (LF or CR LF) and a last line without a line end. A file that says
 * what its record says is not written at all (same bytes, same modification
 * time). In a changed file, a changed entry keeps its lines and only the
 * values of its hard path lines change (surplus lines go, extra paths follow
 * the last path line, or the prefix line); a deleted entry loses the prefix
 * and hard path lines of every block of it, its comments stay; an added entry
 * is appended after one blank line with the file's line end (the platform's
 * when it has none). Each file is read again under the save lock, which
 * serialises saves as for SaveLocationMap, must still hold what was read, and
 * is replaced only once its new text is completely written. A changed hard
 * path line keeps its indentation and comment and takes the new path in the
 * form the reader keeps ("C:/tools" as "C:\tools"), so that it reads back
 * wherever the line began. The new text is read back under the lock as
 * SaveLocationMap reads its text back. A file that the process may not write
 * is never replaced. Returns:
 *   LOCMAP50_OK      done, also when nothing was to be written;
 *   LOCMAP50_FAILED  a file whose load failed has a change (nothing is
 *                    written), a file changed since it was read, would not
 *                    read back as its record
 *                    (LOCMAP50_REASON_WOULD_NOT_READ_BACK, with the soft
 *                    prefix as GetLastFailureDetail), may not be written or
 *                    could not be written: it is left as it was and later
 *                    files are not tried (GetLastFailure says why and which
 *                    file);
 *   LOCMAP50_NO_MAP  no map.
 */
LOCMAP50_API int SaveLocationMapKeepingLayout(void);

/*
 * Edits one loaded map file only, with ChangeEntry's operations. mapFile is
 * any name of a loaded map file on disk (as it was read, absolute, through a
 * link). The name it was read under (as CurrentEntryFileName gives it) and
 * its absolute name find it as they are spelled, even while another program
 * replaces the file by renaming a new one over it; another name is looked up
 * once on disk and finds the file that was read, or that this process saved
 * last. Afterwards the map answers for softName as a fresh load of the files
 * as they now stand would (see "When edits show" above): from its first block
 * in reading order that has a hard path or that the environment supplies,
 * overridden by the environment as a load overrides it, at that block's place
 * in ReturnAllSoftPrefixes; an edit of a block that is not in effect changes
 * no answer. An added entry goes at the end of the file. Nothing is written
 * until a save. Returns:
 *   LOCMAP50_OK      done;
 *   LOCMAP50_FAILED  mapFile names no loaded file, the file does not hold
 *                    softName (replace, delete), a loaded file holds it
 *                    already (add), or the input is refused as ChangeEntry
 *                    refuses it: nothing is changed (GetLastFailure says why);
 *   LOCMAP50_NO_MAP  no map.
 */
LOCMAP50_API int ChangeEntryInFile(const char *mapFile, const char *softName, const char *hardNames, int operation);

/*
 * Why the last save, export or edit failed. ChangeEntry, Export and
 * SaveLocationMap (and the matching class operations) each forget the
 * previous failure when they begin, and record one when they fail, other
 * than with LOCMAP50_NO_MAP. *reason gets a LOCMAP50_REASON_* code of
 * result_codes.h, and *file the file the failure concerns, as the library
 * names it (the map file's name as it was read, or Export's translated
 * target), or "" when it concerns none (standard output, or input refused
 * before any file was touched). Each thread has its own record: a call
 * tells of the last save, export or edit made on the calling thread, and
 * calls on other threads neither clear nor replace it. The text belongs to
 * the library and stays valid until the calling thread's next save, export
 * or edit. Either pointer may be null.
 * Returns:
 *   LOCMAP50_OK      a failure is recorded: what is asked for is set;
 *   LOCMAP50_FAILED  none is (nothing failed since the last save, export or
 *                    edit began, or none was made): *reason is
 *                    LOCMAP50_REASON_NONE and *file ""; also when both
 *                    pointers are null.
 */
LOCMAP50_API int GetLastFailure(int *reason, const char **file);

/*
 * What exactly the last failure recorded for GetLastFailure concerns, where
 * its reason has more to say: for LOCMAP50_REASON_WOULD_NOT_READ_BACK the
 * soft prefix whose lines would not read back, for
 * LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS what the replacement would lose
 * (such as "owner", "group", "access control list", "hard links"), for
 * LOCMAP50_REASON_LOCK_TIMED_OUT the name of the lock file that another
 * save held, and for LOCMAP50_REASON_NOT_REGULAR_FILE and
 * LOCMAP50_REASON_PERMISSION_DENIED when it is the file's save lock that is
 * no regular file or that the process may not open or lock, the lock file's
 * name, and for LOCMAP50_REASON_INVALID_INPUT the one rule the input
 * broke: "more than 20 hard paths", "hard path 'x' is relative: a hard path
 * must be absolute", "hard path 'x' holds a #, which starts a comment",
 * "soft prefix '$1' is not valid: ...", "no hard path list given",
 * "'merged.map' is relative: give an absolute path or a soft name" (an
 * Export target), ...; "" otherwise. The text belongs
 * to the library and stays valid as GetLastFailure's does. Returns:
 *   LOCMAP50_OK      a failure is recorded and *detail is set (possibly "");
 *   LOCMAP50_FAILED  none is, or detail is null: *detail (when given) is "".
 */
LOCMAP50_API int GetLastFailureDetail(const char **detail);

/* 1 when an environment variable overrode the soft prefix name ("$NAME",
 * exact case) while the map was read; 0 otherwise, also with no map or a null
 * or empty name. */
LOCMAP50_API int IsEnvOverridden(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* LOCMAP50_H */

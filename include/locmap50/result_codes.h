/* SPDX-License-Identifier: Apache-2.0 */
/* The result codes every locmap50 function returns; usable from C89, C99 and C++. */
#ifndef LOCMAP50_RESULT_CODES_H
#define LOCMAP50_RESULT_CODES_H

/* Done: translated, loaded, written or changed. */
#define LOCMAP50_OK 0
/* Not found, not translated, bad input, or the file could not be written. */
#define LOCMAP50_FAILED 1
/* No location map (or, for an added entry, no map file) to work on. */
#define LOCMAP50_NO_MAP 2
/* The C translation functions without a map: the answer came from the
 * environment fallback. The same value as LOCMAP50_NO_MAP. */
#define LOCMAP50_FROM_ENVIRONMENT 2
/* An Ex function's buffer cannot hold the result and its NUL. */
#define LOCMAP50_BUFFER_TOO_SMALL 3

/* The most hard paths a map file gives one soft prefix; the reader ignores
 * the rest, and an edit or save refuses to write more. */
#define LOCMAP50_MAX_HARD_PATHS 20

/* How serious a load problem is (GetLoadProblem). */
/* Lines, entries or files were left out. */
#define LOCMAP50_SEVERITY_ERROR 0
/* The map is complete but may not say what its files say (an override). */
#define LOCMAP50_SEVERITY_WARNING 1
/* Information only: where the map was looked for and why a place was passed over. */
#define LOCMAP50_SEVERITY_NOTE 2

/* The kind of a load problem (GetLoadProblem): one per message. "file" is
 * the map file concerned, "line" its line or 0, "detail" the text at fault.
 * A detail quoting a map file's line (PARSE_ERROR to ENV_LINE_BREAK, NUL_BYTE
 * and ENV_NOT_ABSOLUTE) is bounded: control bytes written \xNN (a NUL \0),
 * nothing after the first NUL, at most 120 bytes, "..." marking a cut. */
/* Errors and warnings of reading a map file: */
#define LOCMAP50_PROBLEM_BAD_HEADER 1          /* the first line, described, never quoted ("is not a
                                                  map header", "is UTF-16 text"): the file may be
                                                  no map at all */
#define LOCMAP50_PROBLEM_PARSE_ERROR 2         /* a line of no known kind, as found */
#define LOCMAP50_PROBLEM_NO_HARD_PATH 3        /* the soft prefix, at its line */
#define LOCMAP50_PROBLEM_ENV_OVERRIDE 4        /* the soft prefix, at its line (a warning) */
#define LOCMAP50_PROBLEM_BAD_SOFT_PREFIX 5     /* the soft prefix line */
#define LOCMAP50_PROBLEM_BAD_INCLUDE 6         /* the include path as written */
#define LOCMAP50_PROBLEM_NO_SOFT_PREFIX 7      /* the hard path; reading of the file stops */
#define LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS 8 /* the soft prefix, at its line */
#define LOCMAP50_PROBLEM_INCLUDE_CYCLE 9       /* the include path as written */
#define LOCMAP50_PROBLEM_ENV_LINE_BREAK 10     /* the soft prefix, at its line (a warning) */
#define LOCMAP50_PROBLEM_NUL_BYTE 13           /* a soft prefix, hard path or include line holding
                                                  a NUL byte, up to its first NUL; the line is not
                                                  used (a header holding one is a BAD_HEADER) */
#define LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE 14   /* the soft prefix, "=" and the value as set,
                                                  at the prefix's line (a warning; POSIX systems:
                                                  a value that is no absolute hard path is ignored) */
/* Errors of choosing the map file (no line): */
#define LOCMAP50_PROBLEM_BAD_ENV_PATH 11       /* ZOR_LOCATION_MAP names no readable file; detail: its value */
#define LOCMAP50_PROBLEM_NO_READ_ACCESS 12     /* the map file given cannot be read */
/* Notes of the search for a map file, one per place passed over; for the
 * candidate notes "file" is the file looked for and "detail" why it was
 * passed over; for the others "detail" names the variable. */
#define LOCMAP50_PROBLEM_NOTE_FROM_ENV_VARIABLE 20  /* the file ZOR_LOCATION_MAP names */
#define LOCMAP50_PROBLEM_NOTE_IN_PROJECT 21         /* zor_location_map in the project directory */
#define LOCMAP50_PROBLEM_NOTE_IN_HOME 22            /* HOME/zor/zor_location_map */
#define LOCMAP50_PROBLEM_NOTE_IN_WDIR 23            /* zor_location_map in one WDIR directory */
#define LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET 24     /* ZOR_LOCATION_MAP, HOME or WDIR is not set */
#define LOCMAP50_PROBLEM_NOTE_WDIR_EMPTY 25         /* WDIR names no directory */
/* A note of reading the map files: */
#define LOCMAP50_PROBLEM_NOTE_OVERRIDDEN 26         /* the soft prefix, at its line in the later file,
                                                       whose block an earlier file's entry overrides */

/* Why the last save, export or edit failed, as GetLastFailure reports it. */
/* Nothing failed since the last save, export or edit began. */
#define LOCMAP50_REASON_NONE 0
/* The system refused access: no permission, or a read-only file system. */
#define LOCMAP50_REASON_PERMISSION_DENIED 1
/* The file, or a directory on its way, does not exist (a file read before
 * and gone since is not created again). */
#define LOCMAP50_REASON_NOT_FOUND 2
/* A directory stands where a file was to be written. */
#define LOCMAP50_REASON_IS_DIRECTORY 3
/* Something that is no regular file stands there: a socket, a block device,
 * a link to nothing (or, for a file read before, a device or pipe). */
#define LOCMAP50_REASON_NOT_REGULAR_FILE 4
/* The file name, or the name of the files written beside it, is too long. */
#define LOCMAP50_REASON_NAME_TOO_LONG 5
/* The disk or the user's quota is full. */
#define LOCMAP50_REASON_NO_SPACE 6
/* Another save of the same file held its save lock all the time a save
 * waits (about ten seconds). */
#define LOCMAP50_REASON_LOCK_TIMED_OUT 7
/* Another process changed the file after this one read it; its version is
 * left in place. */
#define LOCMAP50_REASON_CHANGED_SINCE_READ 8
/* Reading the file failed part-way. */
#define LOCMAP50_REASON_READ_ERROR 9
/* Writing failed part-way (or standard output refused the text). */
#define LOCMAP50_REASON_WRITE_ERROR 10
/* The file did not load whole (not opened, no map file, or reading stopped
 * early), so it is never written. */
#define LOCMAP50_REASON_NOT_LOADED 11
/* An edit or export was refused for what it was given: a null, empty or
 * untranslatable name, an unknown operation, or a prefix or path that would
 * not read back from the saved file as what it is. */
#define LOCMAP50_REASON_INVALID_INPUT 12
/* An added soft prefix is already in the map. */
#define LOCMAP50_REASON_ALREADY_PRESENT 13
/* Any other failure of the system. */
#define LOCMAP50_REASON_OTHER 14
/* The map file named for an edit does not hold the soft prefix. */
#define LOCMAP50_REASON_NO_SUCH_ENTRY 15
/* What the save was about to write would not read back as what the map
 * holds (a line the reader would take for something else); nothing was
 * written. GetLastFailureDetail names the soft prefix concerned. */
#define LOCMAP50_REASON_WOULD_NOT_READ_BACK 16
/* Replacing the file would lose its owner (the saver is not its owner and
 * may not give it back), its group, an access control list, an extended
 * attribute or another hard link to it; nothing was written. */
#define LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS 17

#endif /* LOCMAP50_RESULT_CODES_H */

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

#endif /* LOCMAP50_RESULT_CODES_H */

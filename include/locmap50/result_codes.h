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

#endif /* LOCMAP50_RESULT_CODES_H */

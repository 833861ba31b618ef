/* SPDX-License-Identifier: Apache-2.0 */
/* translate_names: loads a location map file and translates a few names both ways through the C interface.
 *
 * Run it from the repository root, because relative INCLUDE lines in a map
 * file resolve against the current directory:
 *
 *     build/examples/translate_names examples/site/zor_location_map
 */
#include <stdio.h>
#include <stdlib.h>

#include "locmap50/locmap50.h"

/* The sized functions return 3 when the buffer is too small; this one is
 * generous, and a real caller would retry with a larger buffer. */
#define NAME_BUFFER_SIZE 1024

/* GetHardNameEx and GetSoftNameEx share this shape: name in, buffer and its size out. */
typedef int (*Translation)(const char *name, char *result, size_t size);

static void show(Translation translate, const char *name)
{
    char result[NAME_BUFFER_SIZE];
    int status = translate(name, result, sizeof result);
    if (status == 0)
        printf("  %-36s -> %s\n", name, result);
    else
        printf("  %-36s -> (not translated, result %d)\n", name, status);
}

int main(int argc, char **argv)
{
    const char *errors;
    int outcome, errorCount, warningCount;

    if (argc != 2) {
        fprintf(stderr, "usage: %s MAPFILE\n", argv[0]);
        return 2;
    }

    /* 1: the argument is the map file itself, not a project directory. */
    if (InitLocationMap(argv[1], 1) != 0) {
        fprintf(stderr, "%s: cannot read the map file %s\n", argv[0], argv[1]);
        return 2;
    }

    /* Either the success line or every problem found while loading. */
    errors = GetErrorString();
    printf("%s\n", errors);
    /* The counts come without reading the text; LOCMAP50_LOAD_ERRORS means
     * lines or files were left out. */
    GetLoadStatus(&outcome, &errorCount, &warningCount);
    if (outcome != LOCMAP50_LOAD_CLEAN)
        printf("%d errors, %d warnings\n\n", errorCount, warningCount);

    printf("Soft to hard:\n");
    show(GetHardNameEx, "$TOOLS\\bin\\cc.exe");
    show(GetHardNameEx, "$LIBS/libc.a"); /* forward slashes are accepted */
    show(GetHardNameEx, "$SHARED_MODELS\\ram.v"); /* defined in the included file */
    show(GetHardNameEx, "$UNKNOWN\\file.txt");

    printf("Hard to soft:\n");
    show(GetSoftNameEx, "C:\\tools\\bin\\cc.exe");
    show(GetSoftNameEx, "d:\\MIRROR\\libs\\libm.a"); /* matched ignoring letter case */
    show(GetSoftNameEx, "E:\\elsewhere\\file.txt");

    return EXIT_SUCCESS;
}

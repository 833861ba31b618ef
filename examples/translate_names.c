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

static void showHardName(const char *softName)
{
    char hardName[NAME_BUFFER_SIZE];
    int result = GetHardNameEx(softName, hardName, sizeof hardName);
    if (result == 0)
        printf("  %-28s -> %s\n", softName, hardName);
    else
        printf("  %-28s -> (not translated, result %d)\n", softName, result);
}

static void showSoftName(const char *hardName)
{
    char softName[NAME_BUFFER_SIZE];
    int result = GetSoftNameEx(hardName, softName, sizeof softName);
    if (result == 0)
        printf("  %-36s -> %s\n", hardName, softName);
    else
        printf("  %-36s -> (not translated, result %d)\n", hardName, result);
}

int main(int argc, char **argv)
{
    const char *errors;

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

    printf("Soft to hard:\n");
    showHardName("$TOOLS\\bin\\cc.exe");
    showHardName("$LIBS/libc.a"); /* forward slashes are accepted */
    showHardName("$SHARED_MODELS\\ram.v"); /* defined in the included file */
    showHardName("$UNKNOWN\\file.txt");

    printf("Hard to soft:\n");
    showSoftName("C:\\tools\\bin\\cc.exe");
    showSoftName("d:\\MIRROR\\libs\\libm.a"); /* matched ignoring letter case */
    showSoftName("E:\\elsewhere\\file.txt");

    return EXIT_SUCCESS;
}

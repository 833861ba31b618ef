/* SPDX-License-Identifier: Apache-2.0 */
/* A C program that uses the installed locmap50 through the C interface; built with pkg-config or the import library. */
#include <stdio.h>

#include "locmap50/locmap50.h"

int main(int argc, char **argv) {
    char hardName[256];
    char *prefixes;
    int outcome = -1;
    if (argc != 2) {
        fprintf(stderr, "usage: c_consumer MAPFILE\n");
        return 2;
    }
    if (InitLocationMap(argv[1], 1) != LOCMAP50_OK) {
        fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    GetLoadStatus(&outcome, NULL, NULL);
    printf("outcome %d\n", outcome);
    printf("hard %d ", GetHardNameEx("$LIBS\\libc.a", hardName, sizeof hardName));
    printf("%s\n", hardName);
    prefixes = ReturnAllSoftPrefixes();
    printf("prefixes %s\n", prefixes != NULL ? prefixes : "(none)");
    FreeHardPathList(prefixes);
    return 0;
}

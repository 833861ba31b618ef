/* A C99 caller of every exported C function with no map, checking the documented no-map results. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "locmap50/locmap50.h"

static int passed = 0;
static int failed = 0;

static void check(int condition, const char *what) {
    if (condition) {
        ++passed;
    } else {
        ++failed;
        fprintf(stderr, "FAILED: %s\n", what);
    }
}

#define CHECK(condition) check((condition), #condition)

int main(void) {
    char buffer[64];

    /* A missing explicit file leaves no map; so does a null path. */
    CHECK(InitLocationMap("locmap50-c-api-check-missing.map", 1) == 2);
    CHECK(InitLocationMap(NULL, 0) == 1);
    CHECK(IsLocMapPresent() == 0);
    CHECK(CurrentMapName() == NULL);
    CHECK(GetErrorString() == NULL);
    CHECK(UnsetLocMapEnvVariable() == 0);
    CHECK(getenv("ZOR_LOCATION_MAP") == NULL);
    CHECK(CurrentEntryFileName("$P") == NULL);

    /* Translations fall back to the environment and report 2. */
    CHECK(GetHardName("C:/x", buffer) == 2 && strcmp(buffer, "C:\\x") == 0);
    CHECK(GetAbsoluteHardName("\\\\srv\\x", buffer) == 2 && strcmp(buffer, "\\\\srv\\x") == 0);
    CHECK(GetSoftName("http://h/x", buffer) == 2 && strcmp(buffer, "http://h/x") == 0);
    CHECK(GetHardNameEx("C:/x", buffer, sizeof buffer) == 2 && strcmp(buffer, "C:\\x") == 0);
    CHECK(GetHardNameEx("C:/x", buffer, 4) == 3 && buffer[0] == '\0');
    CHECK(GetAbsoluteHardNameEx("C:/x", buffer, sizeof buffer) == 2 && strcmp(buffer, "C:\\x") == 0);
    CHECK(GetSoftNameEx("$P/a", buffer, sizeof buffer) == 2 && strcmp(buffer, "$P\\a") == 0);
    CHECK(GetHardName(NULL, buffer) == 1 && buffer[0] == '\0');
    CHECK(GetSoftName("C:\\x", NULL) == 1);

    /* Everything else needs a map. */
    CHECK(ReturnAllHardPath("$P") == NULL);
    FreeHardPathList(NULL);
    CHECK(ChangeEntry("$P", "C:\\p`", 0) == 2);
    CHECK(Export("C:\\x.map", 0) == 2);
    CHECK(SaveLocationMap(0) == 2);
    CHECK(IsEnvOverridden("$P") == 0);
    CHECK(ReturnAllSoftPrefixes() == NULL);
    {
        int outcome = -1, errors = -1, warnings = -1;
        CHECK(GetLoadStatus(&outcome, &errors, &warnings) == LOCMAP50_NO_MAP);
        CHECK(outcome == LOCMAP50_LOAD_CLEAN && errors == 0 && warnings == 0);
        CHECK(GetLoadStatus(NULL, NULL, NULL) == LOCMAP50_NO_MAP);
    }

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

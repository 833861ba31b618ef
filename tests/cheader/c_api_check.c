/* SPDX-License-Identifier: Apache-2.0 */
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

/* A translation answered from the environment with the expected text. */
static int fromEnvironment(int result, const char *buffer, const char *expected) {
    return result == LOCMAP50_FROM_ENVIRONMENT && strcmp(buffer, expected) == 0;
}

int main(void) {
    char buffer[64];

    /* A missing explicit file leaves no map; so does a null path. */
    CHECK(InitLocationMap("locmap50-c-api-check-missing.map", 1) == LOCMAP50_NO_MAP);
    CHECK(InitLocationMap(NULL, 0) == LOCMAP50_FAILED);
    CHECK(IsLocMapPresent() == 0);
    CHECK(CurrentMapName() == NULL);
    CHECK(GetErrorString() == NULL);
    CHECK(UnsetLocMapEnvVariable() == LOCMAP50_OK);
    CHECK(getenv("ZOR_LOCATION_MAP") == NULL);
    CHECK(CurrentEntryFileName("$P") == NULL);

    /* Translations fall back to the environment and say so. */
    CHECK(fromEnvironment(GetHardName("C:/x", buffer), buffer, "C:\\x"));
    CHECK(fromEnvironment(GetAbsoluteHardName("\\\\srv\\x", buffer), buffer, "\\\\srv\\x"));
    CHECK(fromEnvironment(GetSoftName("http://h/x", buffer), buffer, "http://h/x"));
    CHECK(fromEnvironment(GetHardNameEx("C:/x", buffer, sizeof buffer), buffer, "C:\\x"));
    CHECK(GetHardNameEx("C:/x", buffer, 4) == LOCMAP50_BUFFER_TOO_SMALL && buffer[0] == '\0');
    CHECK(fromEnvironment(GetAbsoluteHardNameEx("C:/x", buffer, sizeof buffer), buffer, "C:\\x"));
    CHECK(fromEnvironment(GetSoftNameEx("$P/a", buffer, sizeof buffer), buffer, "$P\\a"));
    CHECK(GetHardName(NULL, buffer) == LOCMAP50_FAILED && buffer[0] == '\0');
    CHECK(GetSoftName("C:\\x", NULL) == LOCMAP50_FAILED);

    /* Everything else needs a map. */
    CHECK(ReturnAllHardPath("$P") == NULL);
    FreeHardPathList(NULL);
    CHECK(ChangeEntry("$P", "C:\\p`", LOCMAP50_REPLACE_ENTRY) == LOCMAP50_NO_MAP);
    CHECK(Export("C:\\x.map", 0) == LOCMAP50_NO_MAP);
    CHECK(SaveLocationMap(0) == LOCMAP50_NO_MAP);
    CHECK(SaveLocationMapKeepingLayout() == LOCMAP50_NO_MAP);
    CHECK(ChangeEntryInFile("a.map", "$P", "C:\\p`", LOCMAP50_DELETE_ENTRY) == LOCMAP50_NO_MAP);
    CHECK(IsEnvOverridden("$P") == 0);
    CHECK(ReturnAllSoftPrefixes() == NULL);
    {
        int outcome = -1, errors = -1, warnings = -1;
        CHECK(GetLoadStatus(&outcome, &errors, &warnings) == LOCMAP50_NO_MAP);
        CHECK(outcome == LOCMAP50_LOAD_CLEAN && errors == 0 && warnings == 0);
        CHECK(GetLoadStatus(NULL, NULL, NULL) == LOCMAP50_NO_MAP);
    }
    {
        /* The failed load at the start left its one record behind. */
        int severity = -1, kind = -1, line = -1;
        const char *file = NULL, *detail = NULL;
        CHECK(GetLoadProblemCount() == 1);
        CHECK(GetLoadProblem(1, &severity, &kind, &file, &line, &detail) == LOCMAP50_FAILED);
        CHECK(severity == -1 && file == NULL);
        CHECK(GetLoadProblem(0, &severity, &kind, &file, &line, &detail) == LOCMAP50_OK);
        CHECK(severity == LOCMAP50_SEVERITY_ERROR && kind == LOCMAP50_PROBLEM_NO_READ_ACCESS && line == 0);
        CHECK(strcmp(detail, "locmap50-c-api-check-missing.map") == 0);
    }
    {
        /* Saving without a map records no failure: the result says it all. */
        int reason = -1;
        const char *file = NULL;
        CHECK(GetLastFailure(&reason, &file) == LOCMAP50_FAILED);
        CHECK(reason == LOCMAP50_REASON_NONE && file != NULL && file[0] == '\0');
    }

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

// STUB: C set-up and query functions (to be written).
#include "locmap50/locmap50.h"

extern "C" {
int InitLocationMap(const char *, int) { return 2; }
int IsLocMapPresent(void) { return 0; }
const char *CurrentMapName(void) { return nullptr; }
const char *GetErrorString(void) { return nullptr; }
int UnsetLocMapEnvVariable(void) { return -1; }
const char *CurrentEntryFileName(const char *) { return nullptr; }
}

// STUB: C lookup, edit and save functions (to be written).
#include "locmap50/locmap50.h"

extern "C" {
int GetHardName(const char *, char *) { return 1; }
int GetAbsoluteHardName(const char *, char *) { return 1; }
int GetSoftName(const char *, char *) { return 1; }
int GetHardNameEx(const char *, char *, size_t) { return 1; }
int GetAbsoluteHardNameEx(const char *, char *, size_t) { return 1; }
int GetSoftNameEx(const char *, char *, size_t) { return 1; }
char *ReturnAllHardPath(const char *) { return nullptr; }
void FreeHardPathList(char *) {}
int ChangeEntry(const char *, const char *, int) { return 2; }
int Export(const char *, int) { return 2; }
int SaveLocationMap(int) { return 2; }
int IsEnvOverridden(const char *) { return 0; }
}

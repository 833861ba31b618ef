/* Compiles the public C header as C89: no //-comments, no inline, nothing newer. */
#include "locmap50/locmap50.h"

int locmap50_c89_header_check(void) { return IsLocMapPresent(); }

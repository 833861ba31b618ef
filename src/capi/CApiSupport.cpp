// STUB: shared helpers of the C functions (to be written).
#include "capi/CApiSupport.h"

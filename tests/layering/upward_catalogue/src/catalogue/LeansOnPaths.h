// SPDX-License-Identifier: Apache-2.0
// A catalogue entry that wrongly leans on the path rules above it: the layering check must reject it.
#include "paths/PathRules.h"

// SPDX-License-Identifier: Apache-2.0
// A public header missing from the layering check's table: the check must refuse to guess its layer.
#include "locmap50/export.h"

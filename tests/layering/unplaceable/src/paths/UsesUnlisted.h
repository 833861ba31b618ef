// SPDX-License-Identifier: Apache-2.0
// A path rule including a public header the layering check has no layer for: the check must refuse to guess.
#include <locmap50/Unlisted.h>

// SPDX-License-Identifier: Apache-2.0
// A map file rule that wrongly reaches up into the location map through an angle-bracket include: the layering check must reject it.
#include <locmap50/VnLocMap.h>

// SPDX-License-Identifier: Apache-2.0
// A path rule that wrongly reaches up into the platform layer: the layering check must reject it.
#include "platform/Platform.h"

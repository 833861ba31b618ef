// SPDX-License-Identifier: Apache-2.0
// A header in a folder that is no layer: the layering check must refuse to guess where it belongs.
#include <string>

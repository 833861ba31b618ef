#include <gtest/gtest.h>
#include "locmap/PathRules.h"
TEST(Smoke, Builds) { EXPECT_TRUE(locmap50::paths::isAbsolute("C:\\x")); }

#include <gtest/gtest.h>
#include "locmap50/locmap50.h"
TEST(Smoke, Builds) { EXPECT_EQ(IsLocMapPresent(), 0); }

#include <gtest/gtest.h>
TEST(Template, Smoke) { EXPECT_EQ(1, 1); }
TEST(Template, Smoke2) { EXPECT_EQ(1, 1); }

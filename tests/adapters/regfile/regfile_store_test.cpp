#include <gtest/gtest.h>
TEST(placeholder, x) {}

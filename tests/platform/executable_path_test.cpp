#include "platform/executable_path.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(ExecutablePath, FindsTheRunningExecutable)
{
    const auto executable = runningExecutablePath();
    ASSERT_TRUE(executable.has_value());
    EXPECT_TRUE(executable->is_absolute());
    EXPECT_EQ(executable->stem(), "platform_tests");
}

} // namespace
} // namespace beatplate

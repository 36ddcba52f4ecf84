#include "platform/DebugConsole.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(DebugConsole, WritesToStandardErrorOnlyWhileOpen) {
    DebugConsole console;
    testing::internal::CaptureStderr();
    console.write("before\n");
    console.open("Debug Window");
    console.write("line one\n");
    console.close();
    console.write("after\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "line one\n");
}

} // namespace
} // namespace korvane

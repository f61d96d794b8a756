#include "platform/dialogs/ChildProcess.h"

#include "tests/support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace VQ::test {
namespace {

using Platform::FindProgramOnPath;
using Platform::RunChildProcess;

Platform::ChildProcessResult DisplayGeometry()
{
    return RunChildProcess({"timeout", "60", "xdotool", "getdisplaygeometry"});
}

TEST(XvfbDisplayTest, NamesItsServerWhileItLivesAndGivesTheEnvironmentBack)
{
    if (FindProgramOnPath("xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    ScopedEnvironmentVariable oldDisplay("DISPLAY", ":old");
    ScopedEnvironmentVariable oldWayland("WAYLAND_DISPLAY", "wayland-test");
    {
        XvfbDisplay display;
        if (display.IsMissing())
            GTEST_SKIP() << display.Problem();
        ASSERT_TRUE(display.IsRunning()) << display.Problem();
        EXPECT_TRUE(display.Problem().empty());
        EXPECT_EQ(std::getenv("DISPLAY"), display.Name());
        EXPECT_EQ(std::getenv("WAYLAND_DISPLAY"), nullptr) << "toolkits would prefer Wayland";
        const Platform::ChildProcessResult geometry = DisplayGeometry();
        EXPECT_EQ(geometry.exitStatus, 0) << geometry.errors;
        EXPECT_EQ(geometry.output, "1024 768\n");

        // Not the display that is asked: its number may already serve another test's server.
        const int pid = display.Pid();
        ASSERT_GT(pid, 0);
        display.Stop();
        EXPECT_FALSE(display.IsRunning());
        errno = 0;
        EXPECT_EQ(kill(pid, 0), -1) << "the server is gone and reaped";
        EXPECT_EQ(errno, ESRCH);
        EXPECT_EQ(std::getenv("DISPLAY"), display.Name()) << "kept until destruction";
    }
    EXPECT_STREQ(std::getenv("DISPLAY"), ":old");
    EXPECT_STREQ(std::getenv("WAYLAND_DISPLAY"), "wayland-test");
}

TEST(XvfbDisplayTest, TwoDisplaysRunSideBySide)
{
    XvfbDisplay first;
    if (first.IsMissing())
        GTEST_SKIP() << first.Problem();
    ASSERT_TRUE(first.IsRunning()) << first.Problem();
    {
        XvfbDisplay second;
        ASSERT_TRUE(second.IsRunning()) << second.Problem();
        EXPECT_NE(second.Name(), first.Name());
        EXPECT_EQ(std::getenv("DISPLAY"), second.Name());
    }
    EXPECT_EQ(std::getenv("DISPLAY"), first.Name());
}

} // namespace
} // namespace VQ::test

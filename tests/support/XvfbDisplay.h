// An X server of the test's own (Xvfb, drawing into memory) that the process's DISPLAY names while it
// lives, for the tests of anything that opens windows or starts programs that do.
//
//     XvfbDisplay display;
//     if (display.IsMissing())
//         GTEST_SKIP() << display.Problem();
//     ASSERT_TRUE(display.IsRunning()) << display.Problem();
//
// Create it on the thread that destroys it, or on one that outlives it: the server is also stopped
// when that thread ends (so a test process that crashes leaves no server behind).
#pragma once

#include "tests/support/ScopedEnvironment.h"

#include <optional>
#include <string>

namespace VQ::test {

class XvfbDisplay {
public:
    // Starts the server on a free display number and waits, bounded, until it takes connections;
    // then DISPLAY names it and WAYLAND_DISPLAY is removed, so that toolkits come to this server.
    XvfbDisplay();
    // Stops the server and gives DISPLAY and WAYLAND_DISPLAY back their old values.
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool IsRunning() const { return m_pid > 0; }
    // Xvfb is not installed: a reason to skip, not a failure.
    bool IsMissing() const { return m_missing; }
    // Why the display does not run; empty while it does.
    const std::string& Problem() const { return m_problem; }
    // ":N".
    const std::string& Name() const { return m_name; }
    // The server's process id while it runs, else -1.
    int Pid() const { return m_pid; }

    // Stops the server now: its clients lose their connection, and toolkits end the program on
    // that. DISPLAY keeps naming it until destruction, so threads still running read no changed
    // environment.
    void Stop();

private:
    void Start();
    void Fail(const std::string& problem);

    int m_pid = -1;
    bool m_missing = false;
    std::string m_problem;
    std::string m_name;
    std::string m_logPath;
    std::optional<ScopedEnvironmentVariable> m_display;
    std::optional<ScopedEnvironmentVariable> m_waylandDisplay;
};

} // namespace VQ::test

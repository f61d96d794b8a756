#include "platform/dialogs/ChildProcess.h"
#include "platform/dialogs/Dialogs.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <unistd.h>

namespace VQ::Platform {
namespace {

using namespace std::chrono_literals;
using test::ScopedEnvironmentVariable;
using test::TemporaryFolder;
using test::XvfbDisplay;

// Generous, since a loaded machine starts a toolkit program slowly, yet all of a failing test's
// waits together (window, three xdotool runs, result, teardown: about 150 s) stay well within the
// test's time limit.
constexpr auto LongWait = 30s;
const std::string SearchWaitSeconds = "10";
const std::string KeysWaitSeconds = "20";

// Ends the processes of this name that this process started, by their id.
void KillOwnChildren(const std::string& name)
{
    // Without exceptions: processes come and go while the folder is read, and this runs in a destructor.
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        std::ifstream file(entry->path() / "stat");
        std::string stat;
        if (!std::getline(file, stat))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const size_t open = stat.find('(');
        const size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &parent) != 2)
            continue;
        if (parent == getpid() && stat.substr(open + 1, close - open - 1) == name)
            kill(std::atoi(stat.c_str()), SIGKILL);
    }
}

// A dialog shown on a thread of its own while the test plays the user. Should the test stop midway,
// stopping the display ends the dialog (the toolkit exits without its server), so the thread is
// always joined and zenity reaped.
template <typename Result>
class DialogThread {
public:
    DialogThread(XvfbDisplay& display, std::function<Result()> show)
        : m_display(display), m_result(std::async(std::launch::async, std::move(show)))
    {
    }
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;
    ~DialogThread()
    {
        if (!m_result.valid() || m_result.wait_for(0s) == std::future_status::ready)
            return;
        m_display.Stop();
        if (m_result.wait_for(LongWait) != std::future_status::ready)
            KillOwnChildren("zenity");
    }

    // The dialog's result once the user has closed it; none when it stays open too long.
    std::optional<Result> Wait()
    {
        if (m_result.wait_for(LongWait) != std::future_status::ready)
            return std::nullopt;
        return m_result.get();
    }

private:
    XvfbDisplay& m_display;
    std::future<Result> m_result;
};

// The real zenity on a display of the test's own, played by xdotool.
class ZenityDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"zenity", "xdotool", "timeout"}) {
            if (FindProgramOnPath(tool).empty())
                GTEST_SKIP() << tool << " is not installed";
        }
        display.emplace();
        if (display->IsMissing())
            GTEST_SKIP() << display->Problem();
        ASSERT_TRUE(display->IsRunning()) << display->Problem();
    }

    // The visible window of this title once it has appeared; empty when none did in time. xdotool
    // exits on the X error of a window that closes while it reads the window list (a dialog tool's
    // short-lived helper windows do), so a failed search is run again until the time is up.
    std::string WaitForWindow(const std::string& title)
    {
        const auto deadline = std::chrono::steady_clock::now() + LongWait;
        do {
            const ChildProcessResult found = RunChildProcess(
                {"timeout", SearchWaitSeconds, "xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
            if (found.exitStatus == 0)
                return found.output.substr(0, found.output.find('\n'));
        } while (std::chrono::steady_clock::now() < deadline);
        return std::string();
    }

    // Gives the window the keyboard (there is no window manager to ask), then runs xdotool once for
    // each list of actions: within one run, a key after typed text does not arrive.
    ::testing::AssertionResult Play(const std::string& window, const std::vector<std::vector<std::string>>& runs)
    {
        std::vector<std::vector<std::string>> commands{{"windowfocus", "--sync", window}};
        commands.insert(commands.end(), runs.begin(), runs.end());
        for (const std::vector<std::string>& actions : commands) {
            std::vector<std::string> command{"timeout", KeysWaitSeconds, "xdotool"};
            command.insert(command.end(), actions.begin(), actions.end());
            const ChildProcessResult played = RunChildProcess(command);
            if (played.exitStatus != 0)
                return ::testing::AssertionFailure() << "xdotool " << actions.front() << ": " << played.exitStatus
                                                     << " " << played.errors;
        }
        return ::testing::AssertionSuccess();
    }

    // The choice is zenity's because it is on PATH and a display is present.
    ScopedEnvironmentVariable dialogs{"VQ_DIALOGS", nullptr};
    // Settings kept in memory, no session bus and no file system daemons: zenity then starts
    // nothing that would outlive the test.
    ScopedEnvironmentVariable settings{"GSETTINGS_BACKEND", "memory"};
    ScopedEnvironmentVariable sessionBus{"DBUS_SESSION_BUS_ADDRESS", "disabled:"};
    ScopedEnvironmentVariable fileSystems{"GIO_USE_VFS", "local"};
    ScopedEnvironmentVariable accessibility{"NO_AT_BRIDGE", "1"};
    TemporaryFolder folder;
    std::optional<XvfbDisplay> display;
};

TEST_F(ZenityDialogsTest, SaveDialogAddsTheDefaultExtensionToTheTypedName)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save Program";
    request.folder = folder.Path();
    request.fileName = "Untitled";
    request.filters = {{"RKT4 Program (*.rkt4)", "*.rkt4"}};
    request.defaultExtension = "rkt4";
    using Shown = std::pair<FileDialogResult, std::vector<std::string>>;
    DialogThread<Shown> dialog(*display, [request] {
        std::vector<std::string> paths;
        const FileDialogResult result = ShowFileDialog(request, paths);
        return Shown(result, paths);
    });

    const std::string window = WaitForWindow("Save Program");
    ASSERT_FALSE(window.empty()) << "no save dialog appeared";
    ASSERT_TRUE(Play(window, {{"key", "ctrl+a", "type", "My Song"}, {"key", "Return"}}));
    const std::optional<Shown> shown = dialog.Wait();
    ASSERT_TRUE(shown) << "the dialog stayed open";
    EXPECT_EQ(shown->first, FileDialogResult::Chosen);
    EXPECT_EQ(shown->second, std::vector<std::string>{folder.Path() + "/My Song.rkt4"});
}

TEST_F(ZenityDialogsTest, MessageBoxIsClosedWithReturn)
{
    // Forced: SDL, next in line, would show a box of the same title.
    ScopedEnvironmentVariable zenity("VQ_DIALOGS", "zenity");
    DialogThread<int32_t> box(*display, [] {
        return ShowMessageBox("Program Error", "The file \"<b>x</b>\" is damaged.", MessageBoxIconError);
    });
    const std::string window = WaitForWindow("Program Error");
    ASSERT_FALSE(window.empty()) << "no message box appeared";
    ASSERT_TRUE(Play(window, {{"key", "Return"}}));
    EXPECT_EQ(box.Wait(), std::optional<int32_t>(MessageBoxAnswerOk));
}

// Where SDL puts up its box depends on what it finds; whichever it is, the pressed button comes back.
TEST_F(ZenityDialogsTest, SdlMessageBoxIsClosedWithReturn)
{
    ScopedEnvironmentVariable sdl("VQ_DIALOGS", "sdl");
    DialogThread<int32_t> box(*display, [] { return ShowMessageBox("SDL Notice", "Saved.", MessageBoxIconInformation); });
    const std::string window = WaitForWindow("SDL Notice");
    ASSERT_FALSE(window.empty()) << "no message box appeared";
    ASSERT_TRUE(Play(window, {{"key", "Return"}}));
    EXPECT_EQ(box.Wait(), std::optional<int32_t>(MessageBoxAnswerOk));
}

} // namespace
} // namespace VQ::Platform

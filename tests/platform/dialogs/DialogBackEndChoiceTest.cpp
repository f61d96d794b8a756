#include "platform/dialogs/ChildProcess.h"
#include "platform/dialogs/Dialogs.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>

namespace VQ::Platform {
namespace {

using test::TemporaryFolder;
using test::ScopedEnvironmentVariable;

// No display at all: whatever back end is tried must give up at once, never wait for a user.
class WithoutDisplayTest : public ::testing::Test {
protected:
    FileDialogResult ShowOpen()
    {
        FileDialogRequest request;
        request.title = "Open Program";
        paths = {"stale"};
        return ShowFileDialog(request, paths);
    }

    // The box's answer, and what went to standard error.
    std::pair<int32_t, std::string> ShowMessage()
    {
        ::testing::internal::CaptureStderr();
        const int32_t answer = ShowMessageBox("Program Error", "The file is damaged.", MessageBoxIconError);
        return {answer, ::testing::internal::GetCapturedStderr()};
    }

    ScopedEnvironmentVariable display{"DISPLAY", nullptr};
    ScopedEnvironmentVariable waylandDisplay{"WAYLAND_DISPLAY", nullptr};
    ScopedEnvironmentVariable dialogs{"VQ_DIALOGS", nullptr};
    std::vector<std::string> paths;
};

TEST_F(WithoutDisplayTest, WithoutToolsMessagesGoToStandardErrorAndFileDialogsFail)
{
    // Not even the tools' names resolve.
    TemporaryFolder folder;
    ScopedEnvironmentVariable path("PATH", folder.Path());
    const auto [answer, errors] = ShowMessage();
    EXPECT_EQ(answer, 0);
    EXPECT_THAT(errors, ::testing::HasSubstr("Program Error: The file is damaged.\n"));
    EXPECT_EQ(ShowOpen(), FileDialogResult::Failed);
    EXPECT_TRUE(paths.empty());
}

TEST_F(WithoutDisplayTest, SdlShowsNoMessageBoxAndOffersNoFileDialog)
{
    ScopedEnvironmentVariable sdl("VQ_DIALOGS", "sdl");
    const auto [answer, errors] = ShowMessage();
    EXPECT_EQ(answer, 0);
    EXPECT_THAT(errors, ::testing::HasSubstr("Program Error: The file is damaged.\n"));
    EXPECT_EQ(ShowOpen(), FileDialogResult::Failed);
}

// SDL's data for the caller's thread (its GL context among it) survives the box: the error text set
// here stands for all of it.
TEST_F(WithoutDisplayTest, SdlMessageBoxLeavesTheCallersSdlThreadDataAlone)
{
    ScopedEnvironmentVariable sdl("VQ_DIALOGS", "sdl");
    SDL_SetError("set by the caller");
    EXPECT_EQ(ShowMessage().first, 0);
    EXPECT_STREQ(SDL_GetError(), "set by the caller");
    SDL_ClearError();
}

// zenity says it cannot open the display and exits with the status of a cancel: still a failure.
TEST_F(WithoutDisplayTest, ZenityThatCannotOpenTheDisplayFailsInsteadOfCancelling)
{
    if (FindProgramOnPath("zenity").empty())
        GTEST_SKIP() << "zenity is not installed";
    ScopedEnvironmentVariable zenity("VQ_DIALOGS", "zenity");
    EXPECT_EQ(ShowOpen(), FileDialogResult::Failed);
    FileDialogRequest save;
    save.kind = FileDialogKind::Save;
    EXPECT_EQ(ShowFileDialog(save, paths), FileDialogResult::Failed);
    const auto [answer, errors] = ShowMessage();
    EXPECT_EQ(answer, 0);
    EXPECT_THAT(errors, ::testing::HasSubstr("Program Error: The file is damaged.\n"));
}

// A display is named but no server answers there: each back end in turn gives up.
TEST_F(WithoutDisplayTest, MessageBoxFallsThroughEveryBackEndThatCannotReachTheDisplay)
{
    if (FindProgramOnPath("zenity").empty())
        GTEST_SKIP() << "zenity is not installed";
    ScopedEnvironmentVariable deadDisplay("DISPLAY", ":59999");
    const auto [answer, errors] = ShowMessage();
    EXPECT_EQ(answer, 0);
    EXPECT_THAT(errors, ::testing::HasSubstr("Program Error: The file is damaged.\n"));
    EXPECT_EQ(ShowOpen(), FileDialogResult::Failed);
}

TEST_F(WithoutDisplayTest, ToolThatIsNotInstalledFails)
{
    TemporaryFolder folder;
    ScopedEnvironmentVariable path("PATH", folder.Path());
    for (const char* tool : {"zenity", "kdialog"}) {
        ScopedEnvironmentVariable forced("VQ_DIALOGS", tool);
        EXPECT_EQ(ShowOpen(), FileDialogResult::Failed) << tool;
        EXPECT_EQ(ShowMessage().first, 0) << tool;
    }
}

// A stand-in for a tool in folder, printing and exiting as the variables PREFIX_OUTPUT,
// PREFIX_ERRORS and PREFIX_STATUS tell it.
void WriteFakeTool(const std::string& folder, const std::string& tool, const std::string& prefix)
{
    const std::string path = folder + "/" + tool;
    std::ofstream(path) << "#!/bin/sh\n"
                           "printf '%s' \"$" << prefix << "_OUTPUT\"; printf '%s' \"$" << prefix << "_ERRORS\" >&2\n"
                           "[ \"$" << prefix << "_STATUS\" = killed ] && kill -KILL $$\n"
                           "exit $" << prefix << "_STATUS\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Stand-ins for the tools on PATH, printing and exiting as told, show how their endings are read.
struct ToolEndingCase {
    const char* tool;
    const char* status;
    const char* output;
    const char* errors;
    FileDialogResult result;
    std::vector<std::string> paths;
    int32_t messageAnswer;
};

class ToolEndingTest : public ::testing::TestWithParam<ToolEndingCase> {
protected:
    void SetUp() override { WriteFakeTool(folder.Path(), GetParam().tool, "FAKE"); }

    TemporaryFolder folder;
    ScopedEnvironmentVariable display{"DISPLAY", ":0"};
    ScopedEnvironmentVariable path{"PATH", folder.Path() + ":/usr/bin:/bin"};
    ScopedEnvironmentVariable forced{"VQ_DIALOGS", GetParam().tool};
    ScopedEnvironmentVariable status{"FAKE_STATUS", GetParam().status};
    ScopedEnvironmentVariable output{"FAKE_OUTPUT", GetParam().output};
    ScopedEnvironmentVariable errors{"FAKE_ERRORS", GetParam().errors};
};

TEST_P(ToolEndingTest, ExitStatusAndErrorsTellChoiceCancelAndFailureApart)
{
    const ToolEndingCase& c = GetParam();
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.folder = "/";
    std::vector<std::string> paths{"stale"};
    EXPECT_EQ(ShowFileDialog(request, paths), c.result);
    EXPECT_EQ(paths, c.paths);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox("Caption", "Text", MessageBoxOk), c.messageAnswer);
    ::testing::internal::GetCapturedStderr();
}

const char* const GtkWarning = "(zenity:7): Gtk-WARNING **: GtkDialog mapped without a transient parent.\n";

INSTANTIATE_TEST_SUITE_P(
    Endings, ToolEndingTest,
    ::testing::Values(
        ToolEndingCase{"zenity", "0", "/x/Song.rkt4\n", GtkWarning, FileDialogResult::Chosen, {"/x/Song.rkt4"}, 1},
        ToolEndingCase{"zenity", "1", "", GtkWarning, FileDialogResult::Cancelled, {}, 1},
        ToolEndingCase{"zenity", "1", "", "(zenity:7): Gtk-WARNING **: cannot open display: :0\n",
                       FileDialogResult::Failed, {}, 0},
        ToolEndingCase{"zenity", "255", "", "This option is not available.\n", FileDialogResult::Failed, {}, 0},
        ToolEndingCase{"zenity", "0", "\n", "", FileDialogResult::Failed, {}, 1},
        ToolEndingCase{"zenity", "killed", "", "", FileDialogResult::Failed, {}, 0},
        ToolEndingCase{"kdialog", "0", "/x/Song.rkt4\n", "", FileDialogResult::Chosen, {"/x/Song.rkt4"}, 1},
        ToolEndingCase{"kdialog", "1", "", "", FileDialogResult::Cancelled, {}, 1},
        ToolEndingCase{"kdialog", "1", "", "qt.qpa.xcb: could not connect to display :0\n", FileDialogResult::Failed,
                       {}, 0}));

// Neither tool forced: a file dialog that zenity fails to show is asked of kdialog, one the user
// cancelled is not.
struct ToolFallbackCase {
    const char* zenityStatus;
    const char* zenityErrors;
    const char* kdialogStatus;
    FileDialogResult result;
    std::vector<std::string> paths;
};

class ToolFallbackTest : public ::testing::TestWithParam<ToolFallbackCase> {
protected:
    void SetUp() override
    {
        WriteFakeTool(folder.Path(), "zenity", "ZENITY");
        WriteFakeTool(folder.Path(), "kdialog", "KDIALOG");
    }

    TemporaryFolder folder;
    ScopedEnvironmentVariable display{"DISPLAY", ":0"};
    ScopedEnvironmentVariable path{"PATH", folder.Path() + ":/usr/bin:/bin"};
    ScopedEnvironmentVariable dialogs{"VQ_DIALOGS", nullptr};
    ScopedEnvironmentVariable zenityOutput{"ZENITY_OUTPUT", "/x/Zenity.rkt4\n"};
    ScopedEnvironmentVariable zenityErrors{"ZENITY_ERRORS", GetParam().zenityErrors};
    ScopedEnvironmentVariable zenityStatus{"ZENITY_STATUS", GetParam().zenityStatus};
    ScopedEnvironmentVariable kdialogOutput{"KDIALOG_OUTPUT", "/x/KDialog.rkt4\n"};
    ScopedEnvironmentVariable kdialogErrors{"KDIALOG_ERRORS", ""};
    ScopedEnvironmentVariable kdialogStatus{"KDIALOG_STATUS", GetParam().kdialogStatus};
};

TEST_P(ToolFallbackTest, FileDialogFallsBackToTheNextToolOnlyWhenOneFails)
{
    const ToolFallbackCase& c = GetParam();
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.folder = "/";
    std::vector<std::string> paths{"stale"};
    EXPECT_EQ(ShowFileDialog(request, paths), c.result);
    EXPECT_EQ(paths, c.paths);
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, ToolFallbackTest,
    ::testing::Values(
        ToolFallbackCase{"0", "", "0", FileDialogResult::Chosen, {"/x/Zenity.rkt4"}},
        ToolFallbackCase{"1", "", "0", FileDialogResult::Cancelled, {}},
        ToolFallbackCase{"1", "(zenity:7): Gtk-WARNING **: cannot open display: :0\n", "0", FileDialogResult::Chosen,
                         {"/x/KDialog.rkt4"}},
        ToolFallbackCase{"killed", "", "0", FileDialogResult::Chosen, {"/x/KDialog.rkt4"}},
        ToolFallbackCase{"255", "", "1", FileDialogResult::Cancelled, {}},
        ToolFallbackCase{"255", "", "255", FileDialogResult::Failed, {}}));

} // namespace
} // namespace VQ::Platform

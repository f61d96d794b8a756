#include "platform/dialogs/ChildProcess.h"

#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <pthread.h>
#include <string>
#include <sys/wait.h>

namespace VQ::Platform {
namespace {

using test::ScopedEnvironmentVariable;

ChildProcessResult Shell(const std::string& script)
{
    return RunChildProcess({"sh", "-c", script});
}

TEST(ChildProcessTest, CollectsBothStreamsAndTheExitStatus)
{
    const ChildProcessResult result = Shell("printf 'out\\n'; printf err >&2; exit 3");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.output, "out\n");
    EXPECT_EQ(result.errors, "err");
}

TEST(ChildProcessTest, ArgumentsReachTheProgramUnchangedWithoutAShell)
{
    const std::vector<std::string> arguments{"a b", "$HOME", "'\"", ";exit 7", "", "line\nbreak", "*"};
    std::vector<std::string> command{"printf", "[%s]"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const ChildProcessResult result = RunChildProcess(command);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "[a b][$HOME]['\"][;exit 7][][line\nbreak][*]");
}

TEST(ChildProcessTest, ReadsLargeOutputsOfBothStreamsWhateverTheOrder)
{
    // A runner that reads one stream to its end first would wait forever on a full other pipe.
    const ChildProcessResult result =
        Shell("head -c 1048576 /dev/zero >&2; head -c 3000000 /dev/zero; head -c 70000 /dev/zero >&2");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output.size(), 3000000u);
    EXPECT_EQ(result.errors.size(), 1048576u + 70000u);
}

TEST(ChildProcessTest, StandardInputIsEmpty)
{
    const ChildProcessResult result = RunChildProcess({"cat"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "");
}

TEST(ChildProcessTest, AProgramThatCannotBeStartedIsReportedSo)
{
    EXPECT_FALSE(RunChildProcess({"vq-no-such-program"}).started);
    EXPECT_FALSE(RunChildProcess({"/"}).started);
    EXPECT_FALSE(RunChildProcess({}).started);
    // Started but failed is something else.
    const ChildProcessResult failed = Shell("exit 127");
    EXPECT_TRUE(failed.started);
    EXPECT_EQ(failed.exitStatus, 127);
}

TEST(ChildProcessTest, ProgramEndedBySignalHasNoExitStatus)
{
    const ChildProcessResult result = Shell("kill -TERM $$");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, -1);
}

TEST(ChildProcessTest, SignalsTheCallingThreadBlocksAreNotBlockedInTheProgram)
{
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    sigset_t previous;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &terminate, &previous), 0);
    const ChildProcessResult result = Shell("kill -TERM $$; exit 0");
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(result.exitStatus, -1) << "SIGTERM stayed blocked in the child";
}

TEST(ChildProcessTest, DoesNotWaitForADaemonThatKeepsThePipesOpen)
{
    const ChildProcessResult result = Shell("sleep 300 & echo $!");
    ASSERT_EQ(result.exitStatus, 0);
    const pid_t daemon = std::atoi(result.output.c_str());
    ASSERT_GT(daemon, 0);
    // Still running: the runner came back while the daemon held the pipes.
    EXPECT_EQ(kill(daemon, SIGKILL), 0);
}

TEST(ChildProcessTest, FindsProgramsOnPathAsTheRunnerStartsThem)
{
    const std::string shell = FindProgramOnPath("sh");
    ASSERT_FALSE(shell.empty());
    EXPECT_EQ(shell.front(), '/');
    EXPECT_EQ(std::filesystem::path(shell).filename(), "sh");
    EXPECT_EQ(FindProgramOnPath(shell), shell);
    EXPECT_EQ(FindProgramOnPath("vq-no-such-program"), "");
    EXPECT_EQ(FindProgramOnPath("/etc/passwd"), "") << "not executable";
    EXPECT_EQ(FindProgramOnPath(""), "");

    const std::string folder = std::filesystem::temp_directory_path().string();
    ScopedEnvironmentVariable path("PATH", folder + ":" + std::filesystem::path(shell).parent_path().string());
    EXPECT_EQ(FindProgramOnPath("sh"), shell);
    ScopedEnvironmentVariable noPath("PATH", folder);
    EXPECT_EQ(FindProgramOnPath("sh"), "");
    EXPECT_FALSE(RunChildProcess({"sh", "-c", "exit 0"}).started);
}

} // namespace
} // namespace VQ::Platform

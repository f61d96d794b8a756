#include "tests/support/XvfbDisplay.h"

#include "platform/dialogs/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace VQ::test {

namespace {

// Generous: a loaded machine may be slow to start the server, or to stop it.
constexpr auto StartWait = std::chrono::seconds(30);
constexpr int StopWaitMs = 10000;
constexpr size_t LogShown = 2000;

// Above the descriptors the child sets up, and closed on exec.
int MovedHigh(int fd)
{
    if (fd < 0 || fd >= 10)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return moved;
}

bool WaitForExit(pid_t pid, int timeoutMs)
{
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (process < 0)
        return false;
    pollfd ready{process, POLLIN, 0};
    int result;
    do
        result = poll(&ready, 1, timeoutMs);
    while (result < 0 && errno == EINTR);
    close(process);
    return result == 1;
}

void Reap(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// The server's display number, written by it to the pipe once it takes connections; empty when it
// ends or stays silent first.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + StartWait;
    while (number.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::string();
        pollfd ready{fd, POLLIN, 0};
        const int result = poll(&ready, 1, static_cast<int>(left.count()));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return std::string();
        char buffer[32];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return std::string();
        number.append(buffer, static_cast<size_t>(count));
    }
    number.resize(number.find('\n'));
    return number;
}

} // namespace

XvfbDisplay::XvfbDisplay()
{
    Start();
    if (IsRunning()) {
        m_display.emplace("DISPLAY", m_name);
        m_waylandDisplay.emplace("WAYLAND_DISPLAY", nullptr);
    }
}

XvfbDisplay::~XvfbDisplay()
{
    Stop();
    m_waylandDisplay.reset();
    m_display.reset();
    if (!m_logPath.empty()) {
        std::error_code error;
        std::filesystem::remove(m_logPath, error);
    }
}

void XvfbDisplay::Start()
{
    const std::string program = Platform::FindProgramOnPath("Xvfb");
    if (program.empty()) {
        m_missing = true;
        m_problem = "Xvfb is not installed (no Xvfb on PATH)";
        return;
    }
    // The server's chatter goes to a file: a pipe nobody reads any more would stop it.
    std::string logPath = (std::filesystem::temp_directory_path() / "vq-xvfb-XXXXXX.log").string();
    const int log = MovedHigh(mkostemps(logPath.data(), 4, O_CLOEXEC));
    if (log < 0)
        return Fail("cannot make a log file for Xvfb");
    m_logPath = logPath;
    const int input = MovedHigh(open("/dev/null", O_RDONLY | O_CLOEXEC));
    int ends[2] = {-1, -1};
    if (input < 0 || pipe2(ends, O_CLOEXEC) != 0) {
        close(log);
        if (input >= 0)
            close(input);
        return Fail("cannot make a pipe for Xvfb");
    }
    const int numberRead = MovedHigh(ends[0]);
    const int numberWrite = MovedHigh(ends[1]);

    const std::vector<std::string> arguments{program, "-displayfd", "3", "-screen", "0", "1024x768x24",
                                             "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    sigset_t none;
    sigemptyset(&none);
    const pid_t parent = getpid();
    // fork rather than posix_spawn: only a child of our own can ask to be stopped with its parent.
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        if (numberRead < 0 || numberWrite < 0 || dup2(input, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0 ||
            dup2(numberWrite, 3) < 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(log);
    close(input);
    if (numberWrite >= 0)
        close(numberWrite);
    if (pid < 0) {
        if (numberRead >= 0)
            close(numberRead);
        return Fail("cannot start Xvfb");
    }
    m_pid = pid;
    const std::string number = numberRead >= 0 ? ReadDisplayNumber(numberRead) : std::string();
    if (numberRead >= 0)
        close(numberRead);
    if (number.empty())
        return Fail("Xvfb did not report a display within 30 s, or ended first");
    m_name = ":" + number;
}

void XvfbDisplay::Fail(const std::string& problem)
{
    Stop();
    m_problem = problem;
    std::ifstream file(m_logPath);
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (log.size() > LogShown)
        log.erase(0, log.size() - LogShown);
    if (!log.empty())
        m_problem += "; its output:\n" + log;
}

void XvfbDisplay::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    // Without a way to wait boundedly, no waiting: SIGKILL always ends it.
    if (!WaitForExit(m_pid, StopWaitMs))
        kill(m_pid, SIGKILL);
    Reap(m_pid);
    m_pid = -1;
}

} // namespace VQ::test

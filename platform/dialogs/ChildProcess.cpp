#include "platform/dialogs/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace VQ::Platform {

namespace {

// How long the runner waits on the pipes before it looks whether the program has exited: a daemon
// the program started may hold the pipes open long after.
constexpr int ExitCheckMs = 50;

class FileDescriptor {
public:
    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    void Reset(int fd)
    {
        Close();
        m_fd = fd;
    }
    void Close()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

// Both ends lie above the standard streams, so the child's dup2 onto them always makes a copy that
// survives the exec; the originals close on exec.
bool MakePipe(FileDescriptor& readEnd, FileDescriptor& writeEnd)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    readEnd.Reset(ends[0]);
    writeEnd.Reset(ends[1]);
    for (FileDescriptor* end : {&readEnd, &writeEnd}) {
        if (end->Get() < 3)
            end->Reset(fcntl(end->Get(), F_DUPFD_CLOEXEC, 3));
        if (!end->IsOpen())
            return false;
    }
    // Only our end: the child's end is a description of its own and stays blocking.
    return fcntl(readEnd.Get(), F_SETFL, fcntl(readEnd.Get(), F_GETFL) | O_NONBLOCK) == 0;
}

// Appends what the pipe holds now; false once it is at its end (or broken).
bool ReadAvailable(int fd, std::string& into)
{
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, static_cast<size_t>(count));
            continue;
        }
        if (count == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

int ExitStatusOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SpawnSettings {
public:
    SpawnSettings()
    {
        m_ready = posix_spawn_file_actions_init(&m_actions) == 0;
        if (!m_ready)
            return;
        m_ready = posix_spawnattr_init(&m_attributes) == 0;
        m_attributesReady = m_ready;
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    ~SpawnSettings()
    {
        if (m_attributesReady)
            posix_spawnattr_destroy(&m_attributes);
        posix_spawn_file_actions_destroy(&m_actions);
    }

    bool Prepare(int outputFd, int errorsFd)
    {
        // The caller's thread may block signals and the process ignore some (SIGPIPE); the child
        // starts with neither, so it can be stopped and sees its broken pipes.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return m_ready && posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
               posix_spawn_file_actions_adddup2(&m_actions, outputFd, 1) == 0 &&
               posix_spawn_file_actions_adddup2(&m_actions, errorsFd, 2) == 0 &&
               posix_spawnattr_setsigmask(&m_attributes, &none) == 0 &&
               posix_spawnattr_setsigdefault(&m_attributes, &all) == 0 &&
               posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }

    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }
    const posix_spawnattr_t* Attributes() const { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
    bool m_ready = false;
    bool m_attributesReady = false;
};

bool IsExecutableFile(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

ChildProcessResult RunChildProcess(const std::vector<std::string>& arguments)
{
    ChildProcessResult result;
    if (arguments.empty())
        return result;
    FileDescriptor outputRead, outputWrite, errorsRead, errorsWrite;
    if (!MakePipe(outputRead, outputWrite) || !MakePipe(errorsRead, errorsWrite))
        return result;
    SpawnSettings settings;
    if (!settings.Prepare(outputWrite.Get(), errorsWrite.Get()))
        return result;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], settings.Actions(), settings.Attributes(), argv.data(), environ) != 0)
        return result;
    result.started = true;
    outputWrite.Close();
    errorsWrite.Close();

    FileDescriptor* pipes[] = {&outputRead, &errorsRead};
    std::string* targets[] = {&result.output, &result.errors};
    for (;;) {
        pollfd ready[2];
        nfds_t count = 0;
        for (FileDescriptor* pipe : pipes) {
            if (pipe->IsOpen())
                ready[count++] = pollfd{pipe->Get(), POLLIN, 0};
        }
        if (count > 0 && poll(ready, count, ExitCheckMs) < 0 && errno != EINTR)
            break;
        for (size_t i = 0; i < 2; ++i) {
            if (pipes[i]->IsOpen() && !ReadAvailable(pipes[i]->Get(), *targets[i]))
                pipes[i]->Close();
        }
        int status = 0;
        // Blocking once both pipes are at their end: nothing else is left to wait for.
        const pid_t done = waitpid(pid, &status, outputRead.IsOpen() || errorsRead.IsOpen() ? WNOHANG : 0);
        if (done == pid) {
            result.exitStatus = ExitStatusOf(status);
            // Everything the program wrote before it exited is in the pipes by now.
            for (size_t i = 0; i < 2; ++i) {
                if (pipes[i]->IsOpen())
                    ReadAvailable(pipes[i]->Get(), *targets[i]);
            }
            return result;
        }
        if (done < 0 && errno != EINTR)
            return result;
    }
    // poll itself failed: the program is still waited for, so it is not left behind unreaped. The
    // pipes are closed first: a program blocked writing to a full one would otherwise never end.
    outputRead.Close();
    errorsRead.Close();
    int status = 0;
    pid_t done;
    do
        done = waitpid(pid, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done == pid)
        result.exitStatus = ExitStatusOf(status);
    return result;
}

std::string FindProgramOnPath(std::string_view name)
{
    if (name.empty())
        return std::string();
    if (name.find('/') != std::string_view::npos)
        return IsExecutableFile(std::string(name)) ? std::string(name) : std::string();
    const char* variable = std::getenv("PATH");
    // The search posix_spawnp makes without PATH.
    const std::string_view path = variable ? variable : "/bin:/usr/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(path.find(':', start), path.size());
        std::string folder(path.substr(start, end - start));
        // An empty entry is the current folder.
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + std::string(name);
        if (IsExecutableFile(candidate))
            return candidate;
        if (end == path.size())
            return std::string();
        start = end + 1;
    }
}

} // namespace VQ::Platform

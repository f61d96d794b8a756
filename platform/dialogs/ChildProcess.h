// Runs a helper program to its end and collects what it writes, for the platform services that drive
// desktop tools: the arguments reach the program as they are (no shell), standard input is empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

struct ChildProcessResult {
    // False when the program could not be started (not found, not executable, out of resources).
    bool started = false;
    // The status the program exited with; -1 when a signal ended it.
    int exitStatus = -1;
    std::string output;
    std::string errors;
};

// arguments[0] names the program, looked up on PATH when it holds no '/'. Waits for the program to
// exit; what it still writes to inherited pipes after that (a daemon it started) is not waited for.
ChildProcessResult RunChildProcess(const std::vector<std::string>& arguments);

// The path of the executable file that starting the program by this name would run, looked up on
// PATH as RunChildProcess does; empty when there is none.
std::string FindProgramOnPath(std::string_view name);

} // namespace VQ::Platform

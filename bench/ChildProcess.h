#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace ondrel::bench {

// A program run by the benchmark, with its standard output on a pipe. The child ends with
// the object: SIGTERM, a short grace period, then SIGKILL.
class ChildProcess {
public:
    // Starts argv[0] (a path) with the given arguments; the child inherits the environment.
    // Throws std::runtime_error when it cannot be started.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output without its newline. Throws when none arrives before
    // the deadline or the output ends first.
    std::string ReadLine(std::chrono::milliseconds timeout);

    // Everything left on standard output until the child closes it, then the exit code
    // (128 + signal when a signal ended it). Throws when that takes longer than timeout.
    int Finish(std::chrono::milliseconds timeout, std::string& rest);

    pid_t Pid() const { return pid; }

private:
    int Reap();
    void Terminate();

    pid_t pid = -1;
    int outputFd = -1;
    std::string pending; // read but not yet returned
};

} // namespace ondrel::bench

#pragma once

// A program that a test or the benchmark starts, with its standard output on a pipe; the
// child ends with the object (SIGTERM, a bounded wait, then SIGKILL).

#include <sys/types.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ondrel::testsupport {

class ChildProcess {
public:
    // Starts argv[0] (a path) with the given arguments; the child inherits the environment
    // and standard error, but no other descriptor. Throws std::runtime_error when it cannot
    // be started.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output without its newline. Throws when none arrives before
    // the deadline or the output ends first.
    std::string ReadLine(std::chrono::milliseconds timeout);

    // From now on the output is read and dropped on a thread of its own, so that a child
    // that lives long never blocks on a full pipe.
    void DiscardOutput();

    // Everything left on standard output until the child closes it, then the exit code
    // (128 + signal when a signal ended it). Throws when that takes longer than `timeout`.
    int Finish(std::chrono::milliseconds timeout, std::string& rest);

    // SIGTERM, then SIGKILL when the child has not ended after `grace`; the exit code, or
    // 128 + signal. Later calls return the same code.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

    pid_t Pid() const { return pid; }

private:
    // Reads and drops output until the child closes it; false when the deadline came first.
    bool OutputEnds(std::chrono::steady_clock::time_point deadline);
    int Reap();

    std::string program;
    pid_t pid = -1;
    int outputFd = -1;
    std::string pending; // read but not yet returned
    std::optional<int> exitCode;
    std::thread discarder;
    std::future<void> discarded; // ready when the discarder met the end of the output
};

} // namespace ondrel::testsupport

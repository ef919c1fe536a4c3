#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace ondrel::testsupport {

namespace {
using Clock = std::chrono::steady_clock;

// Waits for output until the deadline; false when the deadline passed first.
bool WaitReadable(int fd, Clock::time_point deadline)
{
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

// One read into `into`; false at the end of the output (or when it cannot be read).
bool ReadSome(int fd, std::string* into)
{
    char buffer[4096];
    ssize_t n;
    do {
        n = read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 0 && into != nullptr) {
        into->append(buffer, static_cast<std::size_t>(n));
    }
    return n > 0;
}

int ExitCode(int status)
{
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}
} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args)
    : program(args.at(0))
{
    int fds[2];
    // Close-on-exec keeps the pipe out of any other child the process starts.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error(program + ": pipe failed: " + std::strerror(errno));
    }
    outputFd = fds[0];
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& arg : copy) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // posix_spawn, not fork: the parent may already run threads of its own.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The parent's sockets stay out of the child, so that closing them really closes them.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(outputFd);
        outputFd = -1;
        pid = -1;
        throw std::runtime_error(program + ": cannot start: " + std::strerror(spawned));
    }
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const auto newline = pending.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            return line;
        }
        if (!WaitReadable(outputFd, deadline)) {
            throw std::runtime_error(program + ": no output line within " + std::to_string(timeout.count())
                                     + " ms; got: " + pending);
        }
        if (!ReadSome(outputFd, &pending)) {
            throw std::runtime_error(program + ": output ended before a full line; got: " + pending);
        }
    }
}

void ChildProcess::DiscardOutput()
{
    if (discarder.joinable() || outputFd < 0) {
        return;
    }
    pending.clear();
    std::promise<void> ended;
    discarded = ended.get_future();
    discarder = std::thread([fd = outputFd, ended = std::move(ended)]() mutable {
        while (ReadSome(fd, nullptr)) {
        }
        ended.set_value();
    });
}

int ChildProcess::Finish(std::chrono::milliseconds timeout, std::string& rest)
{
    const auto deadline = Clock::now() + timeout;
    do {
        if (!WaitReadable(outputFd, deadline)) {
            Stop(std::chrono::milliseconds(0));
            throw std::runtime_error(program + ": did not end within " + std::to_string(timeout.count()) + " ms");
        }
    } while (ReadSome(outputFd, &pending));
    rest = std::move(pending);
    pending.clear();
    exitCode = Reap();
    return Stop();
}

bool ChildProcess::OutputEnds(Clock::time_point deadline)
{
    if (discarder.joinable()) {
        return discarded.wait_until(deadline) == std::future_status::ready;
    }
    while (WaitReadable(outputFd, deadline)) {
        if (!ReadSome(outputFd, nullptr)) {
            return true;
        }
    }
    return false;
}

int ChildProcess::Reap()
{
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    pid = -1;
    return result < 0 ? -1 : ExitCode(status);
}

int ChildProcess::Stop(std::chrono::milliseconds grace)
{
    if (pid > 0) {
        // The child's output closes as it ends; one that keeps it open past the grace is
        // killed.
        kill(pid, SIGTERM);
        if (!OutputEnds(Clock::now() + grace)) {
            kill(pid, SIGKILL);
        }
        exitCode = Reap();
    }
    if (discarder.joinable()) {
        discarder.join(); // the output has ended with the child
    }
    if (outputFd >= 0) {
        close(outputFd);
        outputFd = -1;
    }
    return exitCode.value_or(-1);
}

} // namespace ondrel::testsupport

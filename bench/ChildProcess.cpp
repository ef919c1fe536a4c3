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

namespace ondrel::bench {

namespace {
using Clock = std::chrono::steady_clock;

std::runtime_error Failure(const std::string& program, const std::string& what)
{
    return std::runtime_error(program + ": " + what);
}

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
} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw Failure(args.at(0), std::string("pipe failed: ") + std::strerror(errno));
    }
    outputFd = fds[0];
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& arg : copy) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(outputFd);
        pid = -1;
        throw Failure(args.at(0), std::string("cannot start: ") + std::strerror(spawned));
    }
}

ChildProcess::~ChildProcess()
{
    Terminate();
    if (outputFd >= 0) {
        close(outputFd);
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
            throw Failure(std::to_string(pid), "no output line within " + std::to_string(timeout.count()) + " ms");
        }
        char buffer[4096];
        const ssize_t n = read(outputFd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw Failure(std::to_string(pid), "output ended before a full line; got: " + pending);
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

int ChildProcess::Finish(std::chrono::milliseconds timeout, std::string& rest)
{
    const auto deadline = Clock::now() + timeout;
    while (true) {
        if (!WaitReadable(outputFd, deadline)) {
            Terminate();
            throw Failure(std::to_string(pid), "did not end within " + std::to_string(timeout.count()) + " ms");
        }
        char buffer[4096];
        const ssize_t n = read(outputFd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    rest = std::move(pending);
    pending.clear();
    return Reap();
}

int ChildProcess::Reap()
{
    if (pid <= 0) {
        return -1;
    }
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    pid = -1;
    if (result < 0) {
        return -1;
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void ChildProcess::Terminate()
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    // The child's end closes its output; read until then, so that it never blocks on a
    // full pipe while it shuts down.
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    bool closed = false;
    while (!closed && WaitReadable(outputFd, deadline)) {
        char buffer[4096];
        const ssize_t n = read(outputFd, buffer, sizeof(buffer));
        closed = n == 0 || (n < 0 && errno != EINTR);
    }
    if (!closed) {
        kill(pid, SIGKILL);
    }
    Reap();
}

} // namespace ondrel::bench

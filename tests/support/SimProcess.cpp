#include "SimProcess.h"

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

std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error("SimProcess: " + what);
}

int ExitCodeOf(int status)
{
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}
} // namespace

std::string SimProcess::BinaryPath()
{
#ifdef ONDREL_SIM_PATH
    return ONDREL_SIM_PATH;
#else
    return "ondrel-sim";
#endif
}

SimProcess::SimProcess(const std::vector<std::string>& extraArgs, std::chrono::milliseconds startTimeout)
{
    int fds[2];
    // Close-on-exec keeps the pipe out of any other child the test process starts.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw Failure(std::string("pipe failed: ") + std::strerror(errno));
    }
    outputFd = fds[0];

    // Frames as fast as asked unless a test sets its own rate.
    std::vector<std::string> args { BinaryPath(), "--port", "0", "--fps", "0" };
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // posix_spawn, not fork: the test process may already run threads of its own.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Sockets of the test (a connected client, a scripted server) stay out of the child,
    // so that closing them in the test really closes them.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    const int spawned = posix_spawn(&childPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(outputFd);
        throw Failure("cannot start " + args[0] + ": " + std::strerror(spawned));
    }

    try {
        ReadAddressLine(startTimeout);
    } catch (...) {
        Stop(std::chrono::milliseconds(0));
        throw;
    }
    drainer = std::thread([this] { DrainOutput(); });
}

SimProcess::~SimProcess()
{
    Stop();
}

void SimProcess::ReadAddressLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string line;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            throw Failure("no address line within " + std::to_string(timeout.count()) + " ms");
        }
        pollfd pfd { outputFd, POLLIN, 0 };
        const int ready = poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue; // the deadline check above decides
        }
        // One byte at a time: nothing after the line may be taken from the pipe here.
        char c = 0;
        const ssize_t n = read(outputFd, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw Failure("simulator ended before announcing its address; output: " + line);
        }
        if (c == '\n') {
            break;
        }
        line += c;
    }

    const std::string prefix = "listening on ";
    const auto colon = line.rfind(':');
    if (line.rfind(prefix, 0) != 0 || colon == std::string::npos || colon <= prefix.size()) {
        throw Failure("unexpected first line: " + line);
    }
    hostName = line.substr(prefix.size(), colon - prefix.size());
    const std::string portText = line.substr(colon + 1);
    if (portText.empty() || portText.find_first_not_of("0123456789") != std::string::npos
        || std::stoul(portText) == 0 || std::stoul(portText) > 65535) {
        throw Failure("bad port in first line: " + line);
    }
    portNumber = static_cast<uint16_t>(std::stoul(portText));
}

void SimProcess::DrainOutput()
{
    char buffer[4096];
    while (true) {
        const ssize_t n = read(outputFd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
    }
    std::scoped_lock lock(mutex);
    outputClosed = true;
    outputClosedSignal.notify_all();
}

int SimProcess::Reap(bool block)
{
    if (exitCode) {
        return *exitCode;
    }
    int status = 0;
    pid_t result;
    do {
        result = waitpid(childPid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == childPid) {
        exitCode = ExitCodeOf(status);
        return *exitCode;
    }
    return -1;
}

std::optional<int> SimProcess::WaitForExit(std::chrono::milliseconds deadline)
{
    if (childPid <= 0) {
        return std::nullopt;
    }
    if (!exitCode && drainer.joinable()) {
        std::unique_lock lock(mutex);
        if (!outputClosedSignal.wait_for(lock, deadline, [this] { return outputClosed; })) {
            return std::nullopt;
        }
    }
    return Reap(true);
}

int SimProcess::Stop(std::chrono::milliseconds deadline)
{
    if (childPid <= 0) {
        return -1;
    }
    if (!exitCode) {
        kill(childPid, SIGTERM);
        bool ended = false;
        if (drainer.joinable()) {
            // The pipe closes when the simulator exits.
            std::unique_lock lock(mutex);
            ended = outputClosedSignal.wait_for(lock, deadline, [this] { return outputClosed; });
        }
        if (!ended) {
            kill(childPid, SIGKILL);
        }
        Reap(true);
    }
    if (drainer.joinable()) {
        drainer.join();
    }
    if (outputFd >= 0) {
        close(outputFd);
        outputFd = -1;
    }
    return *exitCode;
}

} // namespace ondrel::testsupport

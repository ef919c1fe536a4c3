#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <stdexcept>

extern char** environ;

namespace ondrel::testsupport {

namespace {
using Clock = std::chrono::steady_clock;

std::runtime_error Failure(const std::string& what) { return std::runtime_error("SimProcess: " + what); }

#ifdef ONDREL_SIM_PATH
const char* const kSimulator = ONDREL_SIM_PATH;
#else
const char* const kSimulator = "ondrel-sim";
#endif
} // namespace

SimProcess::SimProcess(const std::vector<std::string>& extraArgs, std::chrono::milliseconds startTimeout)
{
    int fds[2];
    // Close-on-exec keeps the pipe out of any other child the test process starts.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw Failure(std::string("pipe failed: ") + std::strerror(errno));
    }
    outputFd = fds[0];
    // Frames as fast as asked unless a test sets its own rate.
    std::vector<std::string> args{ kSimulator, "--port", "0", "--fps", "0" };
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
    // Sockets of the test stay out of the child, so that closing them really closes them.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    const int spawned = posix_spawn(&childPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(outputFd);
        throw Failure("cannot start " + args[0] + ": " + std::strerror(spawned));
    }

    // The first line, one byte at a time: nothing after it may be taken from the pipe here.
    const auto deadline = Clock::now() + startTimeout;
    std::string line;
    for (char c = 0; c != '\n';) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            Stop(std::chrono::milliseconds(0));
            throw Failure("no address line within " + std::to_string(startTimeout.count()) + " ms: " + line);
        }
        pollfd pfd{ outputFd, POLLIN, 0 };
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        const ssize_t n = read(outputFd, &c, 1);
        if (n <= 0 && errno != EINTR) {
            Stop(std::chrono::milliseconds(0));
            throw Failure("simulator ended before announcing its address; output: " + line);
        }
        line += n > 0 && c != '\n' ? std::string(1, c) : "";
    }
    std::smatch match;
    if (!std::regex_match(line, match, std::regex("listening on (.+):([0-9]{1,5})")) || std::stoul(match[2]) == 0
        || std::stoul(match[2]) > 65535) {
        Stop(std::chrono::milliseconds(0));
        throw Failure("unexpected first line: " + line);
    }
    hostName = match[1];
    portNumber = static_cast<uint16_t>(std::stoul(match[2]));
    drainer = std::thread([fd = outputFd] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        }
    });
}

int SimProcess::Stop(std::chrono::milliseconds deadline)
{
    if (!exitCode && childPid > 0) {
        kill(childPid, SIGTERM);
        const auto until = Clock::now() + deadline;
        int status = 0;
        // A bounded poll for the exit; the simulator usually ends within a few milliseconds.
        while (waitpid(childPid, &status, WNOHANG) == 0) {
            if (Clock::now() >= until) {
                kill(childPid, SIGKILL);
                waitpid(childPid, &status, 0);
                break;
            }
            pollfd none{};
            poll(&none, 0, 5);
        }
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (drainer.joinable()) {
        drainer.join(); // the pipe has closed with the simulator
    }
    if (outputFd >= 0) {
        close(outputFd);
        outputFd = -1;
    }
    return exitCode.value_or(-1);
}

} // namespace ondrel::testsupport

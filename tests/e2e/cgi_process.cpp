// cgi_process.cpp - fork, pipes and poll: the child gets the environment and input
// that a web server would give it; the parent feeds and drains the pipes together.

#include "e2e/cgi_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int kSanitizerExitCode = 86;  // distinct from the program's own statuses
constexpr int kTimeoutSeconds = 60;     // the child is killed after it

// A pipe whose ends close themselves.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    }
    ~Pipe() { closeEnd(0), closeEnd(1); }
    void closeEnd(int end) {
        if (fd[end] >= 0) ::close(fd[end]);
        fd[end] = -1;
    }
};

std::vector<std::string> environmentOf(const CgiRun& run) {
    std::vector<std::string> environment;
    for (const auto& [name, value] : run.environment) environment.push_back(name + "=" + value);
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        const char* value = std::getenv(name);
        std::string options = value ? value : "";
        if (std::strcmp(name, "LSAN_OPTIONS") != 0)
            options += (options.empty() ? "" : ":") + std::string("exitcode=") + std::to_string(kSanitizerExitCode);
        environment.push_back(std::string(name) + "=" + options);
    }
    return environment;
}

// In the child: wire the pipes to the standard streams and start the program.
[[noreturn]] void startChild(const CgiRun& run, Pipe& in, Pipe& out, Pipe& err,
                             std::vector<char*>& argv, std::vector<char*>& envp) {
    dup2(in.fd[0], STDIN_FILENO);
    dup2(out.fd[1], STDOUT_FILENO);
    dup2(err.fd[1], STDERR_FILENO);
    if (!run.workingDirectory.empty() && chdir(run.workingDirectory.c_str()) != 0) _exit(126);
    signal(SIGPIPE, SIG_DFL);
    execve(run.program.c_str(), argv.data(), envp.data());
    _exit(127);
}

// Reads what is available on fd into text; false at its end.
bool drain(int fd, std::string& text) {
    char buffer[65536];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    return got < 0 && (errno == EINTR || errno == EAGAIN);
}

}  // namespace

CgiResult runCgi(const CgiRun& run) {
    // A child that stops reading early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    Pipe in, out, err;
    std::vector<std::string> arguments{run.program};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> environment = environmentOf(run);
    std::vector<char*> argv, envp;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) startChild(run, in, out, err, argv, envp);
    in.closeEnd(0), out.closeEnd(1), err.closeEnd(1);
    fcntl(in.fd[1], F_SETFL, O_NONBLOCK);

    CgiResult result;
    std::size_t written = 0;
    if (run.input.empty()) in.closeEnd(1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
    while (out.fd[0] >= 0 || err.fd[0] >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd fds[3] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}, {in.fd[1], POLLOUT, 0}};
        if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        if (fds[0].revents && !drain(out.fd[0], result.out)) out.closeEnd(0);
        if (fds[1].revents && !drain(err.fd[0], result.err)) err.closeEnd(0);
        if (fds[2].revents) {
            ssize_t n = write(in.fd[1], run.input.data() + written, run.input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            // The child closed its input (it read all it wanted) or everything is written.
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == run.input.size())
                in.closeEnd(1);
        }
    }
    in.closeEnd(1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

std::string zoltgatePath() { return std::string(ZGW_BINARY_DIR) + "/zoltgate"; }

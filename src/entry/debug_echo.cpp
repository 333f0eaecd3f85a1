// debug_echo.cpp - running env for the diagnostic echo. The child is started directly
// (posix_spawn, no shell), reads nothing, and writes into a pipe that the parent copies
// into the response; so its output lands exactly where the response stands, whatever
// stream the response goes to, and nothing of the request reaches a command line.

#include "entry/debug_echo.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "cgi/debug_log.h"
#include "cgi/response.h"

extern char** environ;

namespace {

// A spawn file-action list that destroys itself.
struct FileActions {
    posix_spawn_file_actions_t actions;
    bool ready = posix_spawn_file_actions_init(&actions) == 0;
    ~FileActions() {
        if (ready) posix_spawn_file_actions_destroy(&actions);
    }
};

// Copies everything readable from fd into the response, up to its end.
void copyToResponse(int fd) {
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) writeResponse(std::string_view(buffer, static_cast<std::size_t>(got)));
        else if (got == 0 || errno != EINTR) break;
    }
}

}  // namespace

bool writeDebugEcho() {
    writeResponse("Content-Type: text/plain\n\n");
    flushResponse();

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    FileActions files;
    bool arranged = files.ready &&
                    posix_spawn_file_actions_addopen(&files.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
                    posix_spawn_file_actions_adddup2(&files.actions, pipeEnds[1], STDOUT_FILENO) == 0;
    pid_t child = -1;
    char program[] = "env";
    char* argv[] = {program, nullptr};
    int spawned = arranged ? posix_spawn(&child, kEnvProgram, &files.actions, nullptr, argv, environ) : -1;
    ::close(pipeEnds[1]);
    if (spawned == 0) copyToResponse(pipeEnds[0]);
    ::close(pipeEnds[0]);
    if (spawned != 0) {
        if (debugOn()) debugLog("cgiParse: %s could not be run", kEnvProgram);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    flushResponse();
    return true;
}

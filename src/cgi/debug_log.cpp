// debug_log.cpp - the debug log: append-only, one flushed line per message, so
// that the log is complete up to the last line even when the process dies.

#include "cgi/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <ctime>

std::string debugFileName;
std::FILE* debugFile = nullptr;

void openDebugLog() {
    if (debugFile) return;
    if (debugFileName.empty()) return;
    debugFile = std::fopen(debugFileName.c_str(), "a");
    if (!debugFile) debugFileName.clear();
}

void openPrivateDebugLog() {
    if (debugFile) return;
    if (debugFileName.empty()) return;
    // Another user could plant the name as a link to one of our files, or as a file of
    // theirs to read every request's log: refuse both.
    int fd = open(debugFileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat info {};
    if (fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid())
        debugFile = fdopen(fd, "a");
    if (!debugFile) {
        if (fd >= 0) close(fd);
        debugFileName.clear();
    }
}

void closeDebugLog() {
    if (debugFile) std::fclose(debugFile);
    debugFile = nullptr;
    debugFileName.clear();
}

void debugLog(const char* format, ...) {
    if (!debugFile) return;
    char message[2048];  // the formatting buffer: longer messages are cut
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(debugFile, "%.2d:%.2d:%.2d %s\n", local.tm_hour, local.tm_min, local.tm_sec,
                 message);
    std::fflush(debugFile);
}

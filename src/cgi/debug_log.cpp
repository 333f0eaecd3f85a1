// debug_log.cpp - the debug log: append-only, one flushed line per message, so
// that the log is complete up to the last line even when the process dies.

#include "cgi/debug_log.h"

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

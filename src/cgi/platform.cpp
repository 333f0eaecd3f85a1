// platform.cpp - the platform calls on POSIX. A configuration file may name paths
// with backslashes as directory separators; directoryOf accepts both.

#include "cgi/platform.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

int startSocketLibrary() { return 0; }

void suppressErrorDialogs() {}

void setBinaryMode(std::FILE*) {}

std::string joinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

std::string directoryOf(std::string_view path) {
    auto cut = path.find_last_of("/\\");
    if (cut == std::string_view::npos) return {};
    return std::string(path.substr(0, cut + 1));
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) return joinPath(buffer.data(), "");
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
}

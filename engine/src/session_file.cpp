// session_file.cpp - the session file (ZDBS_SIF): written at login with the user,
// the process id and the start time; removed when the session ends. A backslash
// in the configured path separates directories like a slash, since the gateway
// joins the path with one.

#include "session_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>

#include "codes.h"
#include "error.h"
#include "rcs.h"
#include "zdb.h"

namespace zdb {

void writeSessionFile(const std::string& user) {
    auto configured = rcsLookup("ZDBS_SIF", ZDB_RCS_ALL);
    if (!configured || configured->empty()) return;
    std::string path = *configured;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.size() >= kSessionFilePathSize || path.find('\0') != std::string::npos)
        throw EngineError(kSessionFileFailed, path, "session file path too long");
    // O_NOFOLLOW: a symbolic link planted at the path must not redirect the write.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        throw EngineError(kSessionFileFailed, path, "open " + path + ": " + std::strerror(errno));
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (localtime_r(&now, &parts)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &parts);
    std::string text = "user=" + user + "\npid=" + std::to_string(getpid()) + "\nstarted=" + stamp + "\n";
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (!ok) {
        unlink(path.c_str());
        throw EngineError(kSessionFileFailed, path, "write " + path + " failed");
    }
    std::memcpy(g_sessionFilePath, path.c_str(), path.size() + 1);
}

void removeSessionFile() {
    if (g_sessionFilePath[0] == '\0') return;
    char path[kSessionFilePathSize];
    std::memcpy(path, g_sessionFilePath, kSessionFilePathSize);
    g_sessionFilePath[0] = '\0';
    unlink(path);
}

}  // namespace zdb

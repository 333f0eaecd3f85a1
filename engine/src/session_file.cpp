// session_file.cpp - the session file (ZDBS_SIF): created exclusively at login with
// the user, the process id and the start time; removed when the session ends. A
// backslash in the configured path separates directories like a slash, since the
// gateway joins the path with one.

#include "session_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "codes.h"
#include "error.h"
#include "rcs.h"
#include "zdb.h"

namespace zdb {
namespace {

constexpr size_t kMaxSessionFileBytes = 4096;

// The text of the regular file at `path` (at most kMaxSessionFileBytes), or nothing.
std::optional<std::string> smallRegularFile(const std::string& path) {
    // O_NONBLOCK: a FIFO planted at the path must not stop the login.
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::string text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<size_t>(info.st_size) <= kMaxSessionFileBytes) {
        text.resize(static_cast<size_t>(info.st_size));
        ssize_t got = read(fd, text.data(), text.size());
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    } else {
        close(fd);
        return std::nullopt;
    }
    close(fd);
    return text;
}

// True when `path` is a session file of this engine whose process has ended, or one
// left under this very process id by a killed process before the id came round
// again: replacing it loses nothing. Anything else at the path is not ours to touch.
bool isStaleSessionFile(const std::string& path) {
    auto text = smallRegularFile(path);
    if (!text || text->rfind("user=", 0) != 0) return false;
    size_t pidLine = text->find("\npid=");
    if (pidLine == std::string::npos) return false;
    const char* start = text->data() + pidLine + 5;
    const char* end = text->data() + text->size();
    pid_t pid = 0;
    auto [next, ec] = std::from_chars(start, end, pid);
    if (ec != std::errc() || pid <= 0 || std::string_view(next, static_cast<size_t>(end - next))
                                             .rfind("\nstarted=", 0) != 0 ||
        text->back() != '\n')
        return false;
    return pid == getpid() || (kill(pid, 0) != 0 && errno == ESRCH);
}

// Creates `path` exclusively; the descriptor, or -1 with errno set.
int createExclusively(const std::string& path) {
    // O_EXCL with O_CREAT also refuses a symbolic link at the path, dangling or not.
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

}  // namespace

void writeSessionFile(const std::string& user) {
    auto configured = rcsLookup("ZDBS_SIF", ZDB_RCS_ALL);
    if (!configured || configured->empty()) return;
    std::string path = *configured;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.size() >= kSessionFilePathSize || path.find('\0') != std::string::npos)
        throw EngineError(kSessionFileFailed, path, "session file path too long");
    int fd = createExclusively(path);
    if (fd < 0 && errno == EEXIST && isStaleSessionFile(path)) {
        unlink(path.c_str());
        fd = createExclusively(path);
    }
    if (fd < 0) {
        std::string reason = errno == EEXIST ? "the name exists and is not a session file of an "
                                               "ended process"
                                             : std::strerror(errno);
        throw EngineError(kSessionFileFailed, path, "create " + path + ": " + reason);
    }
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (localtime_r(&now, &parts)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &parts);
    std::string text = "user=" + user + "\npid=" + std::to_string(getpid()) + "\nstarted=" + stamp + "\n";
    struct stat info {};
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
              fstat(fd, &info) == 0;
    if (!ok) {
        close(fd);
        unlink(path.c_str());
        throw EngineError(kSessionFileFailed, path, "write " + path + " failed");
    }
    g_sessionFileDescriptor = fd;
    g_sessionFileDevice = info.st_dev;
    g_sessionFileInode = info.st_ino;
    std::memcpy(g_sessionFilePath, path.c_str(), path.size() + 1);
}

void unlinkOwnSessionFile(const char* path) {
    struct stat info {};
    if (lstat(path, &info) != 0) return;
    if (info.st_dev == g_sessionFileDevice && info.st_ino == g_sessionFileInode) unlink(path);
}

void removeSessionFile() {
    if (g_sessionFilePath[0] == '\0') return;
    char path[kSessionFilePathSize];
    std::memcpy(path, g_sessionFilePath, kSessionFilePathSize);
    g_sessionFilePath[0] = '\0';
    unlinkOwnSessionFile(path);
    close(g_sessionFileDescriptor);
    g_sessionFileDescriptor = -1;
}

}  // namespace zdb

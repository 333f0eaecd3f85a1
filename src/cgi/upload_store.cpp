// upload_store.cpp - the upload directory and the files in it. Everything is opened
// with O_NOFOLLOW and relative to the directory's descriptor; the directory must be a
// real directory of this user with no access for anyone else.

#include "cgi/upload_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cgi/ascii.h"
#include "cgi/cgi_failure.h"
#include "cgi/debug_log.h"

namespace {
constexpr std::size_t kMaxNameBytes = 255;  // longest file name the file systems take

// Ends the request with the upload failure (the reason goes to the debug log only).
[[noreturn]] void failUpload(const char* why) {
    if (debugOn()) debugLog("zgwcgi: upload refused: %s (%s)", why, std::strerror(errno));
    throw CgiFailure(kUploadFailureMessage);
}
}  // namespace

std::string agentFileName(std::string_view fileName, const char* userAgent) {
    std::string agent = userAgent ? userAgent : "";
    for (char& c : agent) c = asciiLower(c);
    if (agent.find("win") == std::string::npos) return std::string(fileName);
    auto cut = fileName.rfind('\\');
    return std::string(cut == std::string_view::npos ? fileName : fileName.substr(cut + 1));
}

std::string safeUploadName(std::string_view fileName) {
    // "../../etc/passwd" or "a\\..\\b" must not climb out: keep only the last component.
    auto cut = fileName.find_last_of("/\\");
    std::string_view base = cut == std::string_view::npos ? fileName : fileName.substr(cut + 1);
    if (base.empty() || base.size() > kMaxNameBytes) return {};
    if (base.find('\0') != std::string_view::npos) return {};
    if (base.find_first_not_of('.') == std::string_view::npos) return {};  // ".", "..", "..."
    return std::string(base);
}

UploadFile& UploadFile::operator=(UploadFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

UploadFile::~UploadFile() {
    if (fd_ >= 0) ::close(fd_);
}

void UploadFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) failUpload("write failed");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void UploadFile::close() {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) failUpload("close failed");
}

UploadDirectory::~UploadDirectory() {
    if (dirFd_ >= 0) ::close(dirFd_);
}

void UploadDirectory::open() {
    if (::mkdir(path_.c_str(), 0700) != 0 && errno != EEXIST) failUpload("cannot create directory");
    dirFd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd_ < 0) failUpload("cannot open directory");
    struct stat info {};
    // Another user may have made the directory first, to read or plant uploads: refuse it.
    if (fstat(dirFd_, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 077) != 0) {
        ::close(dirFd_);
        dirFd_ = -1;
        errno = EPERM;
        failUpload("directory is not ours alone");
    }
}

UploadFile UploadDirectory::create(const std::string& name) {
    if (dirFd_ < 0) open();
    // O_NONBLOCK: a FIFO planted under the name must fail at once, not block the request.
    int fd = ::openat(dirFd_, name.c_str(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) failUpload("cannot open file");
    UploadFile file(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        errno = EPERM;
        failUpload("not a regular file");
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) failUpload("cannot set mode");
    if (debugOn()) debugLog("zgwcgi: upload stored as %s/%s", path_.c_str(), name.c_str());
    return file;
}

// upload_store.h - where uploaded files go and under which names.
// Invariants: a browser's file name never places a file outside the upload directory,
// no symbolic link is ever followed, and the only file an upload may replace is an
// earlier upload of the same name (the directory is ours alone: mode 0700).
#pragma once

#include <string>
#include <string_view>

// The directory that receives uploads; created with mode 0700 on the first upload.
inline constexpr const char* kUploadDirectory = "/tmp/zgw_uploads";

// The file name that the entry carries: for an agent whose text holds "win" in any case,
// the part behind the last backslash (the browser sent the client's full path).
std::string agentFileName(std::string_view fileName, const char* userAgent);

// The name under which an upload is stored: the part behind the last "/" or backslash.
// Empty (the part is not stored) when that is empty, only dots, longer than 255 bytes,
// or holds a NUL byte.
std::string safeUploadName(std::string_view fileName);

// One upload being written. Write failures are reported, not ignored: a cut file is lost data.
class UploadFile {
public:
    UploadFile() = default;
    explicit UploadFile(int fd) : fd_(fd) {}
    UploadFile(UploadFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UploadFile& operator=(UploadFile&& other) noexcept;
    UploadFile(const UploadFile&) = delete;
    UploadFile& operator=(const UploadFile&) = delete;
    ~UploadFile();

    bool isOpen() const { return fd_ >= 0; }
    // Appends bytes to the file; throws CgiFailure when they cannot be written.
    void write(std::string_view bytes);
    // Closes the file; throws CgiFailure when the close reports a lost write.
    void close();

private:
    int fd_ = -1;  // open for writing, or -1
};

// The upload directory, opened once and then used by descriptor, so that it cannot be
// swapped for a link between the check and the use.
class UploadDirectory {
public:
    explicit UploadDirectory(std::string path) : path_(std::move(path)) {}
    UploadDirectory(const UploadDirectory&) = delete;
    UploadDirectory& operator=(const UploadDirectory&) = delete;
    ~UploadDirectory();

    // Creates (or replaces) the regular file `name`, a safeUploadName, in the directory.
    // Throws CgiFailure when the directory is not ours alone or the file cannot be made.
    UploadFile create(const std::string& name);

private:
    void open();

    std::string path_;  // the directory's path
    int dirFd_ = -1;    // open directory, or -1 before the first upload
};

// saved_state.cpp - a request that names a saved result (${ZGWIDS}) or a saved URL
// stack (${ZGWURLSAVE}) reads the file back from the page cache; a file that is gone
// is answered by the expiry rule (the application's redirect, else the error page).
// Invariant: only names of the forms this program writes are opened, inside the cache.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "cgi/response.h"
#include "cgi/text_pieces.h"
#include "entry/cache_names.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"

namespace {

constexpr const char* kExpired = " document has expired ";

enum class Saved { Result, UrlStack };

// An open file descriptor that closes itself.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The whole content of the regular file `name` + `suffix` in the cache directory, or
// nothing with the system error number in `error`. A link or anything but a regular
// file counts as missing: a FIFO planted in a slot directory would otherwise hold the
// request forever.
std::optional<std::string> readCacheFile(const zoltgw& gw, std::string_view name, const char* suffix,
                                         int& error) {
    std::string path(gw.findresult.cacheDir.view());
    path += '/';
    path += name;
    path += suffix;
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = ENOENT;
        return std::nullopt;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return text;
        } else if (errno != EINTR) {
            error = errno;
            return std::nullopt;
        }
    }
}

// The answer to a saved file that is gone: a redirect when the application has an
// expiry URL (the error page that follows is the redirect's body), else the error.
int applyExpiryRule(zoltgw& gw, Saved kind, int error) {
    gw.status = -1;
    auto& redirects = gw.findresult.expiredUrlTable;
    if (!redirects.empty()) {
        if (const StrBuf* url = findValueByName(redirects, gw.applName.view())) {
            writeResponse("Location: ");
            writeResponse(url->view());
            writeResponse("\n\n");
            flushResponse();
            return -1;
        }
    }
    if (kind == Saved::Result)
        return gw.failStep(kExpired + std::string(" (errno=") + std::to_string(error) + ")",
                           error_line::kSavedResultGone);
    return gw.failStep(kExpired, error_line::kUrlStackGone, nullptr);
}

}  // namespace

int zoltgw::readSavedResult(std::string_view value) {
    // "<position>.<slot>/<stamp>": the position of the record the link asks for and
    // the id file's name; a third piece is ignored.
    std::vector<std::string_view> pieces = splitPieces(value, ".");
    if (pieces.empty()) return failStep(kExpired, error_line::kSavedResultNoKey, nullptr);
    if (pieces.size() < 2) return failStep(kExpired, error_line::kSavedResultNoName, nullptr);
    std::string_view key = pieces[0];
    std::string_view name = pieces[1];

    // A name from the request is a path in the cache: anything but the form this
    // program writes ("../x", "/etc/x", "a\\b") is answered as if its file were gone.
    // So is a position that is not a plain number: it becomes an index into the ids.
    if (!isRecordPosition(key) || !isIdsName(name)) return applyExpiryRule(*this, Saved::Result, ENOENT);

    int error = 0;
    std::optional<std::string> text = readCacheFile(*this, name, ".ids", error);
    if (!text) return applyExpiryRule(*this, Saved::Result, error);

    status = readFarg(key, *text);
    if (status != 0) return status;
    // The position is an index into the saved ids: one past them would be read
    // outside the list (or taken for a broken run) when the record is shown, so it is
    // answered as an expired result. Position 0 of a result without ids is the page of
    // an empty result and stays valid.
    const int savedIds = findresult.rid.size();
    if (findresult.ris >= savedIds && !(findresult.ris == 0 && savedIds == 0)) {
        findresult.rid.clear();
        return applyExpiryRule(*this, Saved::Result, ENOENT);
    }
    skipFind = 1;  // the saved result replaces the search
    idsMode = 100;
    idsName = name;
    return 0;
}

int zoltgw::readSavedUrlStack(std::string_view value) {
    urlSaveName = value;
    if (!isUrlSaveName(value)) return applyExpiryRule(*this, Saved::UrlStack, ENOENT);

    int error = 0;
    std::optional<std::string> text = readCacheFile(*this, value, ".urs", error);
    if (!text) return applyExpiryRule(*this, Saved::UrlStack, error);

    readUrlStack(*text);
    if (findresult.debugEcho > 0)
        writeResponse("URL Stack Size: " + std::to_string(urlStack.size()) + "\n");
    return 0;
}

void zoltgw::readUrlStack(std::string_view text) {
    for (std::string_view entry : splitPieces(text, "}")) urlStack.add(StrBuf(entry));
}

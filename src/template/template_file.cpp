// template_file.cpp - prehtml: finding and reading the template the request names, naming
// the page in the cache (slot directory and stamp), the header and the page's id file.
// Invariant: a template name from the request opens nothing outside the configured
// template directories and the cache directory: absolute names and ".." are refused,
// and the file actually opened must lie, links resolved, inside its directory.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "cgi/response.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"

namespace fs = std::filesystem;

namespace {

// True for a name a request may give: not absolute, no "..", no backslash (another
// separator), no control character (a NUL would cut the name the system sees).
bool isSafeTemplateName(std::string_view name) {
    if (!name.empty() && name.front() == '/') return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name)
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

// The runs of letters and digits of the suffix list, in order.
std::vector<std::string> suffixesOf(std::string_view list) {
    std::vector<std::string> runs;
    std::string run;
    for (char c : list) {
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum) {
            run.push_back(c);
        } else if (!run.empty()) {
            runs.push_back(run);
            run.clear();
        }
    }
    if (!run.empty()) runs.push_back(run);
    return runs;
}

// True when `path` is a regular file that lies, every link resolved, inside `root` (the
// template directory it was built from): a link in that directory pointing elsewhere
// must not serve /etc/passwd as a page.
bool liesInside(const fs::path& path, const fs::path& root) {
    std::error_code error;
    fs::path file = fs::canonical(path, error);
    if (error || !fs::is_regular_file(file, error)) return false;
    fs::path base = fs::canonical(root, error);
    if (error) return false;
    auto [baseEnd, fileAt] = std::mismatch(base.begin(), base.end(), file.begin(), file.end());
    return baseEnd == base.end();
}

// Reads the whole file, CR LF line ends as LF (as a text-mode read gives them).
bool readTemplateFile(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string raw = bytes.str();
    text.clear();
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) text.push_back(raw[i]);
    return true;
}

}  // namespace

int TemplateEngine::findTemplate(std::string& opened) {
    const StrBuf& name = gw.findresult.htmlTemplate;
    // Refused whatever the configuration: without an application directory the name
    // would otherwise be joined to the cache directory, which is no template store.
    if (!isSafeTemplateName(name.view())) {
        StrBuf html("(S) File not found or open failed: ");
        appendHtmlEscaped(html, name.view());
        return gw.failStep(html.view(), error_line::kTemplateNameDots);
    }

    // The directory the file must lie in: the application's, or the current (cache)
    // directory when the application has none.
    std::string fileName;
    std::string path;
    fs::path root = fs::current_path();
    if (!gw.findresult.applDirTable.empty()) {
        fileName = name.str();
        if (const StrBuf* directory = findValueByName(gw.findresult.applDirTable, gw.applName.view())) {
            path = directory->str() + "/" + fileName;
            root = directory->str();
        }
    }

    std::string tried = path;
    if (fileName.find('.') == std::string::npos) {
        path += ".";
        tried = path;
        for (const std::string& suffix : suffixesOf(gw.findresult.zgwSuffix.view())) {
            if (liesInside(path + suffix, root) && readTemplateFile(path + suffix, templateText)) {
                opened = path + suffix;
                return 0;
            }
        }
    } else if (liesInside(path, root) && readTemplateFile(path, templateText)) {
        opened = path;
        return 0;
    }

    StrBuf html("(S) File not found or open failed result: ");
    appendHtmlEscaped(html, name.view());
    html.append(" file: ");
    appendHtmlEscaped(html, tried);
    html.append("*");
    return gw.failStep(html.view(), error_line::kTemplateNotFound);
}

void TemplateEngine::namePage() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    cacheSlot = std::to_string(local.tm_sec);
    // An existing slot directory, or one that cannot be made, is no failure: the id file
    // then reports its own.
    ::mkdir(cacheSlot.c_str(), 0700);
    pageStamp = std::to_string(static_cast<unsigned long long>(now)) + "_" + std::to_string(::getpid());
}

int TemplateEngine::writeIdFile() {
    gw.idsName = cacheSlot.str() + "/" + pageStamp.str();
    const std::string file = gw.findresult.cacheDir.str() + "/" + gw.idsName.str() + ".ids";
    // O_NOFOLLOW: a link planted in a shared slot directory must not redirect the write.
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        StrBuf html(" cannot open file ");
        appendHtmlEscaped(html, file);
        return gw.failStep(html.view(), error_line::kIdFileCreate);
    }
    std::string_view record = gw.getFarg();
    while (!record.empty()) {
        ssize_t written = ::write(fd, record.data(), record.size());
        if (written <= 0) break;
        record.remove_prefix(static_cast<std::size_t>(written));
    }
    ::close(fd);
    gw.idsMode = 100;
    return 0;
}

int TemplateEngine::prehtml() {
    std::string opened;
    if (findTemplate(opened) != 0) return -1;
    if (debugOn()) debugLog("prehtml: template %s", opened.c_str());

    namePage();
    if (!gw.commandLineMode) printHtmlHeader();
    if (gw.cacheGiven && gw.idsMode == 0 && writeIdFile() != 0) return -1;

    templatePos = 0;
    scan();
    flushResponse();
    return 0;
}

TemplateEngine::TemplateEngine(zoltgw& controller) : gw(controller) {}

// config_file.cpp - readConfig: reads the configuration file named by ZGW_CONF,
// enters the cache directory, names the engine's session file and takes the login
// cookies. Lines are read in pieces of at most 2,047 bytes, as a 2,048-byte line
// buffer would: a longer line goes on as the next line, with the next line number.

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "cgi/debug_log.h"
#include "cgi/entry_list.h"
#include "cgi/http_output.h"
#include "cgi/password_scramble.h"
#include "config/config_file.h"
#include "zdb.h"

namespace {

constexpr const char* kSourceUnit = "src/config/config_file";
constexpr std::size_t kLineBufferSize = 2048;   // bytes, terminator included
constexpr std::size_t kCookieBufferSize = 128;  // password cookie bytes, terminator included

// Reads the next line of file into line: at most kLineBufferSize - 1 bytes, up to and
// including a line feed; a carriage return before a line feed is dropped, as a text
// stream does. False at the end of the file.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int c;
    while (line.size() < kLineBufferSize - 1 && (c = std::getc(file)) != EOF) {
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n') c = '\n';
            else if (next != EOF) std::ungetc(next, file);
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

// The part of a line that counts: a "#" ends it, unless a double quote stands just
// before the first "#" (a quoted message may begin with "#"); then it stays whole.
std::string_view withoutComment(std::string_view line) {
    std::size_t hash = line.find('#');
    if (hash == std::string_view::npos || (hash > 0 && line[hash - 1] == '"')) return line;
    return line.substr(0, hash);
}

// Sets `error` to the message (HTML) and this unit's line; returns -1.
int fail(ConfigError& error, StrBuf html, int line) {
    error.html = std::move(html);
    error.unit = kSourceUnit;
    error.line = line;
    return -1;
}

// The "file not found" failure with the path, escaped, in square brackets.
int failOpen(ConfigError& error, std::string_view path, int line) {
    StrBuf html("(S) File not found or open failed [");
    appendHtmlEscaped(html, path);
    html.append("]");
    return fail(error, std::move(html), line);
}

// Replaces the configured user by the login cookies when both are there.
void takeLoginCookies(ConfigSettings& settings) {
    const Entry* user = findEntry(cookieEntries, "zgwuser");
    const Entry* password = findEntry(cookieEntries, "zgwpasswd");
    if (!user || !password) return;
    // The cookie is cut to the 128-byte buffer it was always read into; the
    // scrambling never writes more than 66 characters.
    std::string_view scrambled(password->value);
    scrambled = scrambled.substr(0, kCookieBufferSize - 1);
    settings.userName = StrBuf(user->value);
    settings.password = StrBuf(unscramblePassword(scrambled));
}

}  // namespace

int readConfig(ConfigSettings& settings, ConfigError& error) {
    const char* path = QueryRCS("ZGW_CONF", ZDB_RCS_ALL);
    if (!path || !*path)
        return fail(error, StrBuf("(S) ZGW_CONF not found in the ZOLT configuration file"), __LINE__);
    // A path cut to fit would name another file: a longer one is refused.
    if (std::string_view(path).size() > static_cast<std::size_t>(ConfigSettings::kConfigFileMax))
        return failOpen(error, path, __LINE__);
    settings.configFile = path;

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "r"), std::fclose);
    if (!file) {
        if (debugOn()) debugLog("Cannot open configuration file: %s", path);
        return failOpen(error, path, __LINE__);
    }

    std::string line;
    int lineNumber = 0;
    while (readLine(file.get(), line)) {
        ++lineNumber;
        if (line.front() == '#') continue;
        std::string_view text = withoutComment(line);
        if (text.empty() || text.front() == '\n') continue;
        if (parseConfigLine(settings, text, error) != 0) {
            // The unit and line stay: they name where the line was refused.
            error.html.append(" at line " + std::to_string(lineNumber) + " in file ");
            appendHtmlEscaped(error.html, settings.configFile.view());
            return -1;
        }
    }
    file.reset();

    if (!settings.cacheDir) return fail(error, StrBuf(" (S) cache directory missing "), __LINE__);
    if (chdir(settings.cacheDir->c_str()) != 0)
        return fail(error, StrBuf("(S) cache directory doesn't exist "), __LINE__);

    std::string sessionFile(settings.cacheDir->view());
    sessionFile += "/ZGW" + std::to_string(getpid()) + ".SIF";
    UpdateRCS("ZDBS_SIF", sessionFile.c_str());

    takeLoginCookies(settings);
    return 0;
}

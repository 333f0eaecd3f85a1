// cgi_input.cpp - choosing how the request arrives and reading it: multipart body,
// console, POST body or query string; then the cookies. The messages name this layer
// zgwcgi, as administrators find them in the web server's error log.

#include "cgi/cgi_input.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "cgi/debug_log.h"
#include "cgi/decoded_entry.h"
#include "cgi/multipart.h"
#include "cgi/upload_store.h"
#include "cgi/url_decode.h"

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;  // bytes asked of standard input at a time

// The CGI variable `name`, or null when the web server did not set it.
const char* environmentValue(const char* name) { return std::getenv(name); }

// True for the white space that may stand before a cookie's name.
bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The declared body length: leading decimal digits, 0 when there are none; a number too
// large for any body counts as the largest, so the read ends at the real end of input.
std::size_t parseContentLength(std::string_view text) {
    std::size_t length = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
    (void)end;
    if (error == std::errc::result_out_of_range) return std::numeric_limits<std::size_t>::max();
    if (error != std::errc()) return 0;
    return length;
}
}  // namespace

std::string readPostBody(std::FILE* input, std::string_view contentLength) {
    const std::size_t wanted = parseContentLength(contentLength);
    std::string body;
    while (body.size() < wanted) {
        std::size_t chunk = std::min(kReadChunk, wanted - body.size());
        std::size_t before = body.size();
        body.resize(before + chunk);
        std::size_t got = std::fread(body.data() + before, 1, chunk, input);
        body.resize(before + got);
        if (got < chunk) throw CgiFailure("caught by zgwcgi: input length < CONTENT_LENGTH\n");
    }
    return body;
}

std::string readConsoleRequest(std::FILE* input, std::FILE* console) {
    std::fputs("\n--- zgwcgi Interactive Mode ---\n", console);
    std::fputs("Enter CGI input string.  Remember to encode appropriate ", console);
    std::fputs("characters.\nPress ENTER when done:\n\n", console);
    std::string line;
    for (int c = std::getc(input); c != EOF && c != '\n'; c = std::getc(input))
        line.push_back(static_cast<char>(c));
    std::fputs("\n Input string: ", console);
    std::fwrite(line.data(), 1, line.size(), console);
    auto length = static_cast<long long>(line.size());
    std::fprintf(console, "\nString length: %lld\n", length);
    std::fputs("--- end zgwcgi Interactive Mode ---\n\n", console);
    return line;
}

int read_cgi_input() {
    const char* contentType = environmentValue("CONTENT_TYPE");
    if (contentType && std::strstr(contentType, "multipart/form-data")) {
        if (debugOn()) debugLog("zgwcgi: multipart request, CONTENT_TYPE %s", contentType);
        if (!environmentValue("CONTENT_LENGTH")) {
            list_create(cgiEntries);
            return 0;
        }
        return decodeMultipart(cgiEntries, stdin, contentType,
                               environmentValue("HTTP_USER_AGENT"), kUploadDirectory);
    }
    const char* method = environmentValue("REQUEST_METHOD");
    if (!method) {
        std::string line = readConsoleRequest(stdin, stderr);
        return decodeUrlEncoded(cgiEntries, line);
    }
    if (std::strcmp(method, "POST") == 0) {
        const char* contentLength = environmentValue("CONTENT_LENGTH");
        if (!contentLength) throw CgiFailure("caught by zgwcgi: CONTENT_LENGTH is null\n");
        std::string body = readPostBody(stdin, contentLength);
        if (debugOn()) debugLog("zgwcgi: POST body of %zu bytes", body.size());
        return decodeUrlEncoded(cgiEntries, body);
    }
    if (std::strcmp(method, "GET") == 0) {
        const char* query = environmentValue("QUERY_STRING");
        if (!query) throw CgiFailure("caught by zgwcgi: QUERY_STRING is null\n");
        // Only the length: the text may hold a clear password (passwd=...).
        if (debugOn()) debugLog("zgwcgi: GET query string of %zu bytes", std::strlen(query));
        return decodeUrlEncoded(cgiEntries, query);
    }
    throw CgiFailure("caught by zgwcgi: REQUEST_METHOD invalid\n");
}

int parseCookieText(EntryList& list, std::string_view text) {
    list_create(list);
    int count = 0;
    Entry* last = nullptr;
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && isWhiteSpace(text[i])) ++i;
        if (i >= text.size()) break;
        // A name ends at "=" or, for a cookie without one, at ";": "flag; zgwuser=anna"
        // is the cookies flag and zgwuser, not one cookie named "flag; zgwuser".
        std::size_t nameEnd = text.find_first_of("=;", i);
        if (nameEnd == std::string_view::npos) nameEnd = text.size();
        std::string_view name = text.substr(i, nameEnd - i);
        std::string_view value;
        std::size_t next = nameEnd;
        if (nameEnd < text.size() && text[nameEnd] == '=') {
            std::size_t valueEnd = text.find(';', nameEnd + 1);
            if (valueEnd == std::string_view::npos) valueEnd = text.size();
            value = text.substr(nameEnd + 1, valueEnd - nameEnd - 1);
            next = valueEnd;
        }
        last = insertDecoded(list, last, name, value, "zgwcgi: cookie");
        ++count;
        if (next >= text.size()) break;  // no further ";"
        i = next + 1;
    }
    return count;
}

int parse_cookies() {
    const char* cookies = environmentValue("HTTP_COOKIE");
    if (!cookies) {
        list_create(cookieEntries);
        return 0;
    }
    return parseCookieText(cookieEntries, cookies);
}

// http_output.cpp - the small writers of the response: characters for HTML, values
// for URLs, the script's own URL, cookies, the HTML header and numbers.
// The escape tables are constant, so a returned text stays valid for the whole process.

#include "cgi/http_output.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cgi/debug_log.h"
#include "cgi/response.h"

namespace {

// HTML 4 entity names of the ISO 8859-1 bytes 192 to 255; null for the two signs that
// are not letters (215 multiplication, 247 division), which pass unchanged.
constexpr const char* kLatin1Entities[64] = {
    "&Agrave;", "&Aacute;", "&Acirc;", "&Atilde;", "&Auml;", "&Aring;", "&AElig;", "&Ccedil;",
    "&Egrave;", "&Eacute;", "&Ecirc;", "&Euml;", "&Igrave;", "&Iacute;", "&Icirc;", "&Iuml;",
    "&ETH;", "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;", "&Otilde;", "&Ouml;", nullptr,
    "&Oslash;", "&Ugrave;", "&Uacute;", "&Ucirc;", "&Uuml;", "&Yacute;", "&THORN;", "&szlig;",
    "&agrave;", "&aacute;", "&acirc;", "&atilde;", "&auml;", "&aring;", "&aelig;", "&ccedil;",
    "&egrave;", "&eacute;", "&ecirc;", "&euml;", "&igrave;", "&iacute;", "&icirc;", "&iuml;",
    "&eth;", "&ntilde;", "&ograve;", "&oacute;", "&ocirc;", "&otilde;", "&ouml;", nullptr,
    "&oslash;", "&ugrave;", "&uacute;", "&ucirc;", "&uuml;", "&yacute;", "&thorn;", "&yuml;",
};

// Every byte as a one-character text (byte 0 as the empty text).
struct ByteTexts {
    std::array<std::array<char, 2>, 256> text{};
    constexpr ByteTexts() {
        for (int c = 0; c < 256; ++c) text[c] = {static_cast<char>(c), '\0'};
    }
};
constexpr ByteTexts kByteTexts;

// The entity of one of the five markup characters, or null.
const char* markupEntity(unsigned char c) {
    switch (c) {
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '\'': return "&#39;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        default: return nullptr;
    }
}

// The characters that a link's value must not carry as they are: they would end the
// attribute, start a fragment, a parameter or a query, or read as markup.
bool isUrlReserved(char c) {
    switch (c) {
        case '"': case '#': case '&': case ':': case ';': case '<': case '>': case '?': return true;
        default: return false;
    }
}

// Writes text with the five markup characters as entities.
void writeMarkupEscaped(std::string_view text) {
    for (char c : text) std::fputs(htmlMarkupChar(static_cast<unsigned char>(c)), responseStream());
}

// True for a byte that a Set-Cookie line cannot carry: a control character would end
// the header line (response splitting), ";" would start a cookie attribute.
bool breaksCookie(std::string_view text) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == ';') return true;
    }
    return false;
}

}  // namespace

const char* htmlChar(unsigned char c, int markup) {
    if (markup) {
        if (const char* entity = markupEntity(c)) return entity;
    }
    if (c >= 192 && kLatin1Entities[c - 192]) return kLatin1Entities[c - 192];
    return kByteTexts.text[c].data();
}

const char* htmlMarkupChar(unsigned char c) {
    if (const char* entity = markupEntity(c)) return entity;
    return kByteTexts.text[c].data();
}

void printUrlEncoded(std::string_view text) {
    std::FILE* out = responseStream();
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            std::fputc('+', out);
        } else if (byte > 127 || isUrlReserved(c)) {
            std::fprintf(out, "%%%X", byte);
        } else {
            std::fputc(c, out);
        }
    }
}

void printScriptUrl() {
    // Both values come from the request's URL path, which the web server has already
    // decoded: a path holding "><script> must not become markup in every link.
    const char* script = std::getenv("SCRIPT_NAME");
    const char* pathInfo = std::getenv("PATH_INFO");
    if (script) writeMarkupEscaped(script);
    if (pathInfo && (!script || std::strcmp(script, pathInfo) != 0)) writeMarkupEscaped(pathInfo);
}

int setCookie(std::string_view name, std::string_view value) {
    if (breaksCookie(name) || breaksCookie(value) || name.find('=') != std::string_view::npos) {
        if (debugOn())
            debugLog("zgwcgi: cookie %s not set: it holds a control character or ';'",
                     std::string(name).c_str());
        return 0;
    }
    std::FILE* out = responseStream();
    std::fputs("Set-Cookie: ", out);
    writeResponse(name);
    std::fputc('=', out);
    writeResponse(value);
    std::fputs("; path=/\r\n", out);
    return 1;
}

void printHtmlHeader() {
    std::fputs("Content-Type: text/html\n\n", responseStream());
    flushResponse();
}

void printNumber(int n) { std::fprintf(responseStream(), "%d", n); }

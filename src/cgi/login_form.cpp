// login_form.cpp - copying the login file to the response with its four variables
// replaced. The file is read in pieces of at most 511 characters; a variable split
// between two pieces is copied as it stands. Any other "${...}" is copied unchanged.

#include "cgi/login_form.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cgi/ascii.h"
#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "cgi/line_piece.h"
#include "cgi/response.h"
#include "cgi/strbuf.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes plain text escaped for HTML text and double-quoted attributes alike.
void writeEscaped(std::string_view text) {
    StrBuf escaped;
    appendHtmlEscaped(escaped, text);
    writeResponse(escaped.view());
}

// The value of the first entry named `first`, else of the first named `second`, else "".
std::string_view valueOf(const EntryList& request, std::string_view first, std::string_view second) {
    if (const Entry* entry = findEntry(request, first)) return entry->value;
    if (const Entry* entry = findEntry(request, second)) return entry->value;
    return {};
}

// One hidden field per request entry, in request order, but the user and password fields.
void writeHiddenFields(const EntryList& request) {
    for (const Entry* entry = request.first(); entry; entry = entry->next.get()) {
        bool dropped = asciiEqualNoCase(entry->name, "${USER}") || asciiEqualNoCase(entry->name, "${PWD}");
        if (debugOn()) debugLog("PrintPasswdForm: %s %s", dropped ? "drops" : "keeps", entry->name.c_str());
        if (dropped) continue;
        writeResponse("<INPUT type=\"hidden\" name=\"");
        writeEscaped(entry->name);
        writeResponse("\" value=\"");
        writeEscaped(entry->value);
        writeResponse("\">");
    }
}

// Writes one piece of the login file with its variables replaced.
void writePiece(std::string_view piece, std::string_view message, const EntryList& request) {
    std::size_t done = 0;  // piece[0, done) is written
    for (auto at = piece.find("${"); at != std::string_view::npos; at = piece.find("${", done)) {
        std::string_view rest = piece.substr(at);
        writeResponse(piece.substr(done, at - done));
        if (asciiStartsWithNoCase(rest, "${APPL}")) {
            writeEscaped(valueOf(request, "${APPL}", "${BASE}"));
            done = at + 7;
        } else if (asciiStartsWithNoCase(rest, "${BASE}")) {
            writeEscaped(valueOf(request, "${BASE}", "${APPL}"));
            done = at + 7;
        } else if (asciiStartsWithNoCase(rest, "${ERRMSG}")) {
            writeEscaped(message);
            done = at + 9;
        } else if (asciiStartsWithNoCase(rest, "${ZGWPARAM}")) {
            writeHiddenFields(request);
            done = at + 11;
        } else {
            auto close = piece.find('}', at);
            if (close == std::string_view::npos) {  // no "}": the rest is copied below
                done = at;
                break;
            }
            writeResponse(piece.substr(at, close + 1 - at));
            done = close + 1;
        }
    }
    writeResponse(piece.substr(done));
}

}  // namespace

void PrintPasswdForm(std::string_view loginFile, std::string_view message, const EntryList& request) {
    std::string path(loginFile);
    if (debugOn()) debugLog("PrintPasswdForm: login file %s", path.c_str());
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    writeResponse("Content-Type: text/html\n\n");
    if (!file) {
        if (debugOn()) debugLog("PrintPasswdForm: cannot open the login file");
        writeResponse("<HTML><BODY>File not found\n");
        writeEscaped(path);  // the path holds the request's application name
        writeResponse("</BODY></HTML>");
        flushResponse();
        return;
    }
    std::string piece;
    while (readLinePiece(file.get(), piece, kLoginPieceLimit)) writePiece(piece, message, request);
    flushResponse();
}

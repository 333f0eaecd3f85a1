// status_page.cpp - the one error response of a failed request (status 404).
// errorText is HTML: whoever put plain text into it escaped it there, once.

#include <cstdio>

#include "cgi/http_output.h"
#include "cgi/response.h"

void printStatusPage(std::string_view errorText, std::string_view errorFile, int errorLine,
                     int messageLevel) {
    std::FILE* out = responseStream();
    std::fprintf(out, "Status: %d %s\n", 404, "Not found");
    flushResponse();
    std::fputs("Content-Type: text/html\n\n", out);
    flushResponse();
    writeResponse("<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1>");
    writeResponse("<h2>");
    writeResponse(errorText);
    writeResponse("</h2>");
    if (errorLine >= 1 && messageLevel == 1) {
        writeResponse("<h3>");
        writeResponse(errorFile);
        std::fprintf(out, "(%d)", errorLine);
        writeResponse("</h3>");
    }
    writeResponse("</body></html>");
    flushResponse();
}

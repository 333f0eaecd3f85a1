// html_escape.cpp - the escaper for plain text that goes into a page: the five
// markup characters become entities, every other byte stays (UTF-8 safe).

#include "cgi/http_output.h"

void appendHtmlEscaped(StrBuf& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '"': out.append("&quot;"); break;
            case '&': out.append("&amp;"); break;
            case '\'': out.append("&#39;"); break;
            case '<': out.append("&lt;"); break;
            case '>': out.append("&gt;"); break;
            default: out.appendChar(c);
        }
    }
}

void appendHtmlText(StrBuf& out, std::string_view text, int encoding) {
    // Single-byte sets: every byte through htmlChar with markup (letters as entities);
    // multi-byte sets: only the markup bytes change, so no sequence is split.
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        out.append(encoding <= 3 ? htmlChar(byte, 1) : htmlMarkupChar(byte), -1);
    }
}

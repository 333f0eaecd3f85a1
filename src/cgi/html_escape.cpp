// html_escape.cpp - the escaper for plain text that goes into a page: the five
// markup characters become entities, every other byte stays (UTF-8 safe).

#include "cgi/http_output.h"

#include <array>

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

namespace {

// What htmlChar (single-byte sets) or htmlMarkupChar (the others) makes of each byte;
// null where the byte stays as it is. Built once: a page runs every byte of its
// records through here.
struct ByteEscapes {
    std::array<std::array<const char*, 256>, 2> text{};
    ByteEscapes() {
        for (int c = 0; c < 256; ++c) {
            auto byte = static_cast<unsigned char>(c);
            const char* forms[2] = {htmlMarkupChar(byte), htmlChar(byte, 1)};
            for (int single = 0; single < 2; ++single) {
                bool same = forms[single][0] == static_cast<char>(c) && c != 0 && forms[single][1] == '\0';
                text[single][byte] = same ? nullptr : forms[single];
            }
        }
    }
};

}  // namespace

void appendHtmlText(StrBuf& out, std::string_view text, int encoding) {
    // Single-byte sets: every byte through htmlChar with markup (letters as entities);
    // multi-byte sets: only the markup bytes change, so no sequence is split. The bytes
    // that stay are copied in runs.
    static const ByteEscapes escapes;
    const auto& table = escapes.text[encoding <= 3 ? 1 : 0];
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* escaped = table[static_cast<unsigned char>(text[i])];
        if (!escaped) continue;
        out.append(text.substr(run, i - run));
        out.append(escaped, -1);
        run = i + 1;
    }
    out.append(text.substr(run));
}

// link_value.cpp - the link-value encoder. Unlike printUrlEncoded, which leaves "+", "%"
// and "'" as they are (a search text "C++" would come back as "C  "), it keeps only the
// bytes that no decoder, attribute or URL reads as syntax.

#include "cgi/link_value.h"

#include "cgi/response.h"

namespace {

// True for a byte written as it stands: nothing between the gateway's decoder, an
// HTML attribute and a URL reads it as anything but itself.
bool keptAsItIs(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '-': case '_': case '.': case '~': case '/': case ',': case '*': return true;
        default: return false;
    }
}

}  // namespace

std::string linkValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        if (keptAsItIs(byte)) {
            out.push_back(c);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

void printLinkValue(std::string_view value) { writeResponse(linkValue(value)); }

// url_decode.cpp - the URL-encoded pair scanner. An "=" ends a lexeme only while a
// name is waiting for it, so a value may hold "=" (c=x=y is c with the value x=y).

#include "cgi/url_decode.h"

#include "cgi/ascii.h"
#include "cgi/debug_log.h"
#include "cgi/decoded_entry.h"

namespace {
// Value of one escape digit: letters count from 10 by their upper-case form, anything
// else by its distance from '0'; the arithmetic wraps at 256 like the bytes it makes.
unsigned hexDigitValue(char c) {
    auto code = static_cast<unsigned char>(c);
    if (code > 64) return (static_cast<unsigned char>(asciiUpper(c)) - 55u) & 0xFFu;
    return (code - 48u) & 0xFFu;
}
}  // namespace

std::string decodeLexeme(std::string_view lexeme) {
    std::string plain(lexeme);
    for (char& c : plain)
        if (c == '+') c = ' ';
    std::string out;
    out.reserve(plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == '%' && plain.size() - i >= 3) {
            unsigned byte = hexDigitValue(plain[i + 1]) * 16 + hexDigitValue(plain[i + 2]);
            out.push_back(static_cast<char>(byte & 0xFFu));
            i += 2;
        } else {
            out.push_back(plain[i]);
        }
    }
    return out;
}

int decodeUrlEncoded(EntryList& list, std::string_view input) {
    list_create(list);
    const std::size_t len = input.size();
    std::size_t i = 0;
    int count = 0;
    bool nameWaiting = false;
    std::string name;
    Entry* last = nullptr;
    while (i < len) {
        std::size_t start = i;
        while (i < len && input[i] != '&' && !(input[i] == '=' && !nameWaiting)) ++i;
        std::string lexeme = decodeLexeme(input.substr(start, i - start));
        if (!nameWaiting) {
            bool endedAtEquals = i < len && input[i] == '=';
            if (endedAtEquals && i != len - 1) {
                name = std::move(lexeme);
                nameWaiting = true;
            } else {
                last = insertDecoded(list, last, lexeme, "", "zgwcgi: entry");
                if (i < len && i == len - 1) return count + 1;  // "a=" or "a&" at the very end
                if (debugOn()) debugLog("zgwcgi: name without value, decoding stops");
                return -1;
            }
        } else {
            last = insertDecoded(list, last, name, lexeme, "zgwcgi: entry");
            ++count;
            nameWaiting = false;
        }
        ++i;  // the separator
    }
    return count;
}

// character_set.cpp - sequence lengths of the multi-byte character sets the session
// may use. A malformed sequence counts as single bytes, so a cut or a mark placed
// between "characters" of broken text still never lands inside a valid one.

#include "db/character_set.h"

#include "zdb.h"

namespace {

bool inRange(unsigned char byte, unsigned char low, unsigned char high) { return byte >= low && byte <= high; }

// The byte at `at`, or 0 past the end (0 is a trail byte of no set).
unsigned char byteAt(std::string_view text, std::size_t at) {
    return at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
}

std::size_t utf8Length(std::string_view text, std::size_t at) {
    unsigned char lead = byteAt(text, at);
    std::size_t length = inRange(lead, 0xC2, 0xDF) ? 2 : inRange(lead, 0xE0, 0xEF) ? 3
                       : inRange(lead, 0xF0, 0xF4) ? 4 : 1;
    for (std::size_t i = 1; i < length; ++i)
        if (!inRange(byteAt(text, at + i), 0x80, 0xBF)) return 1;
    return length;
}

std::size_t gbkLength(std::string_view text, std::size_t at) {
    if (!inRange(byteAt(text, at), 0x81, 0xFE)) return 1;
    unsigned char second = byteAt(text, at + 1);
    if (inRange(second, 0x30, 0x39)) {  // GB18030 four-byte form: lead, digit, lead, digit
        bool four = inRange(byteAt(text, at + 2), 0x81, 0xFE) && inRange(byteAt(text, at + 3), 0x30, 0x39);
        return four ? 4 : 1;
    }
    return inRange(second, 0x40, 0xFE) && second != 0x7F ? 2 : 1;
}

std::size_t eucJpLength(std::string_view text, std::size_t at) {
    unsigned char lead = byteAt(text, at);
    if (lead == 0x8E) return inRange(byteAt(text, at + 1), 0xA1, 0xDF) ? 2 : 1;  // half-width kana
    if (lead == 0x8F)                                                            // JIS X 0212
        return inRange(byteAt(text, at + 1), 0xA1, 0xFE) && inRange(byteAt(text, at + 2), 0xA1, 0xFE) ? 3 : 1;
    if (inRange(lead, 0xA1, 0xFE)) return inRange(byteAt(text, at + 1), 0xA1, 0xFE) ? 2 : 1;
    return 1;
}

std::size_t shiftJisLength(std::string_view text, std::size_t at) {
    unsigned char lead = byteAt(text, at);
    if (!inRange(lead, 0x81, 0x9F) && !inRange(lead, 0xE0, 0xFC)) return 1;
    unsigned char second = byteAt(text, at + 1);
    return (inRange(second, 0x40, 0x7E) || inRange(second, 0x80, 0xFC)) ? 2 : 1;
}

}  // namespace

bool isSingleByteSet(int encoding) {
    switch (encoding) {
        case ZDB_CHARSET_UTF8:
        case ZDB_CHARSET_GBK:
        case ZDB_CHARSET_EUCJP:
        case ZDB_CHARSET_SJIS: return false;
        default: return true;
    }
}

std::size_t characterLength(std::string_view text, std::size_t at, int encoding) {
    switch (encoding) {
        case ZDB_CHARSET_UTF8: return utf8Length(text, at);
        case ZDB_CHARSET_GBK: return gbkLength(text, at);
        case ZDB_CHARSET_EUCJP: return eucJpLength(text, at);
        case ZDB_CHARSET_SJIS: return shiftJisLength(text, at);
        default: return 1;
    }
}

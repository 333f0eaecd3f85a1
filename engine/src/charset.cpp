// charset.cpp - conversion with "?" for what a set cannot hold: Latin-1 and UTF-8
// by hand, the other sets through iconv. Latin-1 is the sessions' usual set, and in
// this static program iconv_open loads a gconv module and a second C library, which
// costs a request more than its search; by hand it converts exactly as iconv does.

#include "charset.h"

#include <algorithm>
#include <cerrno>

namespace zdb {
namespace {

// iconv's name of the set `code`, or null.
const char* iconvName(int code) {
    switch (code) {
    case 1: return "ISO-8859-1";
    case 2: return "ISO-8859-2";
    case 3: return "ISO-8859-3";
    case 16: return "UTF-8";
    case 18: return "GBK";
    case 19: return "EUC-JP";
    case 20: return "SHIFT_JIS";
    default: return nullptr;
    }
}

// Length of the valid UTF-8 sequence at the start of `text`, 0 when it is not one.
size_t validSequenceAt(std::string_view text) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    size_t length = utf8SequenceLength(lead);
    if (length == 1) return lead < 0x80 ? 1 : 0;
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    // Refuse overlong forms, surrogates and code points past U+10FFFF.
    if (length == 2 && lead < 0xC2) return 0;
    if (length == 3 && lead == 0xE0 && byte(1) < 0xA0) return 0;
    if (length == 3 && lead == 0xED && byte(1) >= 0xA0) return 0;
    if (length == 4 && lead == 0xF0 && byte(1) < 0x90) return 0;
    if (length == 4 && (lead > 0xF4 || (lead == 0xF4 && byte(1) >= 0x90))) return 0;
    return length;
}

// True for the valid four-byte sequence of a tag character, U+E0000 to U+E007F
// (F3 A0 80 80 to F3 A0 81 BF).
bool isTagCharacter(std::string_view sequence) {
    return static_cast<unsigned char>(sequence[0]) == 0xF3 && static_cast<unsigned char>(sequence[1]) == 0xA0 &&
           static_cast<unsigned char>(sequence[2]) <= 0x81;
}

// `utf8` in Latin-1: a valid character below U+0100 becomes its byte; any other
// character, and an invalid sequence (as long as its lead byte says, at most what is
// left), becomes one "?", as iconv's conversion with the skips of convert() gives.
std::string latin1FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t run = 0;  // start of the ASCII run not yet copied
    for (size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        out.append(utf8.substr(run, i - run));
        size_t length = validSequenceAt(utf8.substr(i));
        if (length == 2 && lead <= 0xC3) {
            out.push_back(static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F)));
        } else if (length == 4 && isTagCharacter(utf8.substr(i, 4))) {
            // iconv drops the tag characters U+E0000 to U+E007F instead of writing "?".
        } else {
            out.push_back('?');
            if (length == 0) length = std::min(utf8SequenceLength(lead), utf8.size() - i);
        }
        i += length;
        run = i;
    }
    out.append(utf8.substr(run));
    return out;
}

// Latin-1 `text` in UTF-8: every byte is the character of its value.
std::string utf8FromLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

}  // namespace

size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

bool isValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = validSequenceAt(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = validSequenceAt(text.substr(i));
        if (length == 0) {
            out.push_back('?');
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

Charset::Charset(int code) : code_(code) {
    const char* name = iconvName(code);
    if (!name) return;
    if (code == kUtf8 || code == kLatin1) {
        valid_ = true;
        return;
    }
    toSession_ = iconv_open(name, "UTF-8");
    toUtf8_ = iconv_open("UTF-8", name);
    valid_ = toSession_ != reinterpret_cast<iconv_t>(-1) && toUtf8_ != reinterpret_cast<iconv_t>(-1);
}

Charset::~Charset() {
    if (toSession_ != reinterpret_cast<iconv_t>(-1)) iconv_close(toSession_);
    if (toUtf8_ != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8_);
}

std::string Charset::convert(iconv_t cd, std::string_view in, bool fromUtf8) {
    std::string out;
    out.reserve(in.size() + 16);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());  // iconv's interface is not const-correct
    size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: the character at inPtr cannot be converted; skip it.
        out.push_back('?');
        size_t skip = fromUtf8 ? utf8SequenceLength(static_cast<unsigned char>(*inPtr)) : 1;
        if (skip > inLeft) skip = inLeft;
        inPtr += skip;
        inLeft -= skip;
    }
    return out;
}

std::string Charset::toSession(std::string_view utf8) const {
    if (isUtf8() || !valid_) return std::string(utf8);
    // Plain ASCII is the same in every set offered here.
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) { ascii = false; break; }
    if (ascii && code_ <= 3) return std::string(utf8);
    if (code_ == kLatin1) return latin1FromUtf8(utf8);
    return convert(toSession_, utf8, true);
}

std::string Charset::toUtf8(std::string_view text) const {
    if (isUtf8() || !valid_) return sanitizeUtf8(text);
    if (code_ == kLatin1) return utf8FromLatin1(text);
    return convert(toUtf8_, text, false);
}

std::optional<std::string> utf8FromNamedSet(const std::string& name, std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out = Charset::convert(cd, text, false);
    iconv_close(cd);
    return out;
}

size_t Charset::sessionLength(std::string_view utf8) const {
    if (isUtf8()) return utf8.size();
    return toSession(utf8).size();
}

}  // namespace zdb

// charset.h - conversion between the engine's UTF-8 and the session's character set.
// Text inside the engine is always UTF-8; a character that the session's set cannot
// hold becomes "?" on the way out, and bytes that are not valid input become "?" on
// the way in. Conversions never fail and never read past their input.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace zdb {

class Charset {
public:
    // The set with code `code` (1 Latin-1, 2 Latin-2, 3 Latin-3, 16 UTF-8, 18 GBK,
    // 19 EUC-JP, 20 Shift-JIS); false from valid() for any other code.
    explicit Charset(int code);
    ~Charset();
    Charset(const Charset&) = delete;
    Charset& operator=(const Charset&) = delete;

    bool valid() const { return valid_; }
    int code() const { return code_; }
    bool isUtf8() const { return code_ == kUtf8; }
    // UTF-8 text converted into the session's set.
    std::string toSession(std::string_view utf8) const;
    // Session text converted into UTF-8.
    std::string toUtf8(std::string_view text) const;
    // Bytes that `utf8` takes in the session's set.
    size_t sessionLength(std::string_view utf8) const;

private:
    static constexpr int kLatin1 = 1;  // converted by hand, without iconv
    static constexpr int kUtf8 = 16;   // the engine's own set: nothing to convert
    friend std::optional<std::string> utf8FromNamedSet(const std::string&, std::string_view);
    // `in` converted by `cd`; a character it cannot take becomes "?".
    static std::string convert(iconv_t cd, std::string_view in, bool fromUtf8);

    int code_;
    bool valid_ = false;
    iconv_t toSession_ = reinterpret_cast<iconv_t>(-1);
    iconv_t toUtf8_ = reinterpret_cast<iconv_t>(-1);
};

// `text` in the character set that iconv calls `name`, converted into UTF-8 (what
// cannot be converted becomes "?"); nothing when iconv does not know the set.
std::optional<std::string> utf8FromNamedSet(const std::string& name, std::string_view text);

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t utf8SequenceLength(unsigned char lead);
// `text` with every byte sequence that is not valid UTF-8 replaced by "?".
std::string sanitizeUtf8(std::string_view text);
// True when `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);

}  // namespace zdb

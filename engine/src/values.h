// values.h - the values of INTEGER, NUMBER, DATE, TIME and STRING fields.
// Each has a stored text (what the engine hands out) and a key that compares and
// sorts: an integer (INTEGER; DATE as YYYYMMDD; TIME as HHMMSS), a real (NUMBER),
// or the folded words (STRING).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zdb {

struct FieldValue {
    enum class Kind { Integer, Real, Text } kind = Kind::Integer;
    int64_t integer = 0;   // Kind::Integer
    double real = 0;       // Kind::Real
    std::string key;       // Kind::Text: the folded words
    std::string text;      // the stored text: DATE as DD.MM.YYYY
};

// Parses `text` as a value of field type `type`; nothing when it is not one.
// DATE takes DD.MM.YYYY or YYYY-MM-DD; TIME takes HH:MM or HH:MM:SS.
std::optional<FieldValue> parseFieldValue(int type, std::string_view text);

// Three-way comparison of two values of the same kind.
int compareValues(const FieldValue& a, const FieldValue& b);

}  // namespace zdb

// values.cpp - parsing of typed field values with std::from_chars into bounded ranges.

#include "values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "text_util.h"
#include "tokenizer.h"
#include "zdb.h"

namespace zdb {
namespace {

// A whole-text unsigned number of exactly `digits` digits.
std::optional<int> fixedDigits(std::string_view text, size_t digits) {
    if (text.size() != digits) return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return value;
}

// True for a day that exists in the Gregorian calendar.
bool validDate(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

// A 64-bit integer, optionally signed.
std::optional<FieldValue> parseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    FieldValue out;
    out.integer = value;
    out.text = std::to_string(value);
    return out;
}

// A finite decimal; its text stays as written.
std::optional<FieldValue> parseNumber(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(value))
        return std::nullopt;
    FieldValue out;
    out.kind = FieldValue::Kind::Real;
    out.real = value;
    out.text = std::string(text);
    return out;
}

// DD.MM.YYYY or YYYY-MM-DD, stored as DD.MM.YYYY.
std::optional<FieldValue> parseDate(std::string_view text) {
    std::optional<int> day, month, year;
    if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
        day = fixedDigits(text.substr(0, 2), 2);
        month = fixedDigits(text.substr(3, 2), 2);
        year = fixedDigits(text.substr(6, 4), 4);
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        year = fixedDigits(text.substr(0, 4), 4);
        month = fixedDigits(text.substr(5, 2), 2);
        day = fixedDigits(text.substr(8, 2), 2);
    }
    if (!day || !month || !year || !validDate(*year, *month, *day)) return std::nullopt;
    FieldValue out;
    out.integer = *year * 10000LL + *month * 100 + *day;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", *day, *month, *year);
    out.text = buffer;
    return out;
}

// HH:MM or HH:MM:SS.
std::optional<FieldValue> parseTime(std::string_view text) {
    std::optional<int> hours, minutes, seconds = 0;
    if (text.size() == 5 && text[2] == ':') {
        hours = fixedDigits(text.substr(0, 2), 2);
        minutes = fixedDigits(text.substr(3, 2), 2);
    } else if (text.size() == 8 && text[2] == ':' && text[5] == ':') {
        hours = fixedDigits(text.substr(0, 2), 2);
        minutes = fixedDigits(text.substr(3, 2), 2);
        seconds = fixedDigits(text.substr(6, 2), 2);
    }
    if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 59)
        return std::nullopt;
    FieldValue out;
    out.integer = *hours * 10000LL + *minutes * 100 + *seconds;
    out.text = std::string(text);
    return out;
}

}  // namespace

std::optional<FieldValue> parseFieldValue(int type, std::string_view text) {
    text = trim(text);
    switch (type) {
    case ZDB_FIELD_INTEGER: return parseInteger(text);
    case ZDB_FIELD_NUMBER: return parseNumber(text);
    case ZDB_FIELD_DATE: return parseDate(text);
    case ZDB_FIELD_TIME: return parseTime(text);
    case ZDB_FIELD_STRING: {
        FieldValue out;
        out.kind = FieldValue::Kind::Text;
        out.text = std::string(text);
        out.key = foldedKey(text);
        return out;
    }
    default: return std::nullopt;
    }
}

int compareValues(const FieldValue& a, const FieldValue& b) {
    auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (a.kind == FieldValue::Kind::Text || b.kind == FieldValue::Kind::Text) {
        int c = a.key.compare(b.key);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    double x = a.kind == FieldValue::Kind::Real ? a.real : static_cast<double>(a.integer);
    double y = b.kind == FieldValue::Kind::Real ? b.real : static_cast<double>(b.integer);
    if (a.kind == FieldValue::Kind::Integer && b.kind == FieldValue::Kind::Integer)
        return sign(a.integer, b.integer);
    return sign(x, y);
}

}  // namespace zdb

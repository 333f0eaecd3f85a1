// config_syntax.cpp - argument readers of configuration lines.

#include "config/config_syntax.h"

#include <charconv>
#include <climits>

namespace {

constexpr std::string_view kTrailingSpace = " \t\r\n\f\v";

std::string_view trimRight(std::string_view text) {
    auto last = text.find_last_not_of(kTrailingSpace);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

}  // namespace

std::string_view takeWord(std::string_view text, std::size_t& pos, std::string_view separators) {
    if (pos >= text.size()) return {};
    std::size_t start = text.find_first_not_of(separators, pos);
    if (start == std::string_view::npos) {
        pos = text.size();
        return {};
    }
    std::size_t end = text.find_first_of(separators, start);
    if (end == std::string_view::npos) end = text.size();
    pos = end;
    return text.substr(start, end - start);
}

std::string_view restText(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return {};
    std::size_t start = text.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos) return {};
    std::size_t end = text.find_first_of("\t\r\n", start);
    return trimRight(text.substr(start, end == std::string_view::npos ? end : end - start));
}

int readNumber(std::string_view word) {
    bool negative = false;
    if (!word.empty() && (word.front() == '+' || word.front() == '-')) {
        negative = word.front() == '-';
        word.remove_prefix(1);
    }
    std::size_t digits = 0;
    while (digits < word.size() && word[digits] >= '0' && word[digits] <= '9') ++digits;
    if (digits == 0) return 0;
    long long value = 0;
    auto [ptr, error] = std::from_chars(word.data(), word.data() + digits, value);
    (void)ptr;
    if (error == std::errc::result_out_of_range || value > static_cast<long long>(INT_MAX) + 1)
        return negative ? INT_MIN : INT_MAX;
    value = negative ? -value : value;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

ConfigLine::ConfigLine(std::string_view text) : text_(text) {
    keyword_ = takeWord(text_, pos_);
    keywordEnd_ = pos_;
    if (keyword_.empty()) keyword_ = kNoKeyword;
}

std::string_view ConfigLine::line() const {
    std::size_t start = keywordEnd_ + 1;  // past the one separator that ended the keyword
    if (start >= text_.size()) return {};
    std::size_t end = text_.find_first_of("\r\n", start);
    return text_.substr(start, end == std::string_view::npos ? end : end - start);
}

std::string_view ConfigLine::message() const {
    if (keywordEnd_ >= text_.size()) return {};
    std::size_t start = text_.find_first_not_of(" \t", keywordEnd_);
    if (start == std::string_view::npos) return {};
    std::size_t end = text_.find_first_of("\r\n", start);
    std::string_view text = trimRight(text_.substr(start, end == std::string_view::npos ? end : end - start));
    if (!text.empty() && text.front() == '"') text.remove_prefix(1);
    if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    return text;
}

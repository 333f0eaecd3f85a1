// ascii.h - case rules of the gateway: names compare without regard to the case
// of the letters A to Z only (never locale-dependent, never beyond ASCII).
#pragma once

#include <string_view>

inline char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when a and b are equal apart from the case of the letters A to Z.
inline bool asciiEqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::string_view::size_type i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

// True when text begins with prefix, apart from the case of the letters A to Z.
inline bool asciiStartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiEqualNoCase(text.substr(0, prefix.size()), prefix);
}

// Position of needle in text, apart from the case of A to Z; npos when absent.
inline std::string_view::size_type asciiFindNoCase(std::string_view text, std::string_view needle,
                                                   std::string_view::size_type from = 0) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (auto i = from; i + needle.size() <= text.size(); ++i)
        if (asciiEqualNoCase(text.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

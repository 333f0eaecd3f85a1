// cache_names.cpp - recognising the page-cache names this program writes: a slot
// directory (the second of the minute), a slash and a stamp (seconds since 1970, "_",
// process id), optionally with the prefix of a URL-stack file. Nothing else passes.

#include "entry/cache_names.h"

namespace {

constexpr std::size_t kMaxSecondsDigits = 20;  // an unsigned 64-bit number
constexpr std::size_t kMaxNumberDigits = 10;   // a process id or a position ("%d")

// True when text is 1 to maxDigits decimal digits.
bool isDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// True for "0" to "59" written without a leading zero, as "%d" writes the slot.
bool isSlot(std::string_view text) {
    if (!isDigits(text, 2)) return false;
    if (text.size() == 2 && (text[0] == '0' || text[0] > '5')) return false;
    return true;
}

// True for "<seconds>_<pid>".
bool isStamp(std::string_view text) {
    std::size_t underscore = text.find('_');
    if (underscore == std::string_view::npos) return false;
    return isDigits(text.substr(0, underscore), kMaxSecondsDigits) &&
           isDigits(text.substr(underscore + 1), kMaxNumberDigits);
}

// The part of name after "<slot>/", or false when name does not begin so.
bool afterSlot(std::string_view name, std::string_view& rest) {
    std::size_t slash = name.find('/');
    if (slash == std::string_view::npos || !isSlot(name.substr(0, slash))) return false;
    rest = name.substr(slash + 1);
    return true;
}

}  // namespace

bool isIdsName(std::string_view name) {
    std::string_view rest;
    return afterSlot(name, rest) && isStamp(rest);
}

bool isUrlSaveName(std::string_view name) {
    std::string_view rest;
    if (!afterSlot(name, rest)) return false;
    if (isStamp(rest)) return true;
    std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos || !isStamp(rest.substr(dot + 1))) return false;
    std::string_view prefix = rest.substr(0, dot);
    if (prefix == "D") return true;
    if (!prefix.empty() && prefix.front() == 'F') prefix.remove_prefix(1);
    return isDigits(prefix, kMaxNumberDigits);
}

bool isRecordPosition(std::string_view key) { return isDigits(key, 9); }

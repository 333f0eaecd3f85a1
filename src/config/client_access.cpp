// client_access.cpp - checkRebase: admits, redirects or refuses the client of an
// application with access rules, by its address. An unrestricted application is
// open to every client.

#include "config/client_access.h"

#include <array>
#include <charconv>
#include <optional>

namespace {

constexpr std::size_t kParts = 4;
using Parts = std::array<std::optional<std::string_view>, kParts>;

// Splits text at dots into at most four parts; the fourth keeps any further dots.
// An empty text has no parts at all.
Parts splitParts(std::string_view text) {
    Parts parts;
    if (text.empty()) return parts;
    for (std::size_t i = 0; i < kParts; ++i) {
        std::size_t dot = i + 1 < kParts ? text.find('.') : std::string_view::npos;
        parts[i] = text.substr(0, dot);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    return parts;
}

// A whole decimal number of at most nine digits; nothing for anything else.
std::optional<int> wholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (text.front() < '0' || text.front() > '9') return std::nullopt;  // no sign
    return value;
}

bool partMatches(const std::optional<std::string_view>& pattern,
                 const std::optional<std::string_view>& address) {
    if (!pattern) return false;
    if (!pattern->empty() && pattern->front() == '*') return true;
    if (!address) return false;
    std::size_t dash = pattern->find('-');
    if (dash != std::string_view::npos) {
        auto lo = wholeNumber(pattern->substr(0, dash));
        auto hi = wholeNumber(pattern->substr(dash + 1));
        auto value = wholeNumber(*address);
        return lo && hi && value && *lo <= *value && *value <= *hi;
    }
    return *pattern == *address;
}

}  // namespace

bool addressMatches(std::string_view pattern, std::string_view address) {
    Parts patternParts = splitParts(pattern);
    Parts addressParts = splitParts(address);
    for (std::size_t i = 0; i < kParts; ++i)
        if (!partMatches(patternParts[i], addressParts[i])) return false;
    return true;
}

AccessDecision checkRebase(const AccessRules& rules, std::string_view applName, std::string_view address) {
    AccessDecision decision;
    const BaseRuleList* list = rules.rulesOf(applName);
    if (!list) return decision;  // no rules: every client is admitted

    for (const auto& rule : *list) {
        if (rule->kind != BaseRule::kAddress || !addressMatches(rule->address.view(), address)) continue;
        decision.user = rule->user;
        decision.password = rule->password;
        return decision;
    }
    for (const auto& rule : *list) {
        if (rule->kind != BaseRule::kNote) continue;
        decision.verdict = AccessDecision::kRedirect;
        decision.redirectUrl = rule->note;
        return decision;
    }
    decision.verdict = AccessDecision::kRefuse;
    return decision;
}

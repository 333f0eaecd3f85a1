// login_rules.cpp - password expiry and login hours, on the local calendar and clock
// of the machine that runs the engine.

#include "login_rules.h"

#include <cstdio>

#include "values.h"
#include "zdb.h"

namespace zdb {
namespace {

// Minutes since midnight of "HH:MM", or nothing.
std::optional<int> minutesOf(std::string_view text) {
    auto value = parseFieldValue(ZDB_FIELD_TIME, text);
    if (!value || text.size() != 5) return std::nullopt;
    return static_cast<int>(value->integer / 10000 * 60 + value->integer / 100 % 100);
}

// The start and end minutes of stored hours "HH:MM-HH:MM".
std::optional<std::pair<int, int>> parseHours(std::string_view text) {
    size_t dash = text.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    auto from = minutesOf(text.substr(0, dash));
    auto to = minutesOf(text.substr(dash + 1));
    if (!from || !to || *from == *to) return std::nullopt;
    return std::make_pair(*from, *to);
}

}  // namespace

int loginRefusal(const User& user, bool loginsClosed, const std::tm& now) {
    if (loginsClosed) return ZDB_LOGINS_CLOSED;
    if (!user.expires.empty()) {
        auto last = parseFieldValue(ZDB_FIELD_DATE, user.expires);
        int64_t today = (now.tm_year + 1900) * 10000LL + (now.tm_mon + 1) * 100 + now.tm_mday;
        if (!last || today > last->integer) return ZDB_PASSWORD_EXPIRED;
    }
    if (!user.hours.empty()) {
        auto hours = parseHours(user.hours);
        if (!hours) return ZDB_OUTSIDE_LOGIN_HOURS;
        int minute = now.tm_hour * 60 + now.tm_min;
        auto [from, to] = *hours;
        bool inside = from < to ? (minute >= from && minute < to) : (minute >= from || minute < to);
        if (!inside) return ZDB_OUTSIDE_LOGIN_HOURS;
    }
    return 0;
}

std::optional<std::string> normalExpiry(std::string_view text) {
    auto value = parseFieldValue(ZDB_FIELD_DATE, text);
    if (!value) return std::nullopt;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(value->integer / 10000),
                  static_cast<int>(value->integer / 100 % 100), static_cast<int>(value->integer % 100));
    return std::string(buffer);
}

std::optional<std::string> normalHours(std::string_view text) {
    if (!parseHours(text)) return std::nullopt;
    return std::string(text);
}

}  // namespace zdb

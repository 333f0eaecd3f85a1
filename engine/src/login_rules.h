// login_rules.h - what may refuse a login beyond the user name and the password:
// logins closed by the administrator, a password past its last day, a login outside
// the user's hours. Each has its own code; stored limits that do not parse refuse
// the login rather than let it through.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "system_db.h"

namespace zdb {

// The code that refuses `user`'s login at local time `now` (ZDB_LOGINS_CLOSED,
// ZDB_PASSWORD_EXPIRED, ZDB_OUTSIDE_LOGIN_HOURS, in that order), or 0 to let it in.
int loginRefusal(const User& user, bool loginsClosed, const std::tm& now);

// The stored form of a password's last day (YYYY-MM-DD, from that or DD.MM.YYYY),
// or nothing when it is not a date.
std::optional<std::string> normalExpiry(std::string_view text);
// The stored form of login hours "HH:MM-HH:MM" (the end may be earlier than the
// start: hours over midnight), or nothing when it is not one or spans no time.
std::optional<std::string> normalHours(std::string_view text);

}  // namespace zdb

// client_access.h - checkRebase, the client check of an application with access rules,
// and the address matching it rests on. The check only answers: admit (with the user
// and password of the matching rule), redirect or refuse; the controller acts on it.
// Both address and pattern are split at dots into at most four parts; nothing past
// what the address or the pattern holds is ever read.
#pragma once

#include <string_view>

#include "cgi/strbuf.h"
#include "config/base_rule.h"

// True when every one of the four parts of pattern matches the same part of address.
//  - A pattern part beginning with "*" matches any address part, a missing one too:
//    "*.*.*.*" admits every client, IPv6 and an unset REMOTE_ADDR included.
//  - A pattern part "lo-hi" matches an address part that is a whole decimal number
//    with lo <= value <= hi; lo, hi and the value must each be nothing but digits
//    (at most nine), else the part matches nothing: "1x" is not 1.
//  - Any other pattern part must equal the address part exactly ("010" is not "10").
//  - A missing address part (fewer than four) matches only a "*" part; a missing
//    pattern part (a shortened pattern) matches nothing, so a shortened pattern never
//    admits more than the administrator wrote.
//  - Past the third dot the rest stays one part: "1.2.3.4.5" has the part "4.5".
bool addressMatches(std::string_view pattern, std::string_view address);

struct AccessDecision {
    enum Verdict { kAdmit, kRedirect, kRefuse };

    Verdict verdict = kAdmit;
    StrBuf user;         // kAdmit: the user to log in as; empty keeps the configured one
    StrBuf password;     // kAdmit: the password; empty keeps the configured one
    StrBuf redirectUrl;  // kRedirect: where the refused client is sent (the first NOTE)
};

// What to do with a client at `address` (REMOTE_ADDR, empty when unset) of the
// application `applName`: admit when the name has no rules or an ADDRESS rule matches
// (the first that does gives user and password); otherwise redirect to the name's
// first NOTE, or refuse when it has none.
AccessDecision checkRebase(const AccessRules& rules, std::string_view applName, std::string_view address);

// client_access.h - matching a client address against an ADDRESS pattern.
// Both are split at dots into at most four parts; nothing past what the address
// or the pattern holds is ever read.
#pragma once

#include <string_view>

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

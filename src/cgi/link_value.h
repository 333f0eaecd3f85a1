// link_value.h - the encoder of a value that a link carries back to the gateway: every
// byte that the query-string decoder would change, or that HTML or a URL would read as
// syntax, is written as %XX, so that the value arrives in the next request unchanged.
#pragma once

#include <string>
#include <string_view>

// The value as it stands in a link: letters, digits and - _ . ~ / , * stay, a blank
// becomes "+", every other byte becomes "%" and two upper-case hex digits.
std::string linkValue(std::string_view value);

// Writes linkValue(value) to the response.
void printLinkValue(std::string_view value);

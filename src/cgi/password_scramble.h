// password_scramble.h - the reversible scrambling of the password that the login
// cookie zgwpasswd carries: a length byte and the password XORed with a fixed
// key, padded to a multiple of 8 characters, written as upper-case hex pairs.
// Browsers keep such cookies, so the layout must never change.
#pragma once

#include <string>
#include <string_view>

// Longest password the layout holds (the key's 32 password positions).
inline constexpr std::size_t kMaxScrambledPassword = 32;

// The scrambled hex text of a clear password; characters past 32 are cut.
std::string scramblePassword(std::string_view clear);

// The clear password of a scrambled hex text. Reads only the decoded bytes and the
// key: a short, overlong or malformed text yields what its bytes hold, never more.
std::string unscramblePassword(std::string_view scrambled);

// password.h - salted password hashes (libsodium crypto_pwhash_str, Argon2id).
// The cost is set so that one verification stays under 5 ms: the gateway logs
// in on every request.
#pragma once

#include <string>
#include <string_view>

namespace zdb {

// The stored hash of `password`; empty for an empty password (an account without one).
std::string hashPassword(std::string_view password);
// True when `password` matches `hash` (an empty hash matches only the empty password).
bool verifyPassword(std::string_view password, const std::string& hash);

}  // namespace zdb

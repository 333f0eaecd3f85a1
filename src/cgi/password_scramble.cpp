// password_scramble.cpp - scrambling and unscrambling of the cookie password.

#include "cgi/password_scramble.h"

#include <cstdint>
#include <vector>

namespace {
// Character 0 masks the length byte; characters 1 to 32 mask the password.
constexpr char kKey[] = "KqopLarnvBesktuHimwaZetRofingsPuK";
constexpr std::size_t kKeyLength = sizeof kKey - 1;  // 33
constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::string scramblePassword(std::string_view clear) {
    if (clear.size() > kMaxScrambledPassword) clear = clear.substr(0, kMaxScrambledPassword);
    const std::size_t n = clear.size();
    const std::size_t rounded = (n + 7) / 8 * 8;
    const auto lengthByte = static_cast<uint8_t>(n);

    std::string out;
    out.reserve(2 * (rounded + 1));
    auto put = [&out](uint8_t byte) {
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0x0F]);
    };
    put(static_cast<uint8_t>(lengthByte ^ static_cast<uint8_t>(kKey[0])));
    for (std::size_t i = 0; i < rounded; ++i) {
        auto key = static_cast<uint8_t>(kKey[i + 1]);
        put(i < n ? static_cast<uint8_t>(static_cast<uint8_t>(clear[i]) ^ key)
                  : static_cast<uint8_t>(key ^ lengthByte));
    }
    return out;
}

std::string unscramblePassword(std::string_view scrambled) {
    // Decode hex pairs up to the first pair that is not upper-case hex.
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < scrambled.size(); i += 2) {
        int high = hexValue(scrambled[i]);
        int low = hexValue(scrambled[i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (bytes.empty()) return {};
    int length = static_cast<uint8_t>(bytes[0] ^ static_cast<uint8_t>(kKey[0]));
    // The length byte may promise more than the cookie or the key holds: stop at either.
    std::size_t n = static_cast<std::size_t>(length);
    if (n > bytes.size() - 1) n = bytes.size() - 1;
    if (n > kKeyLength - 1) n = kKeyLength - 1;
    std::string clear;
    clear.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        clear.push_back(static_cast<char>(bytes[i + 1] ^ static_cast<uint8_t>(kKey[i + 1])));
    return clear;
}

// Tests of the cookie password scrambling: layout, round trip, hostile cookies.

#include <gtest/gtest.h>

#include <string>

#include "entry/password_scramble.h"

TEST(PasswordScramble, LayoutOfLengthAndPadding) {
    // Length byte 0 XOR 'K' (0x4B): an empty password is just that byte.
    EXPECT_EQ(scramblePassword(""), "4B");
    // One character pads to 8: 2 * (8 + 1) hex digits.
    std::string one = scramblePassword("a");
    EXPECT_EQ(one.size(), 18u);
    EXPECT_EQ(one.substr(0, 4), "4A10");  // 1 ^ 'K' = 0x4A; 'a' ^ 'q' = 0x10
    // Padding position i holds key[i+1] XOR the length: 'o' (0x6F) ^ 1 = 0x6E.
    EXPECT_EQ(one.substr(4, 2), "6E");
    EXPECT_EQ(scramblePassword(std::string(25, 'x')).size(), 66u);
    EXPECT_EQ(scramblePassword(std::string(32, 'x')).size(), 66u);
    for (char c : scramblePassword("Secret!")) EXPECT_TRUE(std::isxdigit(c) && !std::islower(c));
}

TEST(PasswordScramble, RoundTrip) {
    const std::string clears[] = {"", "a", "secret", "12345678", "123456789",
                                  std::string(32, 'z'), "p\xE4ss w\xF6rd"};
    for (const std::string& clear : clears) {
        EXPECT_EQ(unscramblePassword(scramblePassword(clear)), clear) << clear;
    }
}

TEST(PasswordScramble, LongPasswordsAreCutTo32) {
    std::string longer(40, 'q');
    EXPECT_EQ(unscramblePassword(scramblePassword(longer)), std::string(32, 'q'));
}

TEST(PasswordScramble, HostileCookiesStayInBounds) {
    struct Case { const char* name; std::string cookie; std::string expected; };
    // Length 255 with 40 zero bytes after it: cut at the 32 key positions, and the
    // zero bytes give the key characters themselves.
    const std::string keyPositions = "qopLarnvBesktuHimwaZetRofingsPuK";
    const Case cases[] = {
        {"empty", "", ""},
        {"odd digit count", "4", ""},
        {"not hex", "ZZZZ", ""},
        {"lower-case hex is not accepted", "4a10", ""},
        // Length byte promises 0x7F ^ 0x4B = 52 characters; only one follows.
        {"length beyond the bytes", "7F10", "a"},
        {"length beyond the key", "B4" + std::string(80, '0'), keyPositions},
    };
    for (const auto& c : cases) EXPECT_EQ(unscramblePassword(c.cookie), c.expected) << c.name;
}

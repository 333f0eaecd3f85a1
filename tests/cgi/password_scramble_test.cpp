// Tests of the cookie password scrambling: the layout that earlier cookies hold, the
// round trip, hostile cookies.

#include <gtest/gtest.h>

#include <string>

#include "cgi/password_scramble.h"

TEST(PasswordScramble, LayoutOfLengthAndPadding) {
    // The length byte XOR 'K' (0x4B), then the characters XOR the key, padded to 8 with
    // key[i+1] XOR the length; upper-case hexadecimal.
    EXPECT_EQ(scramblePassword(""), "4B");
    EXPECT_EQ(scramblePassword("secret"), "4D020A133E04066870");
    EXPECT_EQ(scramblePassword(std::string(25, 'x')).size(), 66u);
}

TEST(PasswordScramble, RoundTripOfAtMost32Characters) {
    struct Case { std::string clear; std::string back; };
    const Case cases[] = {
        {"", ""}, {"a", "a"}, {"12345678", "12345678"}, {"123456789", "123456789"},
        {std::string(32, 'z'), std::string(32, 'z')}, {"p\xE4ss w\xF6rd", "p\xE4ss w\xF6rd"},
        {std::string(40, 'q'), std::string(32, 'q')},
    };
    for (const auto& c : cases) EXPECT_EQ(unscramblePassword(scramblePassword(c.clear)), c.back) << c.clear;
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

// Tests of URL-encoded decoding: lexemes, the pair scanner's results and its
// malformed inputs.

#include <gtest/gtest.h>

#include "cgi/url_decode.h"
#include "cgi/response_capture.h"

TEST(DecodeLexeme, PlusEscapesAndIncompleteEscapes) {
    struct Case { const char* name; std::string input; std::string expected; };
    const Case cases[] = {
        {"plain", "abc", "abc"},
        {"plus is a blank", "a+b", "a b"},
        {"escaped plus stays a plus", "%2B", "+"},
        {"upper-case hex", "%41%62", "Ab"},
        {"lower-case hex", "%4a%6B", "Jk"},
        {"escaped equals", "x%3Dy", "x=y"},
        {"Latin-1 byte", "%E4", "\xE4"},
        {"percent at the end stays", "a%", "a%"},
        {"percent and one character at the end stay", "a%4", "a%4"},
        {"lone percent", "%", "%"},
        {"non-hex digits wrap modulo 256", "%zz", "S"},  // (35 * 16 + 35) % 256 = 83
        {"a plus turned blank inside an escape", "%+1", "\x01"},  // (240 * 16 + 1) % 256
        {"NUL byte is kept by the lexeme decoder", "a%00b", std::string("a\0b", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeLexeme(c.input), c.expected) << c.name;
}

TEST(DecodeUrlEncoded, PairsAndResults) {
    struct Case { const char* input; int result; Pairs entries; };
    const Case cases[] = {
        {"", 0, {}},
        {"a=1", 1, {{"a", "1"}}},
        {"a=1&b=&c=x=y", 3, {{"a", "1"}, {"b", ""}, {"c", "x=y"}}},
        {"a=1&a=2", 2, {{"a", "1"}, {"a", "2"}}},
        {"q=x%3Dy+z", 1, {{"q", "x=y z"}}},
        {"%41%62=v", 1, {{"Ab", "v"}}},
        {"a=", 1, {{"a", ""}}},
        {"a&", 1, {{"a", ""}}},
        {"a=1&", 1, {{"a", "1"}}},
        {"a==b", 1, {{"a", "=b"}}},
        {"a=1&b", -1, {{"a", "1"}, {"b", ""}}},
        {"a&b=1", -1, {{"a", ""}}},
        {"&a=1", -1, {{"", ""}}},
        {"a", -1, {{"a", ""}}},
        {"a=%", 1, {{"a", "%"}}},
        {"a=%4&b=%", 2, {{"a", "%4"}, {"b", "%"}}},
        // %00 ends the text: every later stage sees what a C string would show.
        {"f=a.zgw%00.txt&g%00x=1", 2, {{"f", "a.zgw"}, {"g", "1"}}},
    };
    for (const auto& c : cases) {
        EntryList list;
        list_insafter(list, nullptr, "stale", "entry");  // the decoder empties the list first
        EXPECT_EQ(decodeUrlEncoded(list, c.input), c.result) << c.input;
        EXPECT_EQ(pairsOf(list), c.entries) << c.input;
    }
}

TEST(DecodeUrlEncoded, FirstOfDuplicateNamesWins) {
    EntryList list;
    decodeUrlEncoded(list, "A=1&a=2");
    const Entry* found = findEntry(list, "a");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->value, "1");
}

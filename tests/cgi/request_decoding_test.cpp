// Tests of decoding the request text: URL-encoded lexemes and pairs, the Cookie header
// and the POST body length. Which input is read, and the failures with their messages,
// are tested end to end (tests/e2e).

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "cgi/cgi_input.h"
#include "cgi/url_decode.h"
#include "support/response_capture.h"

TEST(DecodeLexeme, PlusEscapesAndIncompleteEscapes) {
    struct Case { const char* name; std::string input; std::string expected; };
    const Case cases[] = {
        {"escaped plus stays a plus", "%2B", "+"},
        {"upper- and lower-case hex", "%41%62%4a%6B", "AbJk"},
        {"percent at the end stays", "a%", "a%"},
        {"percent and one character at the end stay", "a%4", "a%4"},
        {"non-hex digits wrap modulo 256", "%zz", "S"},  // (35 * 16 + 35) % 256 = 83
        {"NUL byte is kept by the lexeme decoder", "a%00b", std::string("a\0b", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeLexeme(c.input), c.expected) << c.name;
}

TEST(DecodeUrlEncoded, PairsAndResults) {
    struct Case { const char* input; int result; Pairs entries; };
    const Case cases[] = {
        {"", 0, {}},
        {"a=1&b=&c=x=y", 3, {{"a", "1"}, {"b", ""}, {"c", "x=y"}}},
        {"a&", 1, {{"a", ""}}},
        {"a=1&b", -1, {{"a", "1"}, {"b", ""}}},
        {"a&b=1", -1, {{"a", ""}}},
        {"&a=1", -1, {{"", ""}}},
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

TEST(ParseCookieText, NamesAndValuesAsTheyStand) {
    struct Case { const char* name; const char* input; Pairs cookies; };
    const Case cases[] = {
        {"no percent decoding, no plus replacement", "a=%41+b", {{"a", "%41+b"}}},
        {"trailing blanks of a value stay", "a=1 ; b=2", {{"a", "1 "}, {"b", "2"}}},
        {"last cookie without equals", "a=1; flag", {{"a", "1"}, {"flag", ""}}},
        {"cookie without equals before others", "flag; zgwuser=anna", {{"flag", ""}, {"zgwuser", "anna"}}},
        {"trailing semicolon and blank", "a=1; ", {{"a", "1"}}},
        {"empty name", "=v", {{"", "v"}}},
    };
    for (const auto& c : cases) {
        EntryList list;
        EXPECT_EQ(parseCookieText(list, c.input), static_cast<int>(c.cookies.size())) << c.name;
        EXPECT_EQ(pairsOf(list), c.cookies) << c.name;
    }
}

TEST(ReadPostBody, ExactlyContentLengthBytes) {
    struct Case { const char* name; std::string input; std::string length; std::string body; };
    const std::string big(200000, 'x');  // several read chunks
    const Case cases[] = {
        {"no digits counts as zero", "a=1", "abc", ""},
        {"leading digits are the length", "a=1", "2xyz", "a="},
        {"large body", big, std::to_string(big.size()), big},
    };
    for (const auto& c : cases) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> input(std::tmpfile(), std::fclose);
        std::fwrite(c.input.data(), 1, c.input.size(), input.get());
        std::rewind(input.get());
        EXPECT_EQ(readPostBody(input.get(), c.length), c.body) << c.name;
    }
}

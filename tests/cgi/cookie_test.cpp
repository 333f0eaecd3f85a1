// Tests of the Cookie header scanner: names and values as they stand.

#include <gtest/gtest.h>

#include "cgi/cgi_input.h"
#include "cgi/response_capture.h"

TEST(ParseCookieText, NamesAndValuesAsTheyStand) {
    struct Case { const char* name; const char* input; Pairs cookies; };
    const Case cases[] = {
        {"two cookies, blank skipped", "zgwuser=anna; lang=de", {{"zgwuser", "anna"}, {"lang", "de"}}},
        {"no percent decoding", "a=%41", {{"a", "%41"}}},
        {"no plus replacement", "a=x+y", {{"a", "x+y"}}},
        {"trailing blanks of a value stay", "a=1 ; b=2", {{"a", "1 "}, {"b", "2"}}},
        {"equals inside a value", "a=x=y", {{"a", "x=y"}}},
        {"empty value", "a=; b=1", {{"a", ""}, {"b", "1"}}},
        {"leading white space", " \t a=1", {{"a", "1"}}},
        {"last cookie without equals", "a=1; flag", {{"a", "1"}, {"flag", ""}}},
        {"cookie without equals before others", "flag; zgwuser=anna",
         {{"flag", ""}, {"zgwuser", "anna"}}},
        {"trailing semicolon", "a=1;", {{"a", "1"}}},
        {"trailing semicolon and blank", "a=1; ", {{"a", "1"}}},
        {"empty header", "", {}},
        {"only blanks", "   ", {}},
        {"empty name", "=v", {{"", "v"}}},
    };
    for (const auto& c : cases) {
        EntryList list;
        EXPECT_EQ(parseCookieText(list, c.input), static_cast<int>(c.cookies.size())) << c.name;
        EXPECT_EQ(pairsOf(list), c.cookies) << c.name;
    }
}

TEST(ParseCookies, FromTheEnvironment) {
    {
        ScopedEnv cookie("HTTP_COOKIE", "zgwuser=anna; zgwpasswd=4B");
        EXPECT_EQ(parse_cookies(), 2);
        EXPECT_EQ(pairsOf(cookieEntries), (Pairs{{"zgwuser", "anna"}, {"zgwpasswd", "4B"}}));
    }
    ScopedEnv none("HTTP_COOKIE", std::nullopt);
    EXPECT_EQ(parse_cookies(), 0);
    EXPECT_TRUE(cookieEntries.empty());
}

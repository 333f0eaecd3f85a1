// Tests of the link-value encoder: what it keeps, what it encodes, and that every byte
// comes back unchanged through the gateway's own query-string decoder.

#include <gtest/gtest.h>

#include "cgi/link_value.h"
#include "cgi/url_decode.h"

namespace {

// Blanks, "+", "%", quotes and markup in a link: SearchPage.PagesFollowTheirLinksForwardAndBack.
TEST(LinkValue, EncodesEverythingTheDecoderOrHtmlWouldRead) {
    struct Case { const char* name; std::string in, out; };
    const Case cases[] = {
        {"kept", "aZ09-_.~/,*", "aZ09-_.~/,*"},
        {"separators of a query", "a&b=c#d?e;f:g", "a%26b%3Dc%23d%3Fe%3Bf%3Ag"},
        {"line end and NUL", std::string("a\nb\0c", 5), "a%0Ab%00c"},
        {"bytes above 127", "\xC3\xA9\xFF", "%C3%A9%FF"},
    };
    for (const auto& c : cases) EXPECT_EQ(linkValue(c.in), c.out) << c.name;
}

TEST(LinkValue, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(decodeLexeme(linkValue(all)), all);
}

}  // namespace

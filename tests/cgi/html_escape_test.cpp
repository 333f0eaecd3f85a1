// Tests of the plain-text escaper used for every piece of plain text in a page.

#include <gtest/gtest.h>

#include "cgi/http_output.h"

TEST(AppendHtmlEscaped, MarkupBecomesInertOtherBytesStay) {
    struct Case { const char* input; const char* expected; };
    const Case cases[] = {
        {"plain", "plain"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"a\"b'c&d", "a&quot;b&#39;c&amp;d"},
        {"caf\xC3\xA9 \xE4", "caf\xC3\xA9 \xE4"},  // UTF-8 and Latin-1 bytes unchanged
        {"&amp;", "&amp;amp;"},                     // escaped once more: never trusted
    };
    for (const auto& c : cases) {
        StrBuf out("x:");
        appendHtmlEscaped(out, c.input);
        EXPECT_EQ(out.view(), std::string("x:") + c.expected) << c.input;
    }
}

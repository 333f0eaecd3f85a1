// Tests of the response writers: the three HTML escapers, URL values, the script's URL,
// cookies and the status page.

#include <gtest/gtest.h>

#include <string>

#include "cgi/http_output.h"
#include "support/installation.h"
#include "support/response_capture.h"

TEST(HtmlEscapers, MarkupCharactersAndLatin1Letters) {
    // htmlChar without and with markup, htmlMarkupChar; byte 0 gives "".
    struct Case { int byte; std::string plain; std::string markup; std::string markupOnly; };
    const Case cases[] = {
        {'a', "a", "a", "a"},
        {'<', "<", "&lt;", "&lt;"},           {'>', ">", "&gt;", "&gt;"},
        {'&', "&", "&amp;", "&amp;"},         {'"', "\"", "&quot;", "&quot;"},
        {'\'', "'", "&#39;", "&#39;"},        {0, "", "", ""},
        {0xC0, "&Agrave;", "&Agrave;", "\xC0"}, {0xFF, "&yuml;", "&yuml;", "\xFF"},
        {0xD7, "\xD7", "\xD7", "\xD7"},       {0xBF, "\xBF", "\xBF", "\xBF"},  // times, and below 192
    };
    for (const auto& c : cases) {
        auto byte = static_cast<unsigned char>(c.byte);
        EXPECT_EQ(htmlChar(byte, 0), c.plain) << "byte " << c.byte;
        EXPECT_EQ(htmlChar(byte, 1), c.markup) << "byte " << c.byte;
        EXPECT_EQ(htmlMarkupChar(byte), c.markupOnly) << "byte " << c.byte;
    }
    // The escaper of plain text: markup inert, other bytes unchanged, never trusted.
    StrBuf out("x:");
    appendHtmlEscaped(out, "<script>a\"b'c&amp;</script> caf\xC3\xA9 \xE4");
    EXPECT_EQ(out.view(), "x:&lt;script&gt;a&quot;b&#39;c&amp;amp;&lt;/script&gt; caf\xC3\xA9 \xE4");
}

TEST(PrintUrlEncoded, ReservedCharactersAndHighBytes) {
    struct Case { std::string input; std::string expected; };
    const Case cases[] = {
        {"a b&c=d", "a+b%26c=d"},
        {"100%", "100%"},
        {"\"#&:;<>?", "%22%23%26%3A%3B%3C%3E%3F"},
        {"\x80\xFC\xFF", "%80%FC%FF"},
        {"tab\there", "tab\there"},
    };
    for (const auto& c : cases) {
        CapturedResponse response;
        printUrlEncoded(c.input);
        EXPECT_EQ(response.text(), c.expected) << c.input;
    }
}

TEST(PrintScriptUrl, ScriptNameAndPathInfo) {
    struct Case {
        const char* name; std::optional<std::string> script; std::optional<std::string> pathInfo;
        std::string expected;
    };
    const Case cases[] = {
        {"path info equal to the script", "/cgi/zgw", "/cgi/zgw", "/cgi/zgw"},
        {"path info added", "/cgi/zgw", "/x", "/cgi/zgw/x"},
        {"no script name", std::nullopt, "/x", "/x"},
        // The server decodes the path: a quote or a tag in it must stay text in a link.
        {"markup in the path", "/cgi/zgw", "/\"><script>alert(1)</script>",
         "/cgi/zgw/&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
    };
    for (const auto& c : cases) {
        ScopedEnv script("SCRIPT_NAME", c.script);
        ScopedEnv pathInfo("PATH_INFO", c.pathInfo);
        CapturedResponse response;
        printScriptUrl();
        EXPECT_EQ(response.text(), c.expected) << c.name;
    }
}

TEST(SetCookie, HeaderLineOrNothingForValuesThatWouldBreakIt) {
    struct Case { const char* name; std::string cookieName; std::string value; std::string written; };
    const Case cases[] = {
        {"plain", "zgwuser", "anna b", "Set-Cookie: zgwuser=anna b; path=/\r\n"},
        {"header injection", "zgwuser", "anna\r\nLocation: http://evil/", ""},
        {"cookie attribute", "zgwuser", "anna; domain=evil.example", ""},
        {"delete character", "zgwuser", "a\x7F", ""},
        {"equals in the name", "a=b", "v", ""},
    };
    for (const auto& c : cases) {
        CapturedResponse response;
        EXPECT_EQ(setCookie(c.cookieName, c.value), c.written.empty() ? 0 : 1) << c.name;
        EXPECT_EQ(response.text(), c.written) << c.name;
    }
}

// Levels 0 and 1 with a line, and text escaped once: RequestPath.RequestsEndingWithoutALogin.
TEST(PrintStatusPage, NoSourcePlaceWithoutALine) {
    CapturedResponse response;
    printStatusPage("(S) no &lt;config&gt;", "src/zgwmisc", 0, 1);
    EXPECT_EQ(response.text(), errorPage("(S) no &lt;config&gt;"));
}

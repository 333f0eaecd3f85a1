// Tests of the response writers: HTML characters, URL values, the script's URL,
// cookies, the header, numbers and the status page.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "cgi/http_output.h"
#include "cgi/response_capture.h"

TEST(HtmlChar, MarkupFlagAndLatin1Letters) {
    struct Case { int byte; int markup; std::string expected; };
    const Case cases[] = {
        {0xE4, 0, "&auml;"}, {0xE4, 1, "&auml;"}, {0xD7, 1, "\xD7"}, {0xF7, 0, "\xF7"},
        {'<', 0, "<"}, {'<', 1, "&lt;"}, {'>', 1, "&gt;"}, {'&', 1, "&amp;"},
        {'"', 1, "&quot;"}, {'\'', 1, "&#39;"}, {'"', 0, "\""}, {'a', 1, "a"},
        {0, 1, ""}, {0, 0, ""}, {0xBF, 0, "\xBF"}, {0x80, 1, "\x80"},
        {0xC0, 0, "&Agrave;"}, {0xC6, 0, "&AElig;"}, {0xD0, 0, "&ETH;"}, {0xD8, 0, "&Oslash;"},
        {0xDE, 0, "&THORN;"}, {0xDF, 0, "&szlig;"}, {0xE0, 0, "&agrave;"}, {0xE6, 0, "&aelig;"},
        {0xF0, 0, "&eth;"}, {0xF8, 0, "&oslash;"}, {0xFE, 0, "&thorn;"}, {0xFF, 0, "&yuml;"},
        {0xC9, 0, "&Eacute;"}, {0xE9, 0, "&eacute;"}, {0xD1, 0, "&Ntilde;"}, {0xFC, 0, "&uuml;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(htmlChar(static_cast<unsigned char>(c.byte), c.markup), c.expected)
            << "byte " << c.byte << " markup " << c.markup;

    // Every letter 192-255 is an entity of at most 8 characters; upper and lower forms
    // differ by 32 and share their name apart from its case.
    for (int c = 192; c < 224; ++c) {
        if (c == 215 || c == 223) continue;
        std::string upper = htmlChar(static_cast<unsigned char>(c), 0);
        std::string lower = htmlChar(static_cast<unsigned char>(c + 32), 0);
        EXPECT_LE(upper.size(), 8u) << c;
        EXPECT_EQ(upper.front(), '&') << c;
        EXPECT_EQ(upper.size(), lower.size()) << c;
        for (char& ch : upper) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(upper, lower) << c;  // "&Agrave;" / "&agrave;", "&THORN;" / "&thorn;"
    }
}

TEST(HtmlMarkupChar, OnlyTheFiveMarkupCharacters) {
    const std::string markup = "\"&'<>";
    const char* entities[] = {"&quot;", "&amp;", "&#39;", "&lt;", "&gt;"};
    for (std::size_t i = 0; i < markup.size(); ++i)
        EXPECT_EQ(htmlMarkupChar(static_cast<unsigned char>(markup[i])), std::string(entities[i]));
    EXPECT_EQ(htmlMarkupChar(0xE9), std::string("\xE9"));
    EXPECT_EQ(htmlMarkupChar('x'), std::string("x"));
}

TEST(PrintUrlEncoded, ReservedCharactersAndHighBytes) {
    struct Case { std::string input; std::string expected; };
    const Case cases[] = {
        {"a b&c=d", "a+b%26c=d"},
        {"\xFC", "%FC"},
        {"100%", "100%"},
        {"\"#&:;<>?", "%22%23%26%3A%3B%3C%3E%3F"},
        {"x+y/z=1", "x+y/z=1"},
        {"\x80\xFF", "%80%FF"},
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
        {"script only", "/cgi/zgw", std::nullopt, "/cgi/zgw"},
        {"no script name", std::nullopt, "/x", "/x"},
        {"neither", std::nullopt, std::nullopt, ""},
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

TEST(SetCookie, HeaderLineEndsInCarriageReturnLineFeed) {
    CapturedResponse response;
    EXPECT_EQ(setCookie("zgwuser", "anna b"), 1);
    EXPECT_EQ(response.text(), "Set-Cookie: zgwuser=anna b; path=/\r\n");
}

TEST(SetCookie, ValuesThatWouldBreakTheHeaderAreNotWritten) {
    struct Case { const char* name; std::string cookieName; std::string value; };
    const Case cases[] = {
        {"header injection", "zgwuser", "anna\r\nLocation: http://evil/"},
        {"line feed alone", "zgwuser", "a\nb"},
        {"cookie attribute", "zgwuser", "anna; domain=evil.example"},
        {"delete character", "zgwuser", "a\x7F"},
        {"equals in the name", "a=b", "v"},
    };
    for (const auto& c : cases) {
        CapturedResponse response;
        EXPECT_EQ(setCookie(c.cookieName, c.value), 0) << c.name;
        EXPECT_EQ(response.text(), "") << c.name;
    }
}

TEST(PrintHtmlHeaderAndNumber, ExactText) {
    CapturedResponse response;
    printHtmlHeader();
    printNumber(-42);
    printNumber(0);
    EXPECT_EQ(response.text(), "Content-Type: text/html\n\n-420");
}

TEST(PrintStatusPage, SourcePlaceOnlyAtMessageLevelOne) {
    const std::string head =
        "Status: 404 Not found\nContent-Type: text/html\n\n"
        "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1>";
    struct Case { const char* name; int line; int level; std::string expected; };
    const Case cases[] = {
        {"level 0", 120, 0, head + "<h2>(S) no config</h2></body></html>"},
        {"level 1", 120, 1, head + "<h2>(S) no config</h2><h3>src/zgwmisc(120)</h3></body></html>"},
        {"level 2", 120, 2, head + "<h2>(S) no config</h2></body></html>"},
        {"level 1 without a line", 0, 1, head + "<h2>(S) no config</h2></body></html>"},
    };
    for (const auto& c : cases) {
        CapturedResponse response;
        printStatusPage("(S) no config", "src/zgwmisc", c.line, c.level);
        EXPECT_EQ(response.text(), c.expected) << c.name;
    }
}

TEST(PrintStatusPage, RequestTextEscapedOnceWhereItIsPutIn) {
    // The one rule: plain text is escaped with appendHtmlEscaped when it goes into
    // errorText; the page writes errorText as it stands, so markup of the program's own
    // survives and request text stays inert.
    StrBuf errorText("(S) Template ");
    appendHtmlEscaped(errorText, "<script>alert(\"x\")</script>.zgw");
    errorText.append(" not found");
    CapturedResponse response;
    printStatusPage(errorText.view(), "", 0, 0);
    std::string page = response.text();
    EXPECT_NE(page.find("<h2>(S) Template &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;.zgw "
                        "not found</h2>"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
}

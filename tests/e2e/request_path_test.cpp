// End-to-end tests of the request path: build/zoltgate run as a CGI process against a
// configuration file, a cache directory and the engine's run-time configuration file
// (ZOLTRCS naming ZGW_CONF and ZDBS_DATA), each test in a directory of its own; the
// tests that log in have databases made with build/zoltdb.

#include <gtest/gtest.h>

#include <regex>

#include "e2e/gateway_site.h"

namespace fs = std::filesystem;

namespace {

using namespace e2e;

class RequestPath : public GatewaySite {
protected:
    // True when the request of `parameters` opened `database` (the debug log says so).
    bool opens(const Parameters& parameters, const std::string& database, Environment extra = {}) {
        const fs::path log = root_ / "zgw.log";
        fs::remove(log);
        extra.emplace_back("ZGW_LOG", log.string());
        get(parameters, extra);
        return readFile(log).find(" openDatabase: " + database + ", result 0,") != std::string::npos;
    }

    // The login form next to the configuration file.
    void writeLoginForm() {
        writeFile(root_ / "login.zgw", "<form>${ERRMSG}|${APPL}|${BASE}|${ZGWPARAM}</form>\n");
    }
};

// Requests that end before the engine is needed: failures of the configuration and the
// parameters, refused clients, expired saved results and URL stacks. The message level
// comes from the configuration file, so without the file the page never shows the
// source place.
TEST_F(RequestPath, RequestsEndingWithoutALogin) {
    const std::string rcs = "ZGW_CONF=" + config_.string() + "\n";
    const std::string missing = (root_ / "no such dir" / "zgw.conf").string();
    const std::string redirect = "Location: http://www.example.org/start.html\n\n" + errorPage("OK");
    const std::string expired = " document has expired ";
    struct Case {
        const char* name; std::string rcs, config; Parameters request; std::string page;
    };
    const Case cases[] = {
        {"no parameters, level 1", rcs, "MSG-LEVEL 1\n", {},
         errorPage("(S) No arguments found", "src/zgwhtml(3433)")},
        {"no application and no base, level 1", rcs, "MSG-LEVEL 1\n", {{"TI", "cats"}, {"${HTML}", "list"}},
         errorPage("(S) Database information missing or ${base} variable", "src/zgwhtml(3917)")},
        {"missing configuration file", "ZGW_CONF=" + missing + "\n", "", {{"${BASE}", "docs"}},
         errorPage("(S) File not found or open failed [" + missing + "]")},
        {"no ZGW_CONF", "ZOLT_OTHER=1\n", "", {{"${BASE}", "docs"}},
         errorPage("(S) ZGW_CONF not found in the ZOLT configuration file")},
        {"configuration path with markup", "ZGW_CONF=" + (root_ / "<b>x</b>.conf").string() + "\n", "",
         {{"${BASE}", "docs"}},
         errorPage("(S) File not found or open failed [" + root_.string() + "/&lt;b&gt;x&lt;/b&gt;.conf]")},
        // Before any parameter: no debug echo, no cookie for ${USER}.
        {"bad configuration line", rcs, "# comment\nMSG-LEVEL 0\nBOGUS word\n",
         {{"${DEBUG}", "1"}, {"${USER}", "anna"}, {"${BASE}", "docs"}},
         errorPage("Unknown keyword \"BOGUS\" at line 4 in file " + config_.string())},
        {"refused client", rcs, "BASE docs ADDRESS 10.*.*.*\n", {{"${APPL}", "docs"}, {"TI", "cats"}},
         errorPage("No access to docs")},
        {"refused client, the name escaped", rcs, "BASE <b>x ADDRESS 10.*.*.*\n", {{"${APPL}", "<b>x"}},
         errorPage("No access to &lt;b&gt;x")},
        {"refused client, NOTE", rcs, "BASE docs ADDRESS 10.*.*.*\nBASE docs NOTE http://www.example.org/sorry.html\n",
         {{"${APPL}", "docs"}, {"TI", "cats"}},
         "Location: http://www.example.org/sorry.html\n\n" + errorPage("OK")},
        {"expired saved result", rcs, "", {{"${APPL}", "docs"}, {"${ZGWIDS}", "0.17/1700000000_4242"}},
         errorPage(expired + " (errno=2)")},
        {"expired URL stack, redirect", rcs, "BASE docs HTMLDEFAULT http://www.example.org/start.html\n",
         {{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "17/1700000000_4242"}}, redirect},
    };
    for (const auto& c : cases) {
        writeRcs(c.rcs);
        writeConfig(c.config);
        EXPECT_EQ(get(c.request).out, c.page) << c.name;
    }
}

TEST_F(RequestPath, WrongPasswordGivesTheLoginFormWithTheRequest) {
    ASSERT_TRUE(makeDocsAndNews());
    writeLoginForm();
    writeConfig("MSG-LEVEL 2\nMSG-LOGIN \"Please log in again\"\n");
    Parameters request{{"uname", "anna"}, {"passwd", "wrong"}, {"${BASE}", "news"},
                       {"TI", "cats \"&\" dogs"}, {"${USER}", "x"}};
    CgiResult result = get(request);
    const std::string cookies = "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=";
    ASSERT_EQ(result.out.substr(0, cookies.size()), cookies) << result.out;
    const std::string form =
        "Content-Type: text/html\n\n<form>Please log in again|news|news|"
        "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"news\">"
        "<INPUT type=\"hidden\" name=\"TI\" value=\"cats &quot;&amp;&quot; dogs\"></form>\n";
    EXPECT_TRUE(result.out.ends_with(form)) << result.out;

    // At message level 0 the form carries the engine's own text for the refusal.
    writeConfig("");
    result = get(request);
    EXPECT_NE(result.out.find("<form>Wrong user name or password|news|news|"), std::string::npos) << result.out;

    // The right password: the user's database opens and the request goes on.
    EXPECT_TRUE(opens({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "news"}, {"${FORD}", "DUMMY"}}, "news"));
}

TEST_F(RequestPath, DatabaseTheUserMayNotOpenGivesTheLoginForm) {
    ASSERT_TRUE(makeDocsAndNews());
    writeLoginForm();
    writeConfig("MSG-LEVEL 2\nMSG-OTHER \"You may not open this database\"\n");
    CgiResult result = get({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "docs"}});
    const std::string form =
        "Content-Type: text/html\n\n<form>You may not open this database|docs|docs|"
        "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"docs\"></form>\n";
    EXPECT_TRUE(result.out.ends_with(form)) << result.out;

    writeConfig("");
    result = get({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "docs"}});
    std::smatch cookie;
    ASSERT_TRUE(std::regex_search(result.out, cookie, std::regex("zgwpasswd=([0-9A-F]+);"))) << result.out;
    const std::string cookies = "zgwuser=anna; zgwpasswd=" + cookie[1].str();  // before result changes
    EXPECT_NE(result.out.find("<form>No access to database docs|docs|docs|"), std::string::npos) << result.out;

    // A later request with the login cookies: the same form, without a complaint (the
    // user typed nothing this time).
    result = get({{"${BASE}", "docs"}}, {{"HTTP_COOKIE", cookies}});
    EXPECT_EQ(result.out, "Content-Type: text/html\n\n<form>|docs|docs|"
                          "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"docs\"></form>\n");
    // With those cookies the user's own database opens.
    EXPECT_TRUE(opens({{"${BASE}", "news"}, {"${FORD}", "DUMMY"}}, "news", {{"HTTP_COOKIE", cookies}}));
}

// The commands that names and pseudo names become are tested on the engine double
// (tests/entry/login_test.cpp) and checked against the engine in tests/contract.
TEST_F(RequestPath, PseudoNamesAndClustersOpenedByName) {
    ASSERT_TRUE(makeDocsAndNews());
    writeConfig("MSG-LEVEL 1\nBASE docs PSEUDO handbook\n");
    // A pseudo name in a cluster opens its database; the request goes on to its template.
    EXPECT_TRUE(opens({{"${BASE}", "news,,HANDBOOK"}, {"${FORD}", "DUMMY"}}, "news,docs"));
    // A name that is no database: the engine's message, escaped, with the source line.
    CgiResult result = get({{"${BASE}", "<script>alert(1)</script>"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out,
              errorPage("Unknown database &#39;&lt;script&gt;alert(1)&lt;/script&gt;&#39;", "src/zgwhtml(4112)"));
}

// Every character set that ENCODING names converts through the program as installed:
// a static build loads iconv's modules at run time for all but UTF-8 and Latin-1, and
// without them the login of that set fails. The database name goes to the engine in
// the session's set and comes back in its message, converted both ways.
TEST_F(RequestPath, EveryConfigurableCharacterSetConverts) {
    ASSERT_TRUE(makeDocsAndNews());
    struct Case { const char* encoding; std::string name; std::string shown; };
    const Case cases[] = {
        {"LA1", "x\xE9\xE8", "x\xE9\xE8"},    {"LA2", "x\xB3\xBA", "x\xB3\xBA"},
        {"LA3", "x\xF8\xD0", "x\xF8?"},       // 0xD0 is no character of Latin-3
        {"UTF-8", "x\xC5\x82\xB3", "x\xC5\x82?"}, {"GBK", "x\xD6\xD0\xCE\xC4", "x\xD6\xD0\xCE\xC4"},
        {"EUC-JP", "x\xC6\xFC\xCB\xDC", "x\xC6\xFC\xCB\xDC"}, {"SJIS", "x\x93\xFA\x96\x7B", "x\x93\xFA\x96\x7B"},
    };
    for (const auto& c : cases) {
        writeConfig("ENCODING " + std::string(c.encoding) + "\n");
        EXPECT_EQ(get({{"${BASE}", c.name}, {"${FORD}", "DUMMY"}}).out,
                  errorPage("Unknown database &#39;" + c.shown + "&#39;"))
            << c.encoding;
    }
}

}  // namespace

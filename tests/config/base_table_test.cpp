// Tests of the BASE lines and the client access check: tables, the 128-name limit,
// address patterns, the rule users, redirects and refusals.

#include <string>
#include <vector>

#include "config/client_access.h"
#include "support/gateway_fixture.h"

namespace {

using BaseTable = GatewayTest;

TEST_F(BaseTable, DirectoryRedirectAndPseudoLines) {
    const std::string text = cacheLine() +
                             "BASE docs ZGWDIR   /srv/my templates/docs  \n"
                             "BASE Docs ZGWDIR /second\n"
                             "BASE docs HTMLDEFAULT http://host/expired.html\n"
                             "BASE realdb PSEUDO nick\n"
                             "BASE a,b ZGWDIR /ab\n";
    ASSERT_EQ(readConfigText(text), 0) << gw->errorText.view();
    auto& r = gw->findresult;
    EXPECT_EQ(*findValueByName(r.applDirTable, "DOCS"), "/srv/my templates/docs") << "first pair wins";
    EXPECT_EQ(*findValueByName(r.applDirTable, "a,b"), "/ab") << "the names word is one key";
    EXPECT_EQ(findValueByName(r.applDirTable, "a"), nullptr);
    EXPECT_EQ(*findValueByName(r.expiredUrlTable, "docs"), "http://host/expired.html");
    EXPECT_EQ(*findValueByName(r.baseApplTable, "nick"), "realdb");
    EXPECT_EQ(gw->baseNameCount, 0) << "only NOTE and ADDRESS lines restrict";
}

TEST_F(BaseTable, The129thNameFailsAndTheNamesBeforeItKeepTheRule) {
    for (int i = 0; i < 127; ++i)
        ASSERT_EQ(gw->doRebases("n" + std::to_string(i) + " ADDRESS 1.2.3.4"), 0) << i;
    EXPECT_EQ(gw->doRebases("x,n5,y,z ADDRESS 9.9.9.9"), 2);
    EXPECT_EQ(gw->errorText.view(), "more than 32 bases");
    EXPECT_EQ(*findValueByName(gw->baseNames, "x"), 127);
    EXPECT_EQ(gw->baseRules[127].size(), 1u);
    EXPECT_EQ(gw->baseRules[5].size(), 2u) << "a known name before y gets the rule too";
    EXPECT_EQ(findValueByName(gw->baseNames, "y"), nullptr);
    EXPECT_EQ(gw->baseNameCount, 128);
}

TEST(AddressMatches, PatternsAgainstAddresses) {
    struct Case { const char* pattern; const char* address; bool match; };
    const Case cases[] = {
        {"10.1.*.*", "10.1.200.7", true},            {"10.1.*.*", "10.2.0.1", false},
        {"192.168.0.10-20", "192.168.0.15", true},   {"192.168.0.10-20", "192.168.0.10", true},
        {"192.168.0.10-20", "192.168.0.20", true},   {"192.168.0.10-20", "192.168.0.21", false},
        {"192.168.0.10-20", "192.168.0.015", true},  // a number: a leading zero is fine
        {"192.168.0.10-20", "192.168.0.1x", false},  {"192.168.0.10-20", "192.168.0.+15", false},
        {"192.168.0.10-20", "192.168.0.", false},    {"1.1.1.x-20", "1.1.1.5", false},
        {"1.1.1.-20", "1.1.1.5", false},             {"1.1.1.5-", "1.1.1.5", false},
        {"1.1.1.0-99999999999", "1.1.1.5", false},   // out of range: matches nothing
        {"1.1.1.0-999999999", "1.1.1.999999999", true}, {"1.1.1.0-999999999", "1.1.1.9999999999", false},
        {"010.0.0.1", "10.0.0.1", false},            // text comparison
        {"*.*.*.*", "::1", true},                    {"*.*.*.*", "", true},  // "*" matches whatever stands
        {"10.*.*.*", "::1", false},                  {"10.*.*.*", "::ffff:10.1.2.3", false},
        {"10.1", "10.1.2.3", false},                 {"10.1", "10.1", false},  // a short pattern admits nothing
        {"10.1.*.*", "10.1", true},                  {"10.1.2.*", "10.1", false},  // a missing part matches "*"
        {"1.2.3.4", "1.2.3.4.5", false},             {"1.2.3.*", "1.2.3.4.5", true},  // the rest is part four
        {"1.2.3.4.5", "1.2.3.4.5", true},            {"", "1.2.3.4", false},
        {"*", "1.2.3.4", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressMatches(c.pattern, c.address), c.match) << c.pattern << " vs '" << c.address << "'";
}

TEST_F(BaseTable, AccessCheck) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;  // BASE lines without the keyword
        const char* appl;
        const char* remote;              // null: REMOTE_ADDR unset
        int result;
        std::string user, password, errorText;
        int errorLine;
        std::string written;
    };
    const char* script = "<script>alert(1)</script>";
    const std::string location = "Location: http://a/\n\n";
    const std::vector<Case> cases = {
        {"open application", {"docs ADDRESS 10.*.*.*"}, "other", "1.2.3.4", 0, "web", "pw", "OK", 7, ""},
        {"matching client", {"docs ADDRESS 10.1.*.*"}, "docs", "10.1.200.7", 0, "web", "pw", "OK", 7, ""},
        {"refused client", {"docs ADDRESS 10.1.*.*"}, "DOCS", "10.2.0.1", -1, "web", "pw", "No access to DOCS", -1, ""},
        {"refused client, the name escaped", {std::string(script) + " ADDRESS 10.*.*.*"}, script, "1.2.3.4", -1,
         "web", "pw", "No access to &lt;script&gt;alert(1)&lt;/script&gt;", -1, ""},
        // A rule serves every name of its line; names compare without regard to case.
        {"rule user wins", {"docs,,news\tADDRESS 10.*.*.* reader secret"}, "NEWS", "10.9.9.9", 0, "reader", "secret",
         "OK", 7, ""},
        {"user without password", {"docs ADDRESS 10.*.*.* reader"}, "docs", "10.9.9.9", 0, "reader", "pw", "OK", 7,
         ""},
        {"first matching rule", {"docs ADDRESS 10.*.*.* first one", "docs ADDRESS 10.1.*.* second two"}, "docs",
         "10.1.1.1", 0, "first", "one", "OK", 7, ""},
        {"note redirects", {"docs NOTE http://a/"}, "docs", "10.1.1.1", -1, "web", "pw", "OK", 0, location},
        {"note after a rule that does not match",
         {"docs ADDRESS 10.*.*.*", "docs NOTE http://a/", "docs NOTE http://b/"}, "docs", "11.0.0.1", -1, "web", "pw",
         "OK", 0, location},
        {"unset REMOTE_ADDR", {"docs ADDRESS 10.*.*.*"}, "docs", nullptr, -1, "web", "pw", "No access to docs", -1, ""},
        {"IPv6 client", {"docs ADDRESS 10.*.*.*"}, "docs", "2001:db8::1", -1, "web", "pw", "No access to docs", -1, ""},
        {"IPv6 client and a pattern of stars", {"docs ADDRESS *.*.*.* any"}, "docs", "2001:db8::1", 0, "any", "pw",
         "OK", 7, ""},
    };
    for (const auto& c : cases) {
        fresh();
        gw->findresult.userName = "web";
        gw->findresult.password = "pw";
        gw->errorLine = 7;
        for (const auto& line : c.lines) ASSERT_EQ(gw->doRebases(line), 0) << c.name << ": " << line;
        gw->applName = c.appl;
        if (c.remote) setenv("REMOTE_ADDR", c.remote, 1);
        EXPECT_EQ(gw->checkRebase(), c.result) << c.name;
        EXPECT_EQ(gw->findresult.userName.view(), c.user) << c.name;
        EXPECT_EQ(gw->findresult.password.view(), c.password) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.errorText) << c.name;
        EXPECT_EQ(gw->errorLine, c.errorLine) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
    }
}

}  // namespace

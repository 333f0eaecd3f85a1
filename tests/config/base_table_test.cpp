// Tests of the BASE lines and the client access check: the tables, the 128-name limit,
// address patterns, and the answer of the check (admit with the rule's user, redirect,
// refuse). The controller acting on the answer is tested end to end (tests/e2e).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/base_table.h"
#include "config/client_access.h"

namespace {

// ZGWDIR, HTMLDEFAULT and PSEUDO at work, and ZGWDIR lines restricting no client: the
// end-to-end tests (tests/e2e).
TEST(BaseTable, DirectoryWithBlanksAndANamesWordAsOneKey) {
    BaseTables tables;
    ConfigError error;
    for (const char* line : {"docs ZGWDIR   /srv/my templates/docs  ", "a,b ZGWDIR /ab"})
        ASSERT_EQ(doRebases(tables, line, error), 0) << line;
    EXPECT_EQ(*findValueByName(tables.applDirTable, "DOCS"), "/srv/my templates/docs");
    EXPECT_EQ(*findValueByName(tables.applDirTable, "a,b"), "/ab");
}

TEST(BaseTable, The129thNameFailsAndTheNamesBeforeItKeepTheRule) {
    BaseTables tables;
    ConfigError error;
    for (int i = 0; i < 127; ++i)
        ASSERT_EQ(doRebases(tables, "n" + std::to_string(i) + " ADDRESS 1.2.3.4", error), 0) << i;
    EXPECT_EQ(doRebases(tables, "x,n5,y,z ADDRESS 9.9.9.9", error), 2);
    EXPECT_EQ(error.html.view(), "more than 32 bases");
    EXPECT_EQ(tables.access.nameCount(), 128);
    ASSERT_NE(tables.access.rulesOf("x"), nullptr);
    EXPECT_EQ(tables.access.rulesOf("n5")->size(), 2u) << "a known name before y gets the rule too";
    EXPECT_EQ(tables.access.rulesOf("y"), nullptr);
}

TEST(AddressMatches, PatternsAgainstAddresses) {
    struct Case { const char* pattern; const char* address; bool match; };
    const Case cases[] = {
        {"10.1.*.*", "10.1.200.7", true},            {"10.1.*.*", "10.2.0.1", false},
        {"192.168.0.10-20", "192.168.0.10", true},   {"192.168.0.10-20", "192.168.0.20", true},
        {"192.168.0.10-20", "192.168.0.21", false},  {"192.168.0.10-20", "192.168.0.015", true},
        {"192.168.0.10-20", "192.168.0.1x", false},  {"1.1.1.x-20", "1.1.1.5", false},
        {"1.1.1.0-99999999999", "1.1.1.5", false},   // out of range: matches nothing
        {"010.0.0.1", "10.0.0.1", false},            // text comparison
        {"*.*.*.*", "::1", true},                    {"*.*.*.*", "", true},  // "*" matches whatever stands
        {"10.*.*.*", "::ffff:10.1.2.3", false},      {"10.1", "10.1", false},  // a short pattern admits nothing
        {"10.1.*.*", "10.1", true},                  {"10.1.2.*", "10.1", false},  // a missing part matches "*"
        {"1.2.3.4", "1.2.3.4.5", false},             {"1.2.3.*", "1.2.3.4.5", true},  // the rest is part four
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressMatches(c.pattern, c.address), c.match) << c.pattern << " vs '" << c.address << "'";
}

TEST(ClientAccess, TheAnswerOfTheCheck) {
    using D = AccessDecision;
    struct Case {
        const char* name; std::vector<std::string> lines; const char* appl; const char* address;
        D::Verdict verdict; std::string user, password, url;
    };
    const std::vector<Case> cases = {
        {"open application", {"docs ADDRESS 10.*.*.*"}, "other", "1.2.3.4", D::kAdmit, "", "", ""},
        {"matching client", {"docs ADDRESS 10.1.*.*"}, "docs", "10.1.200.7", D::kAdmit, "", "", ""},
        // A rule serves every name of its line; names compare without regard to case.
        {"the rule's user", {"docs,,news\tADDRESS 10.*.*.* reader secret"}, "NEWS", "10.9.9.9", D::kAdmit,
         "reader", "secret", ""},
        {"user without password", {"docs ADDRESS 10.*.*.* reader"}, "docs", "10.9.9.9", D::kAdmit, "reader", "", ""},
        {"first matching rule", {"docs ADDRESS 10.*.*.* first one", "docs ADDRESS 10.1.*.* second two"}, "docs",
         "10.1.1.1", D::kAdmit, "first", "one", ""},
        {"first note after a rule that does not match",
         {"docs ADDRESS 10.*.*.*", "docs NOTE http://a/", "docs NOTE http://b/"}, "docs", "11.0.0.1", D::kRedirect,
         "", "", "http://a/"},
        {"unset REMOTE_ADDR", {"docs ADDRESS 10.*.*.*"}, "docs", "", D::kRefuse, "", "", ""},
        {"IPv6 client and a pattern of stars", {"docs ADDRESS *.*.*.* any"}, "docs", "2001:db8::1", D::kAdmit,
         "any", "", ""},
    };
    for (const auto& c : cases) {
        BaseTables tables;
        ConfigError error;
        for (const auto& line : c.lines) ASSERT_EQ(doRebases(tables, line, error), 0) << c.name << ": " << line;
        AccessDecision decision = checkRebase(tables.access, c.appl, c.address);
        EXPECT_EQ(decision.verdict, c.verdict) << c.name;
        EXPECT_EQ(decision.user.view(), c.user) << c.name;
        EXPECT_EQ(decision.password.view(), c.password) << c.name;
        EXPECT_EQ(decision.redirectUrl.view(), c.url) << c.name;
    }
}

}  // namespace

// Tests of the BASE lines and the client access check: tables, rule filing, the
// 128-name limit, address patterns, redirects and refusals.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cgi/response.h"
#include "config/client_access.h"
#include "config_test_support.h"

namespace {

// Captures what is written to the response while it lives.
class CapturedResponse {
public:
    CapturedResponse() : file_(std::tmpfile()) { setResponseStream(file_); }
    ~CapturedResponse() {
        setResponseStream(nullptr);
        std::fclose(file_);
    }
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    std::FILE* file_;
};

// Sets REMOTE_ADDR, or unsets it for null.
void setRemote(const char* address) {
    if (address) setenv("REMOTE_ADDR", address, 1);
    else unsetenv("REMOTE_ADDR");
}

using BaseTableTest = ConfigTest;

TEST_F(BaseTableTest, DirectoryRedirectAndPseudoLines) {
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

TEST_F(BaseTableTest, RulesAreSharedByTheNamesOfTheirLine) {
    ASSERT_EQ(gw->doRebases("docs,,news ADDRESS 10.*.*.* reader pw extra"), 0);
    ASSERT_EQ(gw->doRebases("NEWS\tNOTE http://host/refused"), 0);
    EXPECT_EQ(gw->baseNameCount, 2);
    EXPECT_EQ(*findValueByName(gw->baseNames, "docs"), 0);
    EXPECT_EQ(*findValueByName(gw->baseNames, "news"), 1);
    ASSERT_EQ(gw->baseRules[0].size(), 1u);
    ASSERT_EQ(gw->baseRules[1].size(), 2u);
    EXPECT_EQ(gw->baseRules[0][0], gw->baseRules[1][0]) << "one rule object for the line";
    const BaseRule& rule = *gw->baseRules[0][0];
    EXPECT_EQ(rule.kind, 0);
    EXPECT_EQ(rule.address.view(), "10.*.*.*");
    EXPECT_EQ(rule.user.view(), "reader");
    EXPECT_EQ(rule.password.view(), "pw");
    EXPECT_EQ(gw->baseRules[1][1]->kind, 1);
    EXPECT_EQ(gw->baseRules[1][1]->note.view(), "http://host/refused");
}

TEST_F(BaseTableTest, The129thNameFailsAndTheNamesBeforeItKeepTheRule) {
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
        {"10.1.*.*", "10.1.200.7", true},
        {"10.1.*.*", "10.2.0.1", false},
        {"192.168.0.10-20", "192.168.0.15", true},
        {"192.168.0.10-20", "192.168.0.10", true},
        {"192.168.0.10-20", "192.168.0.20", true},
        {"192.168.0.10-20", "192.168.0.21", false},
        {"192.168.0.10-20", "192.168.0.015", true},   // a number: leading zero is fine
        {"192.168.0.10-20", "192.168.0.1x", false},   // not a number
        {"192.168.0.10-20", "192.168.0.+15", false},
        {"192.168.0.10-20", "192.168.0.", false},
        {"1.1.1.x-20", "1.1.1.5", false},             // a range with a non-number
        {"1.1.1.-20", "1.1.1.5", false},
        {"1.1.1.5-", "1.1.1.5", false},
        {"1.1.1.0-99999999999", "1.1.1.5", false},    // out of range: matches nothing
        {"1.1.1.0-999999999", "1.1.1.999999999", true},
        {"1.1.1.0-999999999", "1.1.1.9999999999", false},
        {"10.0.0.1", "10.0.0.1", true},
        {"010.0.0.1", "10.0.0.1", false},             // text comparison
        {"*.*.*.*", "::1", true},                     // "*" matches whatever stands there
        {"*.*.*.*", "", true},
        {"10.*.*.*", "::1", false},
        {"10.*.*.*", "::ffff:10.1.2.3", false},
        {"10.1", "10.1.2.3", false},                  // a shortened pattern admits nothing
        {"10.1", "10.1", false},
        {"10.1.*.*", "10.1", true},
        {"10.1.2.*", "10.1", false},                  // a missing address part matches only "*"
        {"1.2.3.4", "1.2.3.4.5", false},              // the rest stays in the fourth part
        {"1.2.3.*", "1.2.3.4.5", true},
        {"1.2.3.4.5", "1.2.3.4.5", true},
        {"", "1.2.3.4", false},
        {"*", "1.2.3.4", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressMatches(c.pattern, c.address), c.match) << c.pattern << " vs '" << c.address << "'";
}

TEST_F(BaseTableTest, AccessCheck) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;  // BASE lines without the keyword
        const char* appl;
        const char* remote;              // null: REMOTE_ADDR unset
        int result;
        std::string user;
        std::string password;
        std::string errorText;
        int errorLine;
        std::string written;
    };
    const std::vector<Case> cases = {
        {"open application", {"docs ADDRESS 10.*.*.*"}, "other", "1.2.3.4", 0, "web", "pw", "OK", 7, ""},
        {"matching client", {"docs ADDRESS 10.1.*.*"}, "docs", "10.1.200.7", 0, "web", "pw", "OK", 7, ""},
        {"refused client", {"docs ADDRESS 10.1.*.*"}, "DOCS", "10.2.0.1", -1, "web", "pw",
         "No access to DOCS", -1, ""},
        {"rule user wins", {"docs,news ADDRESS 10.*.*.* reader secret"}, "news", "10.9.9.9", 0,
         "reader", "secret", "OK", 7, ""},
        {"user without password", {"docs ADDRESS 10.*.*.* reader"}, "docs", "10.9.9.9", 0, "reader",
         "pw", "OK", 7, ""},
        {"first matching rule", {"docs ADDRESS 10.*.*.* first one", "docs ADDRESS 10.1.*.* second two"},
         "docs", "10.1.1.1", 0, "first", "one", "OK", 7, ""},
        {"note redirects", {"docs NOTE http://host/sorry.html"}, "docs", "10.1.1.1", -1, "web", "pw",
         "OK", 0, "Location: http://host/sorry.html\n\n"},
        {"note after a rule that does not match",
         {"docs ADDRESS 10.*.*.*", "docs NOTE http://a/", "docs NOTE http://b/"}, "docs", "11.0.0.1",
         -1, "web", "pw", "OK", 0, "Location: http://a/\n\n"},
        {"unset REMOTE_ADDR", {"docs ADDRESS 10.*.*.*"}, "docs", nullptr, -1, "web", "pw",
         "No access to docs", -1, ""},
        {"IPv6 client", {"docs ADDRESS 10.*.*.*"}, "docs", "2001:db8::1", -1, "web", "pw",
         "No access to docs", -1, ""},
        {"IPv6 client and a pattern of stars", {"docs ADDRESS *.*.*.* any"}, "docs", "2001:db8::1", 0,
         "any", "pw", "OK", 7, ""},
    };
    for (const auto& c : cases) {
        fresh();
        gw->findresult.userName = "web";
        gw->findresult.password = "pw";
        gw->errorLine = 7;
        for (const auto& line : c.lines) ASSERT_EQ(gw->doRebases(line), 0) << c.name << ": " << line;
        gw->applName = c.appl;
        setRemote(c.remote);
        CapturedResponse response;
        EXPECT_EQ(gw->checkRebase(), c.result) << c.name;
        EXPECT_EQ(gw->findresult.userName.view(), c.user) << c.name;
        EXPECT_EQ(gw->findresult.password.view(), c.password) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.errorText) << c.name;
        EXPECT_EQ(gw->errorLine, c.errorLine) << c.name;
        EXPECT_EQ(response.text(), c.written) << c.name;
    }
    unsetenv("REMOTE_ADDR");
}

TEST_F(BaseTableTest, RefusalEscapesTheApplicationName) {
    ASSERT_EQ(gw->doRebases("<script>alert(1)</script> ADDRESS 10.*.*.*"), 0);
    gw->applName = "<script>alert(1)</script>";
    setRemote("1.2.3.4");
    EXPECT_EQ(gw->checkRebase(), -1);
    EXPECT_EQ(gw->errorText.view(), "No access to &lt;script&gt;alert(1)&lt;/script&gt;");
    unsetenv("REMOTE_ADDR");
}

}  // namespace

// Tests of doLogin and openDatabase on the engine double: who logs in, the client
// check before the login, the messages of refusals (escaped: they may quote request
// text), pseudo database names and clusters.

#include <cstdlib>

#include "entry/request_test_support.h"

namespace {

using Texts = std::vector<std::string>;
using zdbdouble::Answer;
using Login = RequestTest;

// The login cookies of anna with the password "secret", scrambled.
const Entries kAnnasCookies = {{"zgwuser", "anna"}, {"zgwpasswd", "4D020A133E04066870"}};

TEST_F(Login, WhoLogsIn) {
    struct Case {
        const char* name;
        const char* config;
        Entries request;
        Entries cookies;
        const char* remote;
        const char* start;    // the login call
        const char* logname;  // set before the client check, so before its rule's user
    };
    const Case cases[] = {
        {"defaults", "", {{"${BASE}", "docs"}}, {}, nullptr, "ZdbStartZolt(zoltgate,,9,256)", "zoltgate"},
        {"configured user", "DEFAULT-USER web webpw\n", {{"${BASE}", "docs"}}, {}, nullptr,
         "ZdbStartZolt(web,webpw,9,256)", "web"},
        {"cookies win over the configuration", "DEFAULT-USER web webpw\n", {{"${BASE}", "docs"}},
         kAnnasCookies, nullptr, "ZdbStartZolt(anna,secret,9,256)", "anna"},
        {"parameters win over cookies, each on its own", "", {{"${USER}", "bob"}, {"${BASE}", "docs"}},
         kAnnasCookies, nullptr, "ZdbStartZolt(bob,secret,9,256)", "bob"},
        {"the matching client rule wins last", "BASE docs ADDRESS 10.*.*.* reader rpw\n",
         {{"${USER}", "bob"}, {"${PWD}", "x"}, {"${APPL}", "docs"}}, {}, "10.1.2.3",
         "ZdbStartZolt(reader,rpw,9,256)", "bob"},
    };
    for (const auto& c : cases) {
        fresh();
        if (c.remote) setenv("REMOTE_ADDR", c.remote, 1);
        fillList(cookieEntries, c.cookies);
        configured(c.request, c.config);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name << ": " << gw->errorText.view();
        EXPECT_EQ(engine().callsNamed("ZdbStartZolt"), Texts{c.start}) << c.name;
        EXPECT_STREQ(std::getenv("LOGNAME"), c.logname) << c.name;
    }
}

TEST_F(Login, RefusedClientsNeverLogIn) {
    struct Case { const char* name; const char* config; std::string text; int line; std::string written; };
    const Case cases[] = {
        {"no rule matches", "BASE docs ADDRESS 10.*.*.*\n", "No access to docs", -1, ""},
        {"no rule matches, note", "BASE docs ADDRESS 10.*.*.*\nBASE docs NOTE http://host/sorry\n", "OK", 0,
         "Location: http://host/sorry\n\n"},
    };
    for (const auto& c : cases) {
        fresh();
        setenv("REMOTE_ADDR", "192.168.1.1", 1);
        configured({{"${APPL}", "docs"}}, c.config);
        EXPECT_EQ(gw->cgiParse(), -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty()) << c.name;
        EXPECT_TRUE(engine().callsNamed("ZdbVersion").empty()) << c.name;
    }
}

TEST_F(Login, FailedLogins) {
    struct Case { const char* name; const char* version; int start; int level; std::string text; const char* file; int engineError; };
    const std::string tooOld = "ZOLTgate v3.0 or later needs DORUvudavi v3.4 or later";
    const Case cases[] = {
        {"engine 3.39 is too old", "3.39", 1, 0, tooOld, "", 666},
        {"engine 10.0 is too old", "10.0", 1, 1, tooOld, "", 666},
        {"wrong password", "4.0", 16418, 0, "User &lt;b&gt;web&lt;/b&gt; &amp; co is not logged in",
         "src/zgwhtml", 10306},
        {"wrong password at message level 2", "4.0", 16418, 2, "Login &lt;error&gt;", "src/zgwhtml", 10306},
        {"disabled account", "4.0", 322, 0, "This account is disabled", "src/zgwhtml", 322},
    };
    for (const auto& c : cases) {
        fresh();
        engine().version = c.version;
        engine().startResult = c.start;
        engine().messages[10306] = "User %1 is not logged in";
        engine().messages[322] = "This account is disabled";
        std::string config = "DEFAULT-USER <b>web</b>&co\nMSG-LEVEL " + std::to_string(c.level) +
                             "\nMSG-LOGIN \"Login <error>\"\n";
        configured({{"${BASE}", "docs"}}, config);
        gw->findresult.userName = "<b>web</b> & co";
        gw->errorFile = "";
        EXPECT_EQ(gw->doLogin(), -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorFile.view(), c.file) << c.name;
        EXPECT_EQ(gw->errorLine, 0) << c.name << ": no source line on the page";
        EXPECT_EQ(gw->db.engineError, c.engineError) << c.name;
    }
}

TEST_F(Login, NamesOpenedForTheRequest) {
    struct Case { const char* name; const char* config; const char* base; const char* command; };
    const Case cases[] = {
        {"one database", "", "docs", "BASE docs"},
        {"two names without pseudo names: a cluster", "", "docs,news", "BASE  tmpclust=docs,news"},
        {"empty pieces stay without pseudo names", "", "docs,,news", "BASE  tmpclust=docs,,news"},
        {"pseudo name alone", "BASE realdb PSEUDO nick\n", "NICK", "BASE realdb"},
        {"pseudo name in a list", "BASE realdb PSEUDO nick\n", "nick,news", "BASE  tmpclust=realdb,news"},
        {"empty pieces fall away", "BASE realdb PSEUDO nick\n", ",nick,,news,", "BASE  tmpclust=realdb,news"},
        {"no pair: unchanged", "BASE realdb PSEUDO nick\n", "docs", "BASE docs"},
        {"first pair wins", "BASE one PSEUDO p\nBASE two PSEUDO p\n", "p", "BASE one"},
        {"a pseudo name for a cluster", "BASE a,b PSEUDO both\n", "both,c", "BASE  tmpclust=a,b,c"},
    };
    for (const auto& c : cases) {
        fresh();
        configured({{"${BASE}", c.base}}, c.config);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name;
        engine().log.clear();
        EXPECT_EQ(gw->openDatabase(), 0) << c.name << ": " << gw->errorText.view();
        EXPECT_EQ(engine().callsNamed("ZdbExecuteCcl"), Texts{"ZdbExecuteCcl(" + std::string(c.command) + ")"})
            << c.name;
    }
}

TEST_F(Login, ClusterIsMarkedWhenTheEngineReportsSeveralDatabases) {
    configured({{"${BASE}", "docs"}, {"${BASE}", "news"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    ASSERT_EQ(gw->openDatabase(), 0);
    EXPECT_EQ(gw->db.clusterFlag, 1);
    EXPECT_EQ(gw->db.currentBase.view(), "docs,news");
    EXPECT_TRUE(gw->db.singleBase.empty());
}

TEST_F(Login, DatabaseThatCannotBeOpenedLeavesTheEscapedMessage) {
    engine().messages[4000] = "Unknown database %1";
    engine().answer("BASE <script>alert(1)</script>", Answer{4000, -1, {}});
    configured({{"${BASE}", "<script>alert(1)</script>"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    // The engine quotes the name it was given; the double does so through variable 1.
    ZdbSetTextVariable(1, "<script>alert(1)</script>");
    EXPECT_EQ(gw->openDatabase(), -1);
    EXPECT_EQ(gw->errorText.view(), "Unknown database &lt;script&gt;alert(1)&lt;/script&gt;");
    EXPECT_EQ(gw->errorFile.view(), "src/zgwhtml");
    EXPECT_EQ(gw->errorLine, 4112);
    EXPECT_EQ(gw->db.engineError, 4000);
}

}  // namespace

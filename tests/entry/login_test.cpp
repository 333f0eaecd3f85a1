// Tests of doLogin and openDatabase on the engine double: who logs in and with which
// language, the client rule's user, the failures of the login with their texts
// (escaped: they may quote request text), pseudo names and clusters. Refused clients
// and unknown databases are tested end to end (tests/e2e).

#include <cstdlib>

#include "cgi/password_scramble.h"
#include "support/gateway_fixture.h"

namespace {

using Texts = std::vector<std::string>;
using Login = GatewayTest;

// The login cookies of anna with the password "secret", scrambled.
const Pairs kAnnasCookies = {{"zgwuser", "anna"}, {"zgwpasswd", "4D020A133E04066870"}};

std::string cookieLine(const std::string& name, const std::string& value) {
    return "Set-Cookie: " + name + "=" + value + "; path=/\r\n";
}

TEST_F(Login, WhoLogsIn) {
    const std::string longPassword = std::string(32, 'p') + "beyond";
    const std::string kept(32, 'p');  // as much as the cookie holds, so the next request logs in the same
    struct Case {
        const char* name; std::string config; Pairs request, cookies; const char* remote;
        std::string start;    // the login call
        const char* logname;  // set before the client check, so before its rule's user
        std::string written;  // the cookies of ${USER} and ${PWD}
    };
    const Case cases[] = {
        {"defaults", "", {{"${BASE}", "docs"}}, {}, nullptr, "ZdbStartZolt(zoltgate,,9,256)", "zoltgate", ""},
        {"configured user", "DEFAULT-USER web webpw\n", {{"${BASE}", "docs"}}, {}, nullptr,
         "ZdbStartZolt(web,webpw,9,256)", "web", ""},
        {"cookies win over the configuration", "DEFAULT-USER web webpw\n", {{"${BASE}", "docs"}},
         kAnnasCookies, nullptr, "ZdbStartZolt(anna,secret,9,256)", "anna", ""},
        {"parameters win over cookies, each on its own", "", {{"${USER}", "bob"}, {"${BASE}", "docs"}},
         kAnnasCookies, nullptr, "ZdbStartZolt(bob,secret,9,256)", "bob", cookieLine("zgwuser", "bob")},
        {"parameters become cookies", "DEFAULT-USER web webpw\n",
         {{"${USER}", "anna"}, {"${PWD}", "secret"}, {"${BASE}", "docs"}}, {}, nullptr,
         "ZdbStartZolt(anna,secret,9,256)", "anna",
         cookieLine("zgwuser", "anna") + cookieLine("zgwpasswd", scramblePassword("secret"))},
        {"password cut to 32 characters", "", {{"${PWD}", longPassword}, {"${BASE}", "docs"}}, {}, nullptr,
         "ZdbStartZolt(zoltgate," + kept + ",9,256)", "zoltgate", cookieLine("zgwpasswd", scramblePassword(kept))},
        {"language of the request before the login", "LANGUAGE GER\n", {{"${LANGUAGE}", "SWE"}, {"${BASE}", "docs"}},
         {}, nullptr, "ZdbStartZolt(zoltgate,,10,256)", "zoltgate", ""},
        {"the matching client rule wins last", "BASE docs ADDRESS 10.*.*.* reader rpw\n",
         {{"${USER}", "bob"}, {"${PWD}", "x"}, {"${APPL}", "docs"}}, {}, "10.1.2.3",
         "ZdbStartZolt(reader,rpw,9,256)", "bob",
         cookieLine("zgwuser", "bob") + cookieLine("zgwpasswd", scramblePassword("x"))},
    };
    for (const auto& c : cases) {
        fresh();
        if (c.remote) setenv("REMOTE_ADDR", c.remote, 1);
        fillList(cookieEntries, c.cookies);
        configured(c.request, c.config);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name << ": " << gw->errorText.view();
        EXPECT_EQ(engine().callsNamed("ZdbStartZolt"), Texts{c.start}) << c.name;
        EXPECT_STREQ(std::getenv("LOGNAME"), c.logname) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
    }
}

// Refusals that the login form answers (the entry writes it) and failures that end in
// the error page, through the whole run of a request. An unknown database is refused
// end to end (RequestPath.PseudoNamesAndClustersOpenedByName).
TEST_F(Login, FailuresOfTheLogin) {
    const std::string tooOld = "ZOLTgate v3.0 or later needs DORUvudavi v3.4 or later";
    struct Case {
        const char* name; const char* version; int start; int level; std::string text; int loginRequired;
        int engineError;
    };
    const Case cases[] = {
        {"engine 3.39 is too old", "3.39", 1, 0, tooOld, 0, 666},
        {"disabled account", "4.0", 322, 0, "This account is disabled", 0, 322},
        {"wrong password", "4.0", 16418, 0, "User &lt;b&gt;web&lt;/b&gt;&amp;co is not logged in", 1, 10306},
        {"wrong password at message level 2", "4.0", 16418, 2, "Login &lt;error&gt;", 1, 10306},
    };
    for (const auto& c : cases) {
        fresh();
        engine().version = c.version;
        engine().startResult = c.start;
        engine().messages[10306] = "User %1 is not logged in";
        engine().messages[322] = "This account is disabled";
        runRequest({{"${BASE}", "docs"}}, "DEFAULT-USER <b>web</b>&co\nMSG-LEVEL " + std::to_string(c.level) +
                                              "\nMSG-LOGIN \"Login <error>\"\n");
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->loginRequired, c.loginRequired) << c.name;
        EXPECT_EQ(written(), c.loginRequired ? "" : errorPage(c.text)) << c.name;
        EXPECT_EQ(gw->db.engineError, c.engineError) << c.name;
    }
}

TEST_F(Login, NamesOpenedForTheRequest) {
    struct Case { const char* name; const char* config; const char* base; const char* command; };
    const Case cases[] = {
        // A pseudo name in a list with empty pieces is opened end to end
        // (RequestPath.PseudoNamesAndClustersOpenedByName).
        {"empty pieces at the ends", "BASE realdb PSEUDO nick\n", ",nick,,news,", "BASE  tmpclust=realdb,news"},
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

}  // namespace

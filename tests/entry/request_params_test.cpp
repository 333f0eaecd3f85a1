// Tests of cgiParse: the control parameters and form fields, the settling of the
// application and database, the login after the parameters, the template names,
// ${ZOLTSHOW}, the diagnostic echo and the limits of the name buffers.

#include <cstdlib>
#include <functional>

#include "entry/password_scramble.h"
#include "entry/request_test_support.h"

namespace {

using Texts = std::vector<std::string>;

std::vector<std::pair<std::string, std::string>> formFieldsOf(const zoltgw& gw) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& pair : gw.formFields) out.emplace_back(pair->key.str(), pair->value.str());
    return out;
}

using RequestParams = RequestTest;

TEST_F(RequestParams, FailuresOfItsOwn) {
    struct Case { const char* name; Entries request; const char* text; int line; };
    const Case cases[] = {
        {"no parameters", {}, "(S) No arguments found", 3433},
        {"neither application nor base", {{"q", "cats"}, {"${HTML}", "x"}},
         "(S) Database information missing or ${base} variable", 3917},
    };
    for (const auto& c : cases) {
        fresh();
        configured(c.request);
        EXPECT_EQ(gw->cgiParse(), -1) << c.name;
        EXPECT_EQ(gw->status, -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorFile.view(), "src/zgwhtml") << c.name;
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty()) << c.name << ": no login";
    }
}

TEST_F(RequestParams, ApplicationAndDatabaseAreSettled) {
    struct Case { const char* name; Entries request; const char* appl; const char* base; };
    const Case cases[] = {
        {"two bases", {{"${BASE}", "docs"}, {"${BASE}", "news"}}, "docs", "docs,news"},
        {"only the application", {{"${APPL}", "docs"}}, "docs", "docs"},
        {"only a base", {{"${BASE}", "plain"}}, "plain", "plain"},
        {"a pseudo base names its database", {{"${base}", "Nick"}, {"${BASE}", "b"}}, "realdb", "Nick,b"},
        {"both given", {{"${APPL}", "app"}, {"${BASE}", "db"}}, "app", "db"},
        {"names in any case", {{"${appl}", "a"}, {"${Base}", "b"}}, "a", "b"},
    };
    for (const auto& c : cases) {
        fresh();
        configured(c.request, "BASE realdb PSEUDO nick\n");
        ASSERT_EQ(gw->cgiParse(), 0) << c.name << ": " << gw->errorText.view();
        EXPECT_EQ(gw->applName.view(), c.appl) << c.name;
        EXPECT_EQ(gw->baseName.view(), c.base) << c.name;
    }
}

TEST_F(RequestParams, ControlParameters) {
    struct Case {
        const char* name;
        Entries request;  // a ${BASE} is added at the end
        std::function<void(zoltgw&)> check;
    };
    const std::vector<Case> cases = {
        {"ANDOR OR", {{"${ANDOR}", "OR"}}, [](zoltgw& g) { EXPECT_EQ(g.andOr.view(), "ORX"); }},
        {"ANDOR or", {{"${ANDOR}", "or"}}, [](zoltgw& g) { EXPECT_EQ(g.andOr.view(), "ORX"); }},
        {"ANDOR AND", {{"${ANDOR}", "AND"}}, [](zoltgw& g) { EXPECT_EQ(g.andOr.view(), "AND"); }},
        {"ANDOR other word", {{"${ANDOR}", "NOT"}}, [](zoltgw& g) { EXPECT_EQ(g.andOr.view(), "NOT"); }},
        {"FORD 2", {{"${FORD}", "2"}}, [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 2); }},
        {"FORD display", {{"${FORD}", "display"}}, [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 2); }},
        {"FORD DUMMY", {{"${FORD}", "DUMMY"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 3); EXPECT_EQ(g.skipFind, 1); }},
        {"FORD DISPNORM", {{"${FORD}", "DISPNORM"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 4); EXPECT_EQ(g.db.termSign, 0); }},
        {"FORD 4", {{"${FORD}", "4"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 4); EXPECT_EQ(g.db.termSign, 0); }},
        {"FORD FUZZ", {{"${FORD}", "fuzz"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 5); EXPECT_EQ(g.db.termSign, 1); }},
        {"FORD FIND after DISPLAY", {{"${FORD}", "DISPLAY"}, {"${FORD}", "FIND"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 1); }},
        {"FORD unknown word and 0", {{"${FORD}", "2"}, {"${FORD}", "SHOW"}, {"${FORD}", "0"}},
         [](zoltgw& g) { EXPECT_EQ(g.findresult.fordMode, 2); EXPECT_EQ(g.skipFind, 0); }},
        {"MAXHITS 0 keeps the configured limit", {{"${MAXHITS}", "0"}},
         [](zoltgw& g) { EXPECT_EQ(g.maxHitsGiven, 1); EXPECT_EQ(g.findresult.maxHits, 500); }},
        {"MAXHITN sets the limit", {{"${MAXHITN}", "25"}},
         [](zoltgw& g) { EXPECT_EQ(g.maxHitsGiven, 1); EXPECT_EQ(g.findresult.maxHits, 25); }},
        {"no MAXHITS", {},
         [](zoltgw& g) { EXPECT_EQ(g.maxHitsGiven, 0); EXPECT_EQ(g.findresult.maxHits, 500); }},
        {"numbers", {{"${ZOLTROW}", "12"}, {"${ZOLTCOL}", "-3"}, {"${MAXPAGE}", "11x"}, {"${FUZZ}", "x"},
                     {"${HILITE}", "2"}},
         [](zoltgw& g) {
             EXPECT_EQ(g.findresult.zoltRow, 12);
             EXPECT_EQ(g.findresult.zoltCol, -3);
             EXPECT_EQ(g.findresult.maxPage, 11);
             EXPECT_EQ(g.findresult.fuzz, 0);
             EXPECT_EQ(g.db.hilite, 2);
         }},
        {"ZGWPART 0 changes nothing", {{"${ZGWPART}", "3"}, {"${ZGWPART}", "0"}},
         [](zoltgw& g) { EXPECT_EQ(g.zgwPart, 3); }},
        {"texts", {{"${LANGUAGE}", "SWE"}, {"${THES}", "thes"}, {"${DIHTML}", "di"}, {"${SNHTML}", "sn"},
                   {"${ZOLTVARA}", "va"}, {"${FINDSTR}", "cats & dogs"}},
         [](zoltgw& g) {
             EXPECT_EQ(g.findresult.language.view(), "SWE");
             EXPECT_EQ(g.findresult.thesaurus.view(), "thes");
             EXPECT_EQ(g.findresult.diHtmlTemplate.view(), "di");
             EXPECT_EQ(g.findresult.snHtmlTemplate.view(), "sn");
             EXPECT_EQ(g.zoltVarA.view(), "va");
             EXPECT_EQ(g.findresult.findString.view(), "cats & dogs");
         }},
        {"binary field and view", {{"${ZOLTPIFE}", "LOGO.png"}, {"${ZOLTVFLD}", "2.DOC"}},
         [](zoltgw& g) {
             EXPECT_EQ(g.findresult.binaryFieldName.view(), "LOGO.png");
             EXPECT_EQ(g.binaryFieldRequest, 1);
             EXPECT_EQ(g.findresult.viewFieldName.view(), "2.DOC");
             EXPECT_EQ(g.viewRequest, 1);
         }},
        {"CCL commands", {{"${CCL}", "FIND a"}, {"${CCL}", ""}, {"${CCL}", "Define Reverse"}, {"${ccl}", "SHOW x"}},
         [](zoltgw& g) {
             EXPECT_EQ(textsOf(g.cclCommands), (Texts{"FIND a", "SHOW x"}));
             EXPECT_EQ(g.findresult.reverseDefine, 1);
         }},
        {"sort keys", {{"${SORT}", "TI"}, {"${SORT}", ""}, {"${SORT}", "AU/DESC"}},
         [](zoltgw& g) { EXPECT_EQ(textsOf(g.sortKeys), (Texts{"TI", "AU/DESC"})); }},
        {"SAVEHTML adds one stack entry", {{"${SAVEHTML}", "a.zgw"}},
         [](zoltgw& g) {
             EXPECT_EQ(textsOf(g.urlStack), Texts{"STDHTML=a.zgw"});
             EXPECT_EQ(g.saveHtml.view(), "a.zgw");
         }},
        {"unknown $ names are ignored", {{"${NOSUCH}", "x"}, {"$x", "y"}},
         [](zoltgw& g) { EXPECT_TRUE(g.formFields.empty()); EXPECT_TRUE(g.formFieldNames.empty()); }},
        {"form fields", {{"TI", "cat"}, {"AU", ""}, {"${FREETEXT}", ""}, {"${FREETEXT}", "dog"}, {"YR", "2001"}},
         [](zoltgw& g) {
             EXPECT_EQ(formFieldsOf(g), (std::vector<std::pair<std::string, std::string>>{
                                            {"TI", "cat"}, {"", "dog"}, {"YR", "2001"}}));
             EXPECT_EQ(textsOf(g.formFieldNames), (Texts{"TI", "YR"}));
         }},
    };
    for (const auto& c : cases) {
        fresh();
        Entries request = c.request;
        request.emplace_back("${BASE}", "docs");
        configured(request, "MAXHITS 500\n");
        SCOPED_TRACE(c.name);
        ASSERT_EQ(gw->cgiParse(), 0) << gw->errorText.view();
        c.check(*gw);
    }
}

TEST_F(RequestParams, HighlightMarkup) {
    struct Case { const char* name; const char* value; const char* hilon; const char* hiloff; };
    const Case cases[] = {
        {"bold", "<b>", "<b>", "</b>"},
        {"span with a class", "<span class=\"hit\">", "<span class=\"hit\">", "</span>"},
        {"font with an unquoted colour", "<FONT color=red>", "<FONT color=red>", "</FONT>"},
        {"style", "<span style='background: #ff0; font-weight: bold'>",
         "<span style='background: #ff0; font-weight: bold'>", "</span>"},
        {"plain text marker", "**", "**", "</*>"},
        {"one character: no word after it", "*", "*", "</i>"},
        {"empty value", "", "", "</i>"},
        {"a lone angle bracket is no tag", "<", "<i>", "</i>"},
        {"script", "<script>", "<i>", "</i>"},
        {"event handler", "<b onmouseover=alert(1)>", "<i>", "</i>"},
        {"link", "<a href=\"javascript:alert(1)\">", "<i>", "</i>"},
        {"style with a function", "<span style=\"background:url(x)\">", "<i>", "</i>"},
        {"quote inside a value", "<span class=\"a\" \" onclick=\"x\">", "<i>", "</i>"},
        {"text after the tag", "<b>x", "<i>", "</i>"},
        {"line end", "<b\n>", "<i>", "</i>"},
    };
    for (const auto& c : cases) {
        fresh();
        configured({{"${HILITEATTR}", c.value}, {"${BASE}", "docs"}}, "HILITEATTR <i>\n");
        ASSERT_EQ(gw->cgiParse(), 0) << c.name;
        EXPECT_EQ(gw->db.hilon.view(), c.hilon) << c.name;
        EXPECT_EQ(gw->db.hiloff.view(), c.hiloff) << c.name;
    }
}

TEST_F(RequestParams, TemplateNames) {
    struct Case { const char* name; Entries request; const char* html; const char* ooHtml; const char* show; };
    const std::string longest(255, 'n');
    const Case cases[] = {
        {"none", {}, "", "", ""},
        {"HTML and OOHTML", {{"${HTML}", "list"}, {"${OOHTML}", "none"}}, "list", "none", ""},
        {"ZOLTSHOW words win", {{"${HTML}", "list"}, {"${ZOLTSHOW}", "f=short HTML= a.zgw OOHTML=b.zgw  rest"}},
         "a.zgw", "b.zgw", "f=short  rest"},
        {"ZOLTSHOW before HTML still wins", {{"${ZOLTSHOW}", "html=a"}, {"${HTML}", "list"}}, "a", "", ""},
        {"keyword twice appends", {{"${ZOLTSHOW}", "HTML=a HTML=b x"}}, "ab", "", "x"},
        {"two ZOLTSHOW values", {{"${ZOLTSHOW}", "HTML=a one"}, {"${ZOLTSHOW}", "two"}}, "a", "", "two"},
        {"keyword at the end", {{"${ZOLTSHOW}", "x OOHTML"}}, "", "", "x "},
        {"words inside other words", {{"${ZOLTSHOW}", "XHTML=q"}}, "q", "", "X"},
        {"255 characters", {{"${HTML}", longest}}, longest.c_str(), "", ""},
    };
    for (const auto& c : cases) {
        fresh();
        Entries request = c.request;
        request.emplace_back("${BASE}", "docs");
        configured(request);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name << ": " << gw->errorText.view();
        EXPECT_EQ(gw->findresult.htmlTemplate.view(), c.html) << c.name;
        EXPECT_EQ(gw->findresult.ooHtmlTemplate.view(), c.ooHtml) << c.name;
        EXPECT_EQ(gw->findresult.showString.view(), c.show) << c.name;
    }
}

TEST_F(RequestParams, TemplateNamesBeyond255CharactersAreRefused) {
    const std::string tooLong(256, 'n');
    const Entries requests[] = {
        {{"${HTML}", tooLong}},
        {{"${OOHTML}", tooLong}},
        {{"${ZOLTSHOW}", "HTML=" + tooLong}},
        {{"${ZOLTSHOW}", "OOHTML=" + std::string(200, 'a') + " OOHTML=" + std::string(56, 'b')}},
    };
    for (const auto& request : requests) {
        fresh();
        Entries withBase = request;
        withBase.emplace_back("${BASE}", "docs");
        configured(withBase);
        SCOPED_TRACE(request[0].second.substr(0, 20));
        EXPECT_EQ(gw->cgiParse(), -1);
        EXPECT_EQ(gw->errorText.view(), "(S) Template name longer than 255 characters");
        EXPECT_TRUE(gw->findresult.htmlTemplate.empty());
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty());
    }
}

TEST_F(RequestParams, UserAndPasswordParametersLogInAndBecomeCookies) {
    cookieEntries.clear();
    configured({{"${USER}", "anna"}, {"${PWD}", "secret"}, {"${BASE}", "docs"}}, "DEFAULT-USER web webpw\n");
    ASSERT_EQ(gw->cgiParse(), 0);
    EXPECT_EQ(written(), "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=" +
                             scramblePassword("secret") + "; path=/\r\n");
    EXPECT_EQ(engine().callsNamed("ZdbStartZolt"), Texts{"ZdbStartZolt(anna,secret,9,256)"});
    EXPECT_STREQ(std::getenv("LOGNAME"), "anna");
}

TEST_F(RequestParams, PasswordsAreCutTo32CharactersAsTheCookieHoldsThem) {
    const std::string password = std::string(32, 'p') + "beyond";
    configured({{"${PWD}", password}, {"${BASE}", "docs"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    const std::string kept(32, 'p');
    EXPECT_EQ(gw->findresult.password.view(), kept);
    EXPECT_EQ(written(), "Set-Cookie: zgwpasswd=" + scramblePassword(kept) + "; path=/\r\n");
    EXPECT_EQ(unscramblePassword(scramblePassword(kept)), kept) << "the next request logs in the same";
    EXPECT_EQ(engine().callsNamed("ZdbStartZolt"), Texts{"ZdbStartZolt(zoltgate," + kept + ",9,256)"});
}

TEST_F(RequestParams, LanguageIsSetForTheEngineBeforeTheLogin) {
    configured({{"${LANGUAGE}", "SWE"}, {"${BASE}", "docs"}}, "LANGUAGE GER\n");
    ASSERT_EQ(gw->cgiParse(), 0);
    EXPECT_EQ(engine().callsNamed("UpdateRCS").back(), "UpdateRCS(ZDBS_LANG,SWE)");
    EXPECT_EQ(engine().callsNamed("ZdbStartZolt"), Texts{"ZdbStartZolt(zoltgate,,10,256)"});
}

TEST_F(RequestParams, ParametersBeforeAFailureKeepTheirEffect) {
    configured({{"${USER}", "anna"}, {"${ZGWIDS}", "x"}, {"${PWD}", "never"}, {"${BASE}", "docs"}});
    EXPECT_EQ(gw->cgiParse(), -1);
    EXPECT_EQ(gw->errorLine, 203);
    EXPECT_EQ(written(), "Set-Cookie: zgwuser=anna; path=/\r\n");
    EXPECT_EQ(gw->findresult.userName.view(), "anna");
    EXPECT_TRUE(gw->findresult.password.empty());
}

TEST_F(RequestParams, DebugEchoListsTheEnvironmentAndEveryLaterParameter) {
    setenv("ZGW_ECHO_MARK", "visible", 1);
    configured({{"TI", "before"}, {"${DEBUG}", "1"}, {"TI", "cat"}, {"${BASE}", "docs"}, {"${DEBUG}", "1"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    unsetenv("ZGW_ECHO_MARK");
    std::string text = written();
    const std::string header = "Content-Type: text/plain\n\n";
    ASSERT_EQ(text.substr(0, header.size()), header);
    std::size_t mark = text.find("\nZGW_ECHO_MARK=visible\n");
    EXPECT_NE(mark, std::string::npos) << text;
    const std::string tail = "TI:cat\n${BASE}:docs\n${DEBUG}:1\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "the echo follows env's output";
    EXPECT_EQ(text.find("TI:before"), std::string::npos);
    EXPECT_EQ(text.find(header, 1), std::string::npos) << "env runs once";
    EXPECT_EQ(gw->findresult.debugEcho, 1);
}

TEST_F(RequestParams, DebugEchoStaysOffWithNodebugOrWithoutAPositiveNumber) {
    struct Case { const char* name; const char* config; const char* value; };
    const Case cases[] = {{"NODEBUG", "NODEBUG\n", "1"}, {"zero", "", "0"}, {"not a number", "", "yes"},
                          {"negative", "", "-1"}};
    for (const auto& c : cases) {
        fresh();
        configured({{"${DEBUG}", c.value}, {"${BASE}", "docs"}}, c.config);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name;
        EXPECT_EQ(written(), "") << c.name;
    }
}

TEST_F(RequestParams, LoginFailureEndsTheParameters) {
    engine().startResult = 16418;
    engine().messages[10306] = "User %1 is not <logged> in";
    configured({{"${BASE}", "docs"}, {"${HTML}", "list"}, {"${MAXHITS}", "5"}});
    EXPECT_EQ(gw->cgiParse(), -1);
    EXPECT_EQ(gw->db.engineError, 10306);
    EXPECT_EQ(gw->errorText.view(), "User zoltgate is not &lt;logged&gt; in");
    EXPECT_TRUE(gw->findresult.htmlTemplate.empty()) << "template names come after the login";
    EXPECT_EQ(gw->findresult.maxHits, 1000);
}

TEST(ShowString, ParseShowstrAloneStaysWithinTheText) {
    zdbdouble::engine().reset();
    zoltgw gw{zoltgw::DefaultsOnly{}};
    struct Case { const char* value; const char* html; const char* ooHtml; const char* show; };
    const Case cases[] = {
        {"HTML", "", "", ""},
        {"HTML=", "", "", ""},
        {"OOHTML= = =x", "", "x", ""},
        {"a HTML=b", "b", "", "a "},
        {"ooHtml=o Html=h f", "h", "o", "f"},
        {"HTMLHTML=x", "HTML=x", "", ""},
    };
    for (const auto& c : cases) {
        StrBuf html, ooHtml;
        gw.parseShowstr(c.value, html, ooHtml);
        EXPECT_EQ(html.view(), c.html) << c.value;
        EXPECT_EQ(ooHtml.view(), c.ooHtml) << c.value;
        EXPECT_EQ(gw.findresult.showString.view(), c.show) << c.value;
    }
}

}  // namespace

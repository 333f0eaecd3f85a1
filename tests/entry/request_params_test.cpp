// Tests of cgiParse: the control parameters and form fields, the settling of the
// application and database, the template names, ${ZOLTSHOW}, the diagnostic echo and
// the limits of the name buffers. Who logs in, and a login that fails, is tested in
// login_test.cpp.

#include <algorithm>

#include "cgi/ascii.h"
#include "support/gateway_fixture.h"

namespace {

using RequestParams = GatewayTest;

TEST_F(RequestParams, ParametersBecomeSettings) {
    struct Case { const char* name; Pairs request; Pairs settings; };  // "${BASE}=docs" added when neither is given
    const std::string longest(255, 'n');
    const Case cases[] = {
        // The application and the database.
        {"a pseudo base names its database", {{"${base}", "Nick"}, {"${BASE}", "b"}},
         {{"appl", "realdb"}, {"base", "Nick,b"}}},
        // Control parameters.
        {"ANDOR or", {{"${ANDOR}", "or"}}, {{"andOr", "ORX"}}},
        {"FORD DUMMY", {{"${FORD}", "DUMMY"}}, {{"ford", "3"}, {"skipFind", "1"}}},
        {"FORD 4 is DISPNORM", {{"${FORD}", "4"}}, {{"ford", "4"}, {"termSign", "0"}}},
        {"FORD FIND after DISPLAY", {{"${FORD}", "DISPLAY"}, {"${FORD}", "FIND"}}, {{"ford", "1"}}},
        {"FORD unknown word and 0", {{"${FORD}", "2"}, {"${FORD}", "SHOW"}, {"${FORD}", "0"}},
         {{"ford", "2"}, {"skipFind", "0"}}},
        {"MAXHITS 0 keeps the configured limit", {{"${MAXHITS}", "0"}}, {{"maxHitsGiven", "1"}, {"maxHits", "500"}}},
        {"MAXHITN sets the limit", {{"${MAXHITN}", "25"}}, {{"maxHitsGiven", "1"}, {"maxHits", "25"}}},
        {"numbers",
         {{"${ZOLTROW}", "12"}, {"${ZOLTCOL}", "-3"}, {"${MAXPAGE}", "11x"}, {"${FUZZ}", "x"}, {"${HILITE}", "2"}},
         {{"row", "12"}, {"col", "-3"}, {"maxPage", "11"}, {"fuzz", "0"}, {"hilite", "2"}}},
        {"ZGWPART 0 changes nothing", {{"${ZGWPART}", "3"}, {"${ZGWPART}", "0"}}, {{"part", "3"}}},
        // Templates, the thesaurus, the language, pictures and views take effect in the
        // tests of the search, the login and the run, and end to end.
        {"texts", {{"${ZOLTVARA}", "va"}, {"${FINDSTR}", "cats & dogs"}},
         {{"varA", "va"}, {"findString", "cats & dogs"}}},
        {"CCL commands", {{"${CCL}", "FIND a"}, {"${CCL}", ""}, {"${CCL}", "Define Reverse"}, {"${ccl}", "SHOW x"}},
         {{"ccl", "FIND a|SHOW x"}, {"reverseDefine", "1"}}},
        {"sort keys", {{"${SORT}", "TI"}, {"${SORT}", ""}, {"${SORT}", "AU/DESC"}}, {{"sort", "TI|AU/DESC"}}},
        {"SAVEHTML adds one stack entry", {{"${SAVEHTML}", "a.zgw"}},
         {{"urlStack", "STDHTML=a.zgw"}, {"saveHtml", "a.zgw"}}},
        {"unknown $ names are ignored", {{"${NOSUCH}", "x"}, {"$x", "y"}}, {{"fields", ""}, {"fieldNames", ""}}},
        {"form fields", {{"TI", "cat"}, {"AU", ""}, {"${FREETEXT}", ""}, {"${FREETEXT}", "dog"}, {"YR", "2001"}},
         {{"fields", "TI=cat|=dog|YR=2001"}, {"fieldNames", "TI|YR"}}},
        // Highlight markup: only plain formatting tags replace the configured <i>.
        {"plain text marker", {{"${HILITEATTR}", "**"}}, {{"hilon", "**"}, {"hiloff", "</*>"}}},
        {"empty value", {{"${HILITEATTR}", ""}}, {{"hilon", ""}, {"hiloff", "</i>"}}},
        {"a lone angle bracket is no tag", {{"${HILITEATTR}", "<"}}, {{"hilon", "<i>"}, {"hiloff", "</i>"}}},
        {"script", {{"${HILITEATTR}", "<script>"}}, {{"hilon", "<i>"}, {"hiloff", "</i>"}}},
        {"event handler", {{"${HILITEATTR}", "<b onmouseover=alert(1)>"}}, {{"hilon", "<i>"}}},
        {"style with a function", {{"${HILITEATTR}", "<span style=\"background:url(x)\">"}}, {{"hilon", "<i>"}}},
        {"quote inside a value", {{"${HILITEATTR}", "<span class=\"a\" \" onclick=\"x\">"}}, {{"hilon", "<i>"}}},
        {"text after the tag", {{"${HILITEATTR}", "<b>x"}}, {{"hilon", "<i>"}}},
        // Template names: the ${ZOLTSHOW} words win over ${HTML} and ${OOHTML}.
        {"ZOLTSHOW words win", {{"${HTML}", "list"}, {"${ZOLTSHOW}", "f=short HTML= a.zgw OOHTML=b.zgw  rest"}},
         {{"html", "a.zgw"}, {"ooHtml", "b.zgw"}, {"show", "f=short  rest"}}},
        {"keyword twice appends", {{"${ZOLTSHOW}", "HTML=a HTML=b x"}}, {{"html", "ab"}, {"show", "x"}}},
        {"words inside other words", {{"${ZOLTSHOW}", "XHTML=q"}}, {{"html", "q"}, {"show", "X"}}},
        {"a word inside a keyword's value", {{"${ZOLTSHOW}", "HTMLHTML=x"}}, {{"html", "HTML=x"}, {"show", ""}}},
        {"255 characters", {{"${HTML}", longest}}, {{"html", longest}}},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = c.request;
        auto namesDatabase = [](const auto& p) {
            return asciiEqualNoCase(p.first, "${BASE}") || asciiEqualNoCase(p.first, "${APPL}");
        };
        if (std::none_of(request.begin(), request.end(), namesDatabase)) request.emplace_back("${BASE}", "docs");
        configured(request, "BASE realdb PSEUDO nick\nMAXHITS 500\nHILITEATTR <i>\n");
        ASSERT_EQ(gw->cgiParse(), 0) << c.name << ": " << gw->errorText.view();
        expectSettings(*gw, c.settings, c.name);
    }
}

TEST_F(RequestParams, TemplateNamesBeyond255CharactersAreRefused) {
    const std::string tooLong(256, 'n');
    const Pairs requests[] = {
        {{"${HTML}", tooLong}},
        {{"${OOHTML}", tooLong}},
        {{"${ZOLTSHOW}", "HTML=" + tooLong}},
        {{"${ZOLTSHOW}", "OOHTML=" + std::string(200, 'a') + " OOHTML=" + std::string(56, 'b')}},
    };
    for (const auto& request : requests) {
        fresh();
        Pairs withBase = request;
        withBase.emplace_back("${BASE}", "docs");
        configured(withBase);
        SCOPED_TRACE(request[0].second.substr(0, 20));
        EXPECT_EQ(gw->cgiParse(), -1);
        EXPECT_EQ(gw->errorText.view(), "(S) Template name longer than 255 characters");
        EXPECT_TRUE(gw->findresult.htmlTemplate.empty());
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty());
    }
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
    // env runs without a shell: a shell in between would export PWD, which is unset here.
    ScopedEnv mark("ZGW_ECHO_MARK", "visible");
    ScopedEnv pwd("PWD", std::nullopt);
    writeFile(site->cache / "7/1_2.urs", "a}b}");
    configured({{"TI", "before"}, {"${DEBUG}", "1"}, {"TI", "cat"}, {"${ZGWURLSAVE}", "7/1_2"}, {"${BASE}", "docs"},
                {"${DEBUG}", "1"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    const std::string text = written();
    const std::string header = "Content-Type: text/plain\n\n";
    ASSERT_EQ(text.substr(0, header.size()), header);
    EXPECT_NE(text.find("\nZGW_ECHO_MARK=visible\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nPWD="), std::string::npos) << text;
    const std::string tail = "TI:cat\n${ZGWURLSAVE}:7/1_2\nURL Stack Size: 2\n${BASE}:docs\n${DEBUG}:1\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "the echo follows env's output";
    EXPECT_EQ(text.find("TI:before"), std::string::npos);
    EXPECT_EQ(text.find(header, 1), std::string::npos) << "env runs once";
}

TEST_F(RequestParams, DebugEchoStaysOffWithNodebugOrWithoutAPositiveNumber) {
    struct Case { const char* name; const char* config; const char* value; };
    const Case cases[] = {{"NODEBUG", "NODEBUG\n", "1"}, {"zero", "", "0"}, {"not a number", "", "yes"}};
    for (const auto& c : cases) {
        fresh();
        configured({{"${DEBUG}", c.value}, {"${BASE}", "docs"}}, c.config);
        ASSERT_EQ(gw->cgiParse(), 0) << c.name;
        EXPECT_EQ(written(), "") << c.name;
    }
}

}  // namespace

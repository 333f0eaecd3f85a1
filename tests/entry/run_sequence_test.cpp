// Tests of the controller's run sequence on the engine double: the order of the steps,
// which failures become the error page and which the login form, the commands of
// ${CCL}, the kinds of output, and the steps this build does not have yet.

#include "entry/view_field.h"
#include "entry/request_test_support.h"

namespace {

using Texts = std::vector<std::string>;
using zdbdouble::Answer;
using zdbdouble::ProcLine;
using RunSequence = RequestTest;

const std::string kNoSearch = "(S) The search is not available in this build";
const std::string kNoTemplates = "(S) Page templates are not available in this build";

// The commands the engine was given.
Texts commands() { return zdbdouble::engine().callsNamed("ZdbExecuteCcl"); }

TEST_F(RunSequence, ConfigurationErrorComesBeforeAnyParameter) {
    writeConfig("");
    std::ofstream(configPath) << "NOSUCH keyword\n";
    fillList(cgiEntries, {{"${DEBUG}", "1"}, {"${USER}", "anna"}, {"${BASE}", "docs"}});
    response = std::make_unique<ResponseFile>();
    gw = std::make_unique<zoltgw>(1);
    EXPECT_EQ(gw->status, -1);
    EXPECT_EQ(written(), errorPage("Unknown keyword \"NOSUCH\" at line 1 in file " + configPath));
    EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty());
    EXPECT_EQ(gw->loginRequired, 0);
}

TEST_F(RunSequence, SearchRequestReachesTheSearch) {
    runRequest({{"${BASE}", "docs"}, {"TI", "cat"}});
    EXPECT_EQ(written(), errorPage(kNoSearch));
    EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(BASE docs)"});
    EXPECT_EQ(gw->status, -1);
    EXPECT_EQ(gw->loginRequired, 0);
    EXPECT_TRUE(searchSetText.empty());
}

TEST_F(RunSequence, DummyModeRendersTheTemplateWithoutSearch) {
    runRequest({{"${BASE}", "docs"}, {"${FORD}", "DUMMY"}, {"${HTML}", "start"}});
    EXPECT_EQ(written(), errorPage(kNoTemplates));
    EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(BASE docs)"});
    EXPECT_TRUE(searchSetText.empty());
    EXPECT_EQ(gw->commandLineMode, 1) << "taken from the constructor before the template";
}

TEST_F(RunSequence, ErrorPageShowsTheSourcePlaceAtMessageLevel1Only) {
    runRequest({{"q", "x"}}, "MSG-LEVEL 1\n");
    EXPECT_EQ(written(),
              "Status: 404 Not found\nContent-Type: text/html\n\n"
              "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1>"
              "<h2>(S) Database information missing or ${base} variable</h2>"
              "<h3>src/zgwhtml(3917)</h3></body></html>");
    fresh();
    runRequest({{"q", "x"}});
    EXPECT_EQ(written(), errorPage("(S) Database information missing or ${base} variable"));
}

TEST_F(RunSequence, SearchSetIsKeptAfterASearch) {
    runRequest({{"${BASE}", "docs"}, {"${FORD}", "DUMMY"}});
    gw->db.searchSet = 7;
    gw->keepSearchSet();
    EXPECT_EQ(gw->db.lastSearchSet, 7);
    EXPECT_EQ(searchSetText.view(), "7");
}

TEST_F(RunSequence, LoginRefusalsBecomeTheLoginForm) {
    struct Case { const char* name; int startResult; int baseCode; int startRc; };
    const Case cases[] = {
        {"refused at login", 16418, 1, 16418},
        {"2530 at BASE", 1, 2530, 2530},
        {"10306 at BASE", 1, 10306, 10306},
        {"17314 at BASE", 1, 17314, 17314},
        {"18562 at BASE", 1, 18562, 18562},
        {"36322 at BASE", 1, 36322, 36322},
        {"36323 at BASE is taken as 36322", 1, 36323, 36322},
    };
    for (const auto& c : cases) {
        fresh();
        engine().startResult = c.startResult;
        engine().answer("BASE docs", Answer{c.baseCode, -1, {}});
        runRequest({{"${BASE}", "docs"}, {"TI", "cat"}});
        EXPECT_EQ(gw->loginRequired, 1) << c.name;
        EXPECT_EQ(gw->db.startRc, c.startRc) << c.name;
        EXPECT_EQ(written(), "") << c.name << ": the entry writes the login form";
    }
}

TEST_F(RunSequence, OtherFailuresOfLoginAndDatabaseShowTheErrorPage) {
    struct Case { const char* name; std::string version; int startResult; int baseCode; std::string text; };
    const Case cases[] = {
        {"engine 3.39", "3.39", 1, 1, "ZOLTgate v3.0 or later needs DORUvudavi v3.4 or later"},
        {"disabled account", "4.0", 322, 1, "Account disabled"},
        {"unknown database", "4.0", 1, 4000, "No database &lt;docs&gt;"},
        {"an odd code is no failure", "4.0", 1, 3, kNoSearch},
    };
    for (const auto& c : cases) {
        fresh();
        engine().version = c.version;
        engine().startResult = c.startResult;
        engine().messages[322] = "Account disabled";
        engine().messages[4000] = "No database <docs>";
        engine().answer("BASE docs", Answer{c.baseCode, -1, {}});
        runRequest({{"${BASE}", "docs"}});
        EXPECT_EQ(gw->loginRequired, 0) << c.name;
        EXPECT_EQ(written(), errorPage(c.text)) << c.name;
    }
}

TEST_F(RunSequence, CclCommandsRunInOrderBeforeTheSearch) {
    runRequest({{"${CCL}", "DEFINE FIELDVIEW all=TEXT,PHRASE"}, {"${BASE}", "docs"}, {"${CCL}", "FIND  cat"},
                {"${CCL}", "FORWARD"}});
    EXPECT_EQ(commands(), (Texts{"ZdbExecuteCcl(BASE docs)", "ZdbExecuteCcl(DEFINE FIELDVIEW all=TEXT,PHRASE)",
                                 "ZdbExecuteCcl(FIND  cat)", "ZdbExecuteCcl(FORWARD )"}));
    EXPECT_EQ(written(), errorPage(kNoSearch));
}

TEST_F(RunSequence, FailingCclCommandStopsTheRun) {
    struct Case { const char* name; std::vector<Answer> answers; Texts extra; };
    const Case cases[] = {
        {"an even code", {Answer{5002, -1, {}}}, {}},
        {"9506 twice", {Answer{9506, -1, {}}, Answer{9506, -1, {}}}, {"ZdbExecuteCcl(DELETE S=FROM 1)", "ZdbExecuteCcl(FIND a)"}},
        {"a procedure line that answers 0", {Answer{1, 19, {ProcLine{"FIND b", 1}, ProcLine{"FIND c", 1}}}},
         {"ZdbExecuteCcl(FIND b)"}},
    };
    for (const auto& c : cases) {
        fresh();
        for (const auto& answer : c.answers) engine().answer("FIND a", answer);
        engine().answer("FIND b", Answer{0, -1, {}});
        engine().messages[5002] = "Syntax error at <a>";
        engine().messages[9506] = "Too many search sets";
        engine().messages[0] = "Code 0";
        runRequest({{"${BASE}", "docs"}, {"${CCL}", "FIND a"}, {"${CCL}", "FIND never"}});
        Texts expected{"ZdbExecuteCcl(BASE docs)", "ZdbExecuteCcl(FIND a)"};
        expected.insert(expected.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(commands(), expected) << c.name << ": the second command and the search do not run";
        EXPECT_EQ(gw->db.state, -1431) << c.name;
        EXPECT_EQ(gw->status, 0) << c.name;
        EXPECT_EQ(gw->errorLine, 3281) << c.name;
        EXPECT_EQ(gw->errorFile.view(), "src/zgwhtml") << c.name;
    }
    EXPECT_EQ(written(), errorPage("Code 0"));
    fresh();
    engine().answer("FIND a", Answer{5002, -1, {}});
    engine().messages[5002] = "Syntax error at <a>";
    runRequest({{"${BASE}", "docs"}, {"${CCL}", "FIND a"}});
    EXPECT_EQ(written(), errorPage("Syntax error at &lt;a&gt;"));
}

TEST_F(RunSequence, BinaryFieldComesFirst) {
    runRequest({{"${HTML}", "page"}, {"${ZOLTPIFE}", "LOGO"}, {"${ZOLTVFLD}", "DOC"}, {"${BASE}", "docs"},
                {"${CCL}", "FIND a"}});
    EXPECT_EQ(written(), errorPage("(S) Binary field output is not available in this build"));
    EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(BASE docs)"}) << "no command, no search";
}

TEST_F(RunSequence, ViewReadsTheRecordWithHitsWhenATextFieldIsNamed) {
    struct Case { const char* value; int hilite; };
    const Case cases[] = {{"2.DOC.TEXT", 1}, {"DOC", 0}, {"0.DOC", 1}};  // "0.DOC": field 0, text field DOC
    for (const auto& c : cases) {
        fresh();
        runRequest({{"${BASE}", "docs"}, {"${ZOLTVFLD}", c.value}, {"${CCL}", "FIND a"}});
        EXPECT_EQ(written(), errorPage("(S) Reading records is not available in this build")) << c.value;
        EXPECT_EQ(gw->db.hilite, c.hilite) << c.value;
        EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(BASE docs)"}) << c.value;
    }
}

TEST_F(RunSequence, ViewFieldNamesBeyond127CharactersAreRefused) {
    runRequest({{"${BASE}", "docs"}, {"${ZOLTVFLD}", std::string(128, 'F')}});
    EXPECT_EQ(written(), errorPage("(S) View field name longer than 127 characters"));
    EXPECT_EQ(gw->db.hilite, 0);
    fresh();
    runRequest({{"${BASE}", "docs"}, {"${ZOLTVFLD}", std::string(127, 'F')}});
    EXPECT_EQ(written(), errorPage("(S) Reading records is not available in this build"));
}

TEST(ViewField, PiecesOfTheValue) {
    struct Case { const char* value; int part; const char* field; const char* text; bool hasText; };
    const Case cases[] = {
        {"3.DOC.TEXT", 3, "DOC", "TEXT", true},
        {"3.DOC", 3, "DOC", "", false},
        {"DOC.TEXT", 0, "DOC", "TEXT", true},
        {"0.DOC", 0, "0", "DOC", true},
        {"DOC", 0, "DOC", "", false},
        {"2\nDOC\nTEXT", 2, "DOC", "TEXT", true},
        {"2..DOC", 2, "DOC", "", false},
        {"2.DOC.TEXT.MORE", 2, "DOC", "TEXT", true},
        {"-1.DOC", -1, "DOC", "", false},
        {"4", 4, "", "", false},
        {"", 0, "", "", false},
        {"...", 0, "", "", false},
    };
    for (const auto& c : cases) {
        ViewField view = parseViewField(c.value);
        EXPECT_EQ(view.part, c.part) << c.value;
        EXPECT_EQ(view.field, c.field) << c.value;
        EXPECT_EQ(view.textField, c.text) << c.value;
        EXPECT_EQ(view.hasTextField, c.hasText) << c.value;
    }
}

TEST_F(RunSequence, SavedResultSkipsTheSearch) {
    writeCacheFile("3/100_7.ids", "cats\n0,2,2,17,23\n");
    runRequest({{"${BASE}", "docs"}, {"${ZGWIDS}", "1.3/100_7"}});
    EXPECT_EQ(written(), errorPage(kNoTemplates));
    EXPECT_EQ(gw->findresult.ris, 1);
    EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(BASE docs)"});
}

TEST_F(RunSequence, ExpiredResultRedirectsWithTheErrorPageAsBody) {
    runRequest({{"${APPL}", "docs"}, {"${ZGWIDS}", "1.3/100_7"}}, "BASE docs HTMLDEFAULT http://host/new\n");
    EXPECT_EQ(written(), "Location: http://host/new\n\n" + errorPage("OK"));
    EXPECT_EQ(gw->loginRequired, 0);
}

}  // namespace

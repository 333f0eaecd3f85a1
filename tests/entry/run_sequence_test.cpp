// Tests of the controller's run sequence on the engine double: the order of the steps,
// which refusals become the login form, the commands of ${CCL} and the kinds of output.
// What the steps after the commands write is theirs to test; here a request must end
// in exactly one response. Failures of the login are tested in login_test.cpp.

#include "entry/field_value.h"
#include "support/gateway_fixture.h"

namespace {

using Texts = std::vector<std::string>;
using zdbdouble::Answer;
using zdbdouble::ProcLine;
using RunSequence = GatewayTest;

// The commands the engine was given.
Texts commands() { return zdbdouble::engine().callsNamed("ZdbExecuteCcl"); }

// The number of error pages in a response: every request ends in exactly one page.
int pagesIn(const std::string& response) {
    int pages = 0;
    for (auto at = response.find("Status: 404"); at != std::string::npos; at = response.find("Status: 404", at + 1))
        ++pages;
    return pages;
}

// A binary field comes before a view, a view before the commands and the search; the
// view reads the saved record, with its hits when it names a text field (a view with
// and without a text field is made end to end: RecordDocuments).
TEST_F(RunSequence, EachKindOfOutputComesInItsOrder) {
    struct Case { const char* name; Pairs request; Texts commands; int hilite; };
    const Case cases[] = {
        {"binary field before view, commands and search",
         {{"${HTML}", "page"}, {"${ZOLTPIFE}", "LOGO"}, {"${ZOLTVFLD}", "2.DOC.TEXT"}, {"${CCL}", "FIND a"}}, {}, 0},
        {"view of a text field before the commands",
         {{"${ZOLTVFLD}", "2.DOC.TEXT"}, {"${CCL}", "FIND a"}, {"${ZGWIDS}", "1.3/100_7"}}, {"FIND R=23 AND (cats)"}, 1},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = c.request;
        request.emplace_back("${BASE}", "docs");
        writeFile(site->cache / "3/100_7.ids", "cats\n0,2,2,17,23\n");
        runRequest(request);
        Texts expected{"ZdbExecuteCcl(BASE docs)"};
        for (const auto& command : c.commands) expected.push_back("ZdbExecuteCcl(" + command + ")");
        EXPECT_EQ(commands(), expected) << c.name;
        EXPECT_EQ(gw->db.hilite, c.hilite) << c.name;
        EXPECT_EQ(pagesIn(written()), 1) << c.name;
    }
    // The field names of the record: cut, the value would name another field.
    fresh();
    runRequest({{"${ZOLTVFLD}", std::string(128, 'F')}, {"${BASE}", "docs"}});
    EXPECT_EQ(written(), errorPage("(S) View field name longer than 127 characters"));
    fresh();
    runRequest({{"${ZOLTVFLD}", "DOC"}, {"${BASE}", "docs"}});
    EXPECT_EQ(written(), errorPage("(S) No record to view: the request names no saved result"));
}

TEST(ViewField, PiecesOfTheValue) {
    struct Case { const char* value; int part; const char* field; const char* text; bool hasText; };
    const Case cases[] = {
        {"3.DOC.TEXT", 3, "DOC", "TEXT", true},
        {"3.DOC", 3, "DOC", "", false},
        {"DOC.TEXT", 0, "DOC", "TEXT", true},
        {"0.DOC", 0, "0", "DOC", true},
        {"2\nDOC\nTEXT", 2, "DOC", "TEXT", true},
        {"2..DOC", 2, "DOC", "", false},
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

// Codes of BASE that ask for a login (the login's own refusal is in login_test.cpp).
TEST_F(RunSequence, LoginRefusalsBecomeTheLoginForm) {
    const std::pair<int, int> cases[] = {{2530, 2530}, {10306, 10306}, {17314, 17314}, {18562, 18562},
                                         {36323, 36322}};  // 36323 is taken as 36322
    for (const auto& [baseCode, startRc] : cases) {
        fresh();
        engine().answer("BASE docs", Answer{baseCode, -1, {}});
        runRequest({{"${BASE}", "docs"}, {"TI", "cat"}});
        EXPECT_EQ(gw->loginRequired, 1) << baseCode;
        EXPECT_EQ(gw->db.startRc, startRc) << baseCode;
        EXPECT_EQ(written(), "") << baseCode << ": the entry writes the login form";
    }
}

TEST_F(RunSequence, CclCommandsRunInOrderBeforeTheSearch) {
    runRequest({{"${CCL}", "DEFINE FIELDVIEW all=TEXT,PHRASE"}, {"${BASE}", "docs"}, {"${CCL}", "FIND  cat"},
                {"${CCL}", "FORWARD"}});
    EXPECT_EQ(commands(), (Texts{"ZdbExecuteCcl(BASE docs)", "ZdbExecuteCcl(DEFINE FIELDVIEW all=TEXT,PHRASE)",
                                 "ZdbExecuteCcl(FIND  cat)", "ZdbExecuteCcl(FORWARD )",
                                 "ZdbExecuteCcl(FIND )"}));
    EXPECT_EQ(written(), errorPage("message 226")) << "the search ran last and collected no record";
}

TEST_F(RunSequence, FailingCclCommandStopsTheRun) {
    struct Case { const char* name; std::vector<Answer> answers; Texts extra; std::string page; };
    const Case cases[] = {
        {"an even code", {Answer{5002, -1, {}}}, {}, "Syntax error at &lt;a&gt;"},
        {"a procedure line that answers 0", {Answer{1, 19, {ProcLine{"FIND b", 1}, ProcLine{"FIND c", 1}}}},
         {"ZdbExecuteCcl(FIND b)"}, "Code 0"},
    };
    for (const auto& c : cases) {
        fresh();
        for (const auto& answer : c.answers) engine().answer("FIND a", answer);
        engine().answer("FIND b", Answer{0, -1, {}});
        engine().messages[5002] = "Syntax error at <a>";
        engine().messages[0] = "Code 0";
        runRequest({{"${BASE}", "docs"}, {"${CCL}", "FIND a"}, {"${CCL}", "FIND never"}});
        Texts expected{"ZdbExecuteCcl(BASE docs)", "ZdbExecuteCcl(FIND a)"};
        expected.insert(expected.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(commands(), expected) << c.name << ": the second command and the search do not run";
        EXPECT_EQ(gw->db.state, -1431) << c.name;
        EXPECT_EQ(gw->errorLine, 3281) << c.name;
        EXPECT_EQ(gw->errorFile.view(), "src/zgwhtml") << c.name;
        EXPECT_EQ(written(), errorPage(c.page)) << c.name;
    }
}

}  // namespace

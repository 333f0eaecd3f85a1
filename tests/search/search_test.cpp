// Tests of the request's search on the engine double: the order sent for the form
// fields, the outcome's template or error page, the sort, and the ids collected from
// sets, sorted lists, reversed results, clusters and thesaurus displays.

#include "support/gateway_fixture.h"

namespace {

using zdbdouble::Answer;
using zdbdouble::Record;
using Texts = std::vector<std::string>;

class SearchTest : public GatewayTest {
protected:
    Texts commands() { return engine().callsNamed("ZdbExecuteCcl"); }
};

Record record(int id, const char* database = "docs", int code = ZDB_OK) {
    Record r;
    r.id = id;
    r.database = database;
    r.code = code;
    return r;
}

struct SearchCase {
    const char* name;
    Pairs request;
    std::vector<Record> records;  // set 3 (the sorted list when sorting)
    Answer answer;                // to the search command
    Texts commands;               // after the BASE
    int status;
    Texts rid;
    int rfound;
    std::string errorText;
    std::string htmlTemplate;
    int searchStatus;
};

TEST_F(SearchTest, OutcomesOfFindRequests) {
    const std::vector<Record> three = {record(5), record(6), record(7)};
    const Answer ok{ZDB_OK, -1, {}};
    const SearchCase cases[] = {
        {"form fields in request order", {{"title", "abc"}, {"year", ">1990"}}, three, ok,
         {"FIND title=abc AND year>1990"}, 0, {"5", "6", "7"}, 3, "OK", "", 0},
        {"a refused search", {{"", "cat"}}, {}, Answer{5000, -1, {}}, {"FIND cat"}, -1, {}, 0, "message 5000: cat",
         "", 0},
        {"deleted records get no id", {{"", "cat"}}, {record(5), record(6, "docs", 5), record(7)}, ok, {"FIND cat"},
         0, {"5", "7"}, 2, "OK", "", 0},
        {"the hit limit bounds the walk; rfound keeps the set's count", {{"", "cat"}, {"${MAXHITS}", "2"}}, three,
         ok, {"FIND cat"}, 0, {"5", "6"}, 3, "OK", "", 0},
        {"one record with the one-record template", {{"", "cat"}, {"${OOHTML}", "single"}}, {record(5)}, ok,
         {"FIND cat"}, 0, {"5"}, 1, "OK", "single", 0},
        {"a set without records: no record collected", {{"", "cat"}}, {}, ok, {"FIND cat"}, -1, {}, 0,
         "message 226", "", 0},
        {"no record collected, with the no-hits template", {{"", "cat"}, {"${SNHTML}", "none"}}, {}, ok,
         {"FIND cat"}, 0, {}, 0, "OK", "none", 226},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = c.request;
        request.emplace_back("${BASE}", "docs");
        opened(request);
        engine().answer(c.commands.front(), c.answer);
        engine().searches = {{ZDB_OK, 3, static_cast<int>(c.records.size()), 11}};
        engine().sets[3] = c.records;
        int status = gw->doFind();
        Texts expected;
        for (const auto& command : c.commands) expected.push_back("ZdbExecuteCcl(" + command + ")");
        EXPECT_EQ(commands(), expected) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(textsOf(gw->findresult.rid), c.rid) << c.name;
        if (c.status == 0 && c.searchStatus == 0) {
            EXPECT_EQ(gw->findresult.rfound, c.rfound) << c.name;
        }
        EXPECT_EQ(gw->errorText.view(), c.errorText) << c.name;
        EXPECT_EQ(gw->findresult.htmlTemplate.view(), c.htmlTemplate) << c.name;
        EXPECT_EQ(gw->search.searchStatus, c.searchStatus) << c.name;
        if (c.status != 0) {
            EXPECT_EQ(gw->errorLine, c.rid.empty() && c.answer.code == ZDB_OK ? 4359 : 4255) << c.name;
        }
    }
}

TEST_F(SearchTest, SortTakesTheFirstKeyAndItsRefusalIsReported) {
    struct Case { const char* name; int sortCode; bool snHtml; int status; Texts rid; int sortFailed; int line; };
    const Case cases[] = {
        {"sorted: ids in sorted order", ZDB_OK, false, 0, {"9", "8"}, 0, 0},
        {"refused: the engine's message alone", 5000, false, -1, {}, 0, 4276},
        {"refused with the no-hits template", 5000, true, 0, {}, 1, 0},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = {{"${BASE}", "docs"}, {"", "cat"}, {"${SORT}", "TITLE"}, {"${SORT}", "YEAR"}};
        if (c.snHtml) request.emplace_back("${SNHTML}", "none");
        opened(request);
        engine().results["ZdbSortRecords"] = c.sortCode;
        engine().searches = {{ZDB_OK, 3, 2, 2}};
        engine().sets[3] = {record(8), record(9)};
        engine().sortedList = {record(9), record(8)};
        EXPECT_EQ(gw->doFind(), c.status) << c.name;
        EXPECT_EQ(engine().callsNamed("ZdbSortRecords"), Texts{"ZdbSortRecords(0,TITLE)"}) << c.name;
        EXPECT_EQ(textsOf(gw->findresult.rid), c.rid) << c.name;
        EXPECT_EQ(gw->search.sortFailed, c.sortFailed) << c.name;
        EXPECT_EQ(gw->search.searchStatus, c.snHtml ? -1 : 0) << c.name;
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
    }
}

TEST_F(SearchTest, DisplayRequests) {
    struct Case {
        const char* name; Pairs request; Texts commands; std::string findString; int kind;
        Texts rid; std::string htmlTemplate;
    };
    const Case cases[] = {
        {"free text without a qualifier goes through the field view",
         {{"", "cat"}, {"${FORD}", "DISPLAY"}, {"${DIHTML}", "terms"}},
         {"DEFINE FIELDVIEW TPH=TEXT,PHRASE ", "DISPLAY TPH=cat"}, "cat", 1, {}, "terms"},
        {"a thesaurus display lists its terms and opens the thesaurus",
         {{"TERM", "cat"}, {"${FORD}", "DISPLAY"}, {"${THES}", "THES"}}, {"DISPLAY TERM=cat", "BASE THES"},
         "TERM=cat", 2, {"70.0", "71.-1"}, ""},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = c.request;
        request.emplace_back("${BASE}", "docs");
        request.emplace_back("${MAXPAGE}", "11");
        opened(request);
        engine().display = zdbdouble::Display{c.kind, {{"TI=cat", "cat", 70}, {"TI=cow", "cow", 71}}, {0, 1}};
        ASSERT_EQ(gw->doFind(), 0) << c.name << ": " << gw->errorText.view();
        Texts expected;
        for (const auto& command : c.commands) expected.push_back("ZdbExecuteCcl(" + command + ")");
        EXPECT_EQ(commands(), expected) << c.name;
        EXPECT_EQ(gw->findresult.findString.view(), c.findString) << c.name;
        EXPECT_EQ(textsOf(gw->findresult.rid), c.rid) << c.name;
        EXPECT_EQ(gw->findresult.htmlTemplate.view(), c.htmlTemplate) << c.name;
        EXPECT_EQ(gw->findresult.rfound, 2) << c.name;
        if (c.kind == 2) {
            EXPECT_TRUE(gw->search.thesaurusOpen) << c.name;
            EXPECT_EQ(gw->findresult.fordMode, 1) << c.name;
            EXPECT_EQ(gw->findresult.hits, 0) << c.name;
            EXPECT_EQ(gw->findresult.maxPage, 11) << c.name;
        } else {
            EXPECT_EQ(gw->findresult.maxPage, 0) << c.name << ": a term list is one page";
        }
    }
}

TEST_F(SearchTest, ThesaurusListFailureEndsInTheErrorPage) {
    opened({{"${BASE}", "docs"}, {"", "cat"}, {"${FORD}", "DISPLAY"}});
    engine().display = zdbdouble::Display{2, {{"TI=cat", "cat", 70}}, {0}};
    engine().results["ZdbGetRecordInThes"] = 4000;
    CapturedResponse response;
    EXPECT_EQ(gw->doFind(), -1);
    EXPECT_EQ(gw->errorText.view(), "message 4000");
    EXPECT_EQ(gw->errorLine, 4555);
    EXPECT_EQ(gw->db.state, -352);
    EXPECT_EQ(response.text(), "") << "nothing precedes the error page";
}

}  // namespace

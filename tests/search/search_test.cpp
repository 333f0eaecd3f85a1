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

// A FIND of "cat": the status, the ids collected, the count of the set, and the error
// text or the template that the outcome chose.
TEST_F(SearchTest, OutcomesOfFindRequests) {
    const Answer ok{ZDB_OK, -1, {}};
    struct Case {
        const char* name; Pairs request; std::vector<Record> records; Answer answer; int status; Texts rid;
        int rfound; std::string errorText, htmlTemplate; int searchStatus, errorLine;
    };
    const Case cases[] = {
        {"a refused search", {}, {}, Answer{5000, -1, {}}, -1, {}, 0, "message 5000: cat", "", 0, 4255},
        {"deleted records get no id", {}, {record(5), record(6, "docs", 5), record(7)}, ok, 0, {"5", "7"}, 2, "OK",
         "", 0, 0},
        {"the hit limit bounds the walk; rfound keeps the set's count", {{"${MAXHITS}", "2"}},
         {record(5), record(6), record(7)}, ok, 0, {"5", "6"}, 3, "OK", "", 0, 0},
        {"one record with the one-record template", {{"${OOHTML}", "single"}}, {record(5)}, ok, 0, {"5"}, 1, "OK",
         "single", 0, 0},
        {"a set without records: no record collected", {}, {}, ok, -1, {}, 0, "message 226", "", 0, 4359},
        {"no record collected, with the no-hits template", {{"${SNHTML}", "none"}}, {}, ok, 0, {}, 0, "OK", "none",
         226, 0},
    };
    for (const auto& c : cases) {
        fresh();
        Pairs request = c.request;
        request.insert(request.end(), {{"", "cat"}, {"${BASE}", "docs"}});
        opened(request);
        engine().answer("FIND cat", c.answer);
        engine().searches = {{ZDB_OK, 3, static_cast<int>(c.records.size()), 11}};
        engine().sets[3] = c.records;
        EXPECT_EQ(gw->doFind(), c.status) << c.name;
        EXPECT_EQ(commands(), Texts{"ZdbExecuteCcl(FIND cat)"}) << c.name;
        EXPECT_EQ(textsOf(gw->findresult.rid), c.rid) << c.name;
        EXPECT_EQ(gw->findresult.rfound, c.rfound) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.errorText) << c.name;
        EXPECT_EQ(gw->findresult.htmlTemplate.view(), c.htmlTemplate) << c.name;
        EXPECT_EQ(gw->search.searchStatus, c.searchStatus) << c.name;
        EXPECT_EQ(gw->errorLine, c.errorLine) << c.name;
    }
}

TEST_F(SearchTest, SortTakesTheFirstKeyAndItsRefusalIsReported) {
    struct Case { const char* name; int sortCode; bool snHtml; int status; Texts rid; int sortFailed; int line; };
    const Case cases[] = {
        // A sorted result is shown end to end (SearchPage.SearchModesRenderTheirResults).
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

// Term lists of DISPLAY and DISPNORM are shown end to end (SearchPage.DisplayListsAndHitList).
TEST_F(SearchTest, DisplayRequests) {
    auto display = [&](Pairs request, int kind) {
        fresh();
        request.insert(request.end(), {{"${FORD}", "DISPLAY"}, {"${BASE}", "docs"}, {"${MAXPAGE}", "11"}});
        opened(request);
        engine().display = zdbdouble::Display{kind, {{"TI=cat", "cat", 70}, {"TI=cow", "cow", 71}}, {0, 1}};
        ASSERT_EQ(gw->doFind(), 0) << gw->errorText.view();
        EXPECT_EQ(gw->findresult.rfound, 2);
    };
    // Free text without a qualifier goes through the field view; a term list is one page.
    display({{"", "cat"}, {"${DIHTML}", "terms"}}, 1);
    EXPECT_EQ(commands(),
              (Texts{"ZdbExecuteCcl(DEFINE FIELDVIEW TPH=TEXT,PHRASE )", "ZdbExecuteCcl(DISPLAY TPH=cat)"}));
    EXPECT_EQ(gw->findresult.findString.view(), "cat");
    EXPECT_TRUE(gw->findresult.rid.empty());
    EXPECT_EQ(gw->findresult.htmlTemplate.view(), "terms");
    EXPECT_EQ(gw->findresult.maxPage, 0);

    // A thesaurus display lists its terms as ids with their levels and opens the thesaurus.
    display({{"TERM", "cat"}, {"${THES}", "THES"}}, 2);
    EXPECT_EQ(commands(), (Texts{"ZdbExecuteCcl(DISPLAY TERM=cat)", "ZdbExecuteCcl(BASE THES)"}));
    EXPECT_EQ(gw->findresult.findString.view(), "TERM=cat");
    EXPECT_EQ(textsOf(gw->findresult.rid), (Texts{"70.0", "71.-1"}));
    EXPECT_TRUE(gw->search.thesaurusOpen);
    EXPECT_EQ(gw->findresult.fordMode, 1);
    EXPECT_EQ(gw->findresult.hits, 0);
    EXPECT_EQ(gw->findresult.maxPage, 11);
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

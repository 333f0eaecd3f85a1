// Tests of the session's set-making orders, display terms and hit lists on the engine
// double: the orders sent and the states of each failure, the window limits, and the
// hit list's bounds. Pages of hits with their anchors are checked in whole pages
// (ResultPage.HitListFromTheWindowPages).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/response_capture.h"
#include "support/session_fixture.h"

namespace {

using zdbdouble::Answer;
using Calls = std::vector<std::string>;

class HitList : public SessionTest {
protected:
    Calls commands() const { return e.callsNamed("ZdbExecuteCcl"); }
};

TEST_F(HitList, OrdersAndTheirFailures) {
    struct Case {
        const char* name; int mode; bool fuzzyForm; Answer answer; int result; int state; std::string command;
    };
    const Case cases[] = {
        {"FIND", 0, false, Answer{}, 0, 0, "FIND a"},
        {"no hits is no failure", 0, false, Answer{ZDB_NO_HITS, -1, {}}, 194, 0, "FIND a"},
        {"a refused order", 0, false, Answer{5000, -1, {}}, -270, -270, "FIND a"},
        {"FIND answered as another order", 0, false, Answer{ZDB_OK, ZDB_ORDER_BASE, {}}, -277, -277, "FIND a"},
        {"DISPLAY answered with order type 3", 1, false, Answer{ZDB_OK, ZDB_ORDER_FIND, {}}, -286, -286, "DISPLAY a"},
        {"the FUZZY form: any failure is -232", 3, true, Answer{ZDB_OK, ZDB_ORDER_BASE, {}}, -232, -232, "FUZZY a"},
    };
    for (const auto& c : cases) {
        SetUp();
        e.answer(c.command, c.answer);
        e.searches = {{ZDB_OK, 4, 2, 9}};
        e.display = zdbdouble::Display{1, {{"A", "a", 3}}, {}};
        int result = c.fuzzyForm ? db->findDisplay("a") : db->findDisplay("a", c.mode);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(db->state, c.state) << c.name;
        EXPECT_EQ(commands(), Calls{"ZdbExecuteCcl(" + c.command + ")"}) << c.name;
        if (result == 0) {
            EXPECT_EQ(db->recordNumber, 1) << c.name;
            EXPECT_EQ(db->recordCount, c.mode == 1 ? 1 : 2) << c.name << ": terms or records";
        } else if (result > 0) {
            EXPECT_EQ(db->engineError, result) << c.name;
        }
    }
}

// Display terms are read in whole pages, end to end and in ResultPage.DisplayTermsAndTheirLinks;
// a thesaurus list ends where the engine says.
TEST_F(HitList, ThesaurusTermsEndWhereTheEngineSays) {
    e.display = zdbdouble::Display{2, {{"TI=cat", "cat", 4}, {"TI=dog", "dog", 2}}, {}};
    db->recordCount = 2;
    db->displayKind = 2;
    StrBuf term;
    int value = 0;
    EXPECT_EQ(db->getDisplayTerm(term, value, 2), 2);
    EXPECT_EQ(term.view(), "dog");
    EXPECT_EQ(db->getDisplayTerm(term, value, 3), -331);
    EXPECT_EQ(db->engineError, zdbdouble::kNoSuchTermCode);
}

// The window's size from the request is bounded; the SHOW arguments follow the sorted list.
TEST_F(HitList, WindowSizeAndShowArguments) {
    struct Case { int rows, columns, all, sortedFlag; Calls definitions; std::string command; };
    const Case cases[] = {
        {50, 80, 0, 1, {}, "SHOW R=FROM 1 f=short"},
        {1, 80, 1, 0, {}, "SHOW R=FROM 1 f=short"},
        {101, 10001, 1, 1, {}, "SHOW SORT=#0 f=short"},
        {2, 10000, 0, 0, {"ZdbDefineWindow(1,2,10000)"}, "SHOW R=FROM 1 f=short"},
        {100, 1, 0, 0, {"ZdbDefineWindow(1,100,80)"}, "SHOW R=FROM 1 f=short"},
    };
    for (const auto& c : cases) {
        SetUp();
        e.answer("FORWARD ", Answer{ZDB_END_OF_DISPLAY, -1, {}});
        CapturedResponse response;
        db->sortedFlag = c.sortedFlag;
        EXPECT_EQ(db->outputFormat("f=short", c.rows, c.columns, c.all), 0);
        EXPECT_EQ(e.callsNamed("ZdbDefineWindow"), c.definitions) << c.rows << "x" << c.columns;
        EXPECT_EQ(commands(), (Calls{"ZdbExecuteCcl(" + c.command + ")", "ZdbExecuteCcl(FORWARD )"}))
            << c.all << "/" << c.sortedFlag;
    }
}

TEST_F(HitList, AnEngineThatNeverEndsTheListStopsAfter10000Turns) {
    CapturedResponse response;
    EXPECT_EQ(db->outputFormat("", 50, 80, 0), 0);
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl").size(), 1u + 10001u) << "SHOW and the page turns";
}

TEST_F(HitList, WideAndDenseWindowsOverrunNothing) {
    // A window widened by an earlier hit list stays wide when the next one asks for the
    // default size; every Latin-1 letter becomes an entity of up to 8 bytes.
    std::string wide(200, '\xE4');
    e.windowPages = {{{wide, {{1, 200}}}}};
    db->hilite = 1;
    {
        CapturedResponse response;
        ASSERT_EQ(db->outputFormat("", 2, 200, 0), 0);
    }
    CapturedResponse response;
    ASSERT_EQ(db->outputFormat("", 50, 80, 0), 0);
    std::string entities;
    for (int i = 0; i < 200; ++i) entities += "&auml;";
    EXPECT_EQ(response.text(), "<b>" + entities + "</b>\n");
}

}  // namespace

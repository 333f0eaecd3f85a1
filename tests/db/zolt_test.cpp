// Tests of the session object on the engine double: the engine calls and codes of
// login, openBase, commands and procedures that only the double can give, and the
// texts of errorMessage. Opening a database or a cluster is checked end to end
// (SearchPage.SearchModesRenderTheirResults) and its commands in login_test.cpp.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "db/zolt.h"
#include "zdb_double.h"

namespace {

using zdbdouble::Answer;
using Calls = std::vector<std::string>;

class ZoltTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.reset();
        unsetenv("ZDBS_LANG");
        ASSERT_EQ(Zolt::sessionsStarted(), 0) << "an earlier test left a session running";
    }
    // A session logged in on a fresh double, the double's log emptied.
    std::unique_ptr<Zolt> loggedIn() {
        e.reset();
        auto db = std::make_unique<Zolt>();
        db->login("u", "");
        e.log.clear();
        return db;
    }

    zdbdouble::Engine& e = zdbdouble::engine();
};

TEST_F(ZoltTest, TheEndOfASessionDeletesItsRecordControlBeforeTheLogout) {
    {
        Zolt db;
        db.login("u", "");
    }
    EXPECT_EQ(e.callsNamed("ZdbDeleteRecordControl"), Calls{"ZdbDeleteRecordControl(rc)"});
    EXPECT_EQ(e.log.back(), "ZdbEndZdbs(0)");
}

TEST_F(ZoltTest, VersionIsComparedByteByByteWithItsTerminator) {
    struct Case { const char* version; bool accepted; };
    const Case cases[] = {{"3.4", true},   {"3.4.1", true}, {"3.39", false},
                          {"10.0", false}, {"3.", false},   {"\xFF", true}};
    for (const auto& c : cases) {
        e.reset();
        Zolt db;
        e.version = c.version;
        db.login("u", "");
        EXPECT_EQ(db.state, c.accepted ? 0 : -108) << c.version;
        EXPECT_EQ(db.engineError, c.accepted ? 0 : 666) << c.version;
        EXPECT_EQ(e.callsNamed("ZdbStartZolt").size(), c.accepted ? 1u : 0u) << c.version;
    }
}

TEST_F(ZoltTest, LanguageComesFromZdbsLangExactlyAndEncodingTimes256) {
    struct Case { const char* value; int language; };
    const Case cases[] = {{nullptr, 9}, {"SWE", 10}, {"NOR", 15}, {"swe", 9}, {"SWED", 9}};
    for (const auto& c : cases) {
        e.reset();
        if (c.value) UpdateRCS("ZDBS_LANG", c.value);
        Zolt db;
        db.encoding = 16;
        db.login("u", "p");
        ASSERT_EQ(e.callsNamed("ZdbStartZolt").size(), 1u);
        EXPECT_EQ(e.callsNamed("ZdbStartZolt")[0],
                  "ZdbStartZolt(u,p," + std::to_string(c.language) + ",4096)")
            << (c.value ? c.value : "(unset)");
    }
}

TEST_F(ZoltTest, FailedLoginsKeepTheCodesAndEndOnlyAStartedSession) {
    struct Case {
        const char* name; int start; const char* failingCall; int state; int engineError; int startRc;
        Calls textVariable; const char* message; int endCalls;
    };
    const Case cases[] = {
        {"16418: wrong password, 10306 with the user as variable 1", 16418, "", -131, 10306, 16418,
         {"ZdbSetTextVariable(1,bob)"}, "Login error", 0},
        {"window refused after the start", 1, "ZdbDefineWindow", -145, 4242, 1, {}, "An error occurred", 1},
        {"record control refused", 1, "ZdbCreateRecordControl", -164, 4242, 1, {}, "An error occurred", 1},
    };
    for (const auto& c : cases) {
        e.reset();
        e.startResult = c.start;
        if (*c.failingCall) e.results[c.failingCall] = 4242;
        {
            Zolt db;
            db.login("bob", "pw");
            EXPECT_EQ(std::tuple(db.state, db.engineError, db.startRc), std::tuple(c.state, c.engineError, c.startRc))
                << c.name;
            EXPECT_EQ(e.callsNamed("ZdbSetTextVariable"), c.textVariable) << c.name;
            EXPECT_EQ(db.recordControl, nullptr) << c.name;
            db.messageLevel = 2;
            EXPECT_STREQ(db.errorMessage(), c.message) << c.name;
            db.login("bob", "pw");
            EXPECT_EQ(db.state, c.state) << c.name << ": a failed session stays failed";
        }
        EXPECT_EQ(e.endCalls, c.endCalls) << c.name << ": only a started session is ended";
        EXPECT_EQ(Zolt::sessionsStarted(), 0) << c.name;
    }
}

// The user's start procedure runs as "<FIND> SAVE <info>", cut to the 127 bytes of its buffer.
TEST_F(ZoltTest, UserInfoRunsTheSaveCommandCutTo127Bytes) {
    e.userInfo = std::string(100, 'i');  // the engine can hand out 63 bytes of it
    e.shellSymbols["FIN"] = std::string(70, 'F');
    Zolt db;
    db.login("u", "");
    EXPECT_EQ(db.state, 0);
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl"),
              Calls{"ZdbExecuteCcl(" + std::string(70, 'F') + " SAVE " + std::string(51, 'i') + ")"});
}

TEST_F(ZoltTest, OpenBaseFailurePoints) {
    struct Case { const char* name; Answer base; int infoCode, searchCode, state, engineError; };
    const Case cases[] = {
        {"order type 3 is taken as 6", {1, 3, {}}, 1, 1, 0, 0},
        {"wrong order type", {1, 8, {}}, 1, 1, -189, 0},
        {"base refused", {2530, 6, {}}, 1, 1, -1151, 2530},
        {"no current base name", {1, 6, {}}, 5000, 1, -200, 5000},
        {"no search", {1, 6, {}}, 1, 6000, -1166, 6000},
    };
    for (const auto& c : cases) {
        auto db = loggedIn();
        e.answer("BASE docs", c.base);
        e.sessionInfo[6] = {c.infoCode, "DOCS", 0};
        e.searches.push_back({c.searchCode, 0, 0, 0});
        EXPECT_EQ(db->openBase("docs"), c.state) << c.name;
        EXPECT_EQ(db->state, c.state) << c.name;
        EXPECT_EQ(db->engineError, c.engineError) << c.name;
        if (c.state != 0) {
            e.log.clear();
            EXPECT_EQ(db->openBase("docs"), c.state) << c.name << ": a failed session does nothing";
            EXPECT_TRUE(e.log.empty()) << c.name;
        }
    }
}

TEST_F(ZoltTest, ProceduresRunLineByLine) {
    struct Case { const char* name; Answer answer; int result; Calls commands; };
    const Case cases[] = {
        {"until a line answers 0", Answer{1, ZDB_ORDER_PROCEDURE, {{"FIND a"}, {"FIND zero"}, {"FIND c"}}}, 0,
         {"ZdbExecuteCcl(P)", "ZdbExecuteCcl(FIND a)", "ZdbExecuteCcl(FIND zero)"}},
        {"the last line's result", Answer{5, ZDB_ORDER_PROCEDURE, {{"FIND a"}, {"FIND seven"}}}, 7,
         {"ZdbExecuteCcl(P)", "ZdbExecuteCcl(FIND a)", "ZdbExecuteCcl(FIND seven)"}},
        {"no lines: the command's own result", Answer{5, ZDB_ORDER_PROCEDURE, {}}, 5, {"ZdbExecuteCcl(P)"}},
        {"a failed command is not expanded", Answer{8, ZDB_ORDER_PROCEDURE, {{"FIND a"}}}, 8, {"ZdbExecuteCcl(P)"}},
    };
    for (const auto& c : cases) {
        auto db = loggedIn();
        e.answer("P", c.answer);
        e.answer("FIND zero", Answer{0, 3, {}});
        e.answer("FIND seven", Answer{7, 3, {}});
        EXPECT_EQ(db->callZdbs("P"), c.result) << c.name;
        EXPECT_EQ(e.callsNamed("ZdbExecuteCcl"), c.commands) << c.name;
    }

    // A procedure that names itself stops at the depth limit and fails.
    Zolt db;
    e.log.clear();
    e.answer("LOOP", Answer{1, ZDB_ORDER_PROCEDURE, {{"LOOP"}}});
    EXPECT_EQ(db.callZdbs("LOOP"), 0);
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl").size(), static_cast<std::size_t>(Zolt::kMaxProcedureDepth) + 1);
}

TEST_F(ZoltTest, CommandResultsAndTheRetryAfterTooManySets) {
    const Calls once{"ZdbExecuteCcl(FIND x)"};
    const Calls retried{"ZdbExecuteCcl(FIND x)", "ZdbExecuteCcl(DELETE S=FROM 4)", "ZdbExecuteCcl(FIND x)"};
    struct Case { const char* name; std::vector<int> codes; int deleteCode, result, engineError; Calls commands; };
    const Case cases[] = {
        {"odd codes succeed", {5}, 21, 0, 0, once},
        {"no hits (194) is passed on", {194}, 21, 194, 0, once},
        {"226 is passed on", {226}, 21, 226, 0, once},
        {"3810 is passed on", {3810}, 21, 3810, 0, once},
        {"4546 is passed on", {4546}, 21, 4546, 0, once},
        {"even codes fail", {2530}, 21, -1151, 2530, once},
        {"36323 is taken as 36322", {36323}, 21, -1151, 36322, once},
        {"retry after 9506 succeeds", {9506, 1}, 21, 0, 0, retried},
        {"second 9506 fails", {9506, 9506}, 21, -1151, 9506, retried},
        {"deleting the sets fails", {9506, 1}, 3000, -1151, 3000, {once[0], retried[1]}},
    };
    for (const auto& c : cases) {
        auto db = loggedIn();
        db->lastSearchSet = 3;
        for (int code : c.codes) e.answer("FIND x", Answer{code, 3, {}});
        e.answer("DELETE S=FROM 4", Answer{c.deleteCode, 21, {}});
        EXPECT_EQ(db->doCommand("FIND", "x"), c.result) << c.name;
        EXPECT_EQ(db->state, c.result < 0 ? c.result : 0) << c.name;
        EXPECT_EQ(db->engineError, c.engineError) << c.name;
        EXPECT_EQ(e.callsNamed("ZdbExecuteCcl"), c.commands) << c.name;
    }
}

TEST_F(ZoltTest, ShellSymbols) {
    e.shellSymbols["BAS"] = "BASIS";
    e.shellSymbols["DEL"] = std::string(1500, 'D');  // longer than the buffer: not taken
    e.shellSymbols["SAV"] = std::string(1023, 'S');
    Zolt db;
    struct Case { const char* word; std::string result; };
    const Case cases[] = {
        {"FIN", "FIND"}, {"SXX", "S"}, {"FINDER", "FIND"},    // only three letters are asked
        {"XYZ", "XYZ"},  {"ABCDEF", "ABCDEF"}, {"", ""},      // no translation: the word itself
        {"BAS", "BASIS"}, {"DEL", "DEL"}, {"SAV", std::string(1023, 'S')},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(db.shellSymbol(c.word)), c.result) << c.word;

    e.log.clear();
    db.shellSymbol("A");  // the engine sees the letter followed by blanks
    EXPECT_EQ(e.log, Calls{"ZdbShellSymbol(A  )"});
}

TEST_F(ZoltTest, ErrorMessageAtTheThreeLevels) {
    struct Case { int level; int code; std::string text; };
    const Case cases[] = {
        {2, 194, "none"},   {2, 227, "none"},   {2, 162, "login"},          {2, 10306, "login"},
        {2, 2530, "other"}, {2, 0, "other"},    {0, 2530, "message 2530"},  {1, 194, "message 194"},
    };
    Zolt db;
    db.msgNoHits = "none";
    db.msgLogin = "login";
    db.msgOther = "other";
    for (const auto& c : cases) {
        db.messageLevel = c.level;
        db.engineError = c.code;
        EXPECT_EQ(std::string(db.errorMessage()), c.text) << c.level << "/" << c.code;
    }

    // Plain text (the caller escapes it) cut to the 1,023 characters of its buffer.
    db.messageLevel = 0;
    db.engineError = 8;
    e.messages[8] = "<b>" + std::string(2000, 'x');
    EXPECT_EQ(std::string(db.errorMessage()), "<b>" + std::string(1020, 'x'));
    EXPECT_EQ(e.callsNamed("ZdbMessage").back(), "ZdbMessage(8,1023)");
    db.messageLevel = 2;
    db.msgOther = std::string(1500, 'o');
    EXPECT_EQ(std::string(db.errorMessage()), std::string(1023, 'o'));
}

}  // namespace

// Tests of the session object on the engine double: the exact engine calls of
// login, openBase, commands and procedures, and the texts of errorMessage.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "db/zolt.h"
#include "zdb_double.h"

namespace {

using zdbdouble::Answer;
using zdbdouble::ProcLine;
using Calls = std::vector<std::string>;

class ZoltTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.reset();
        unsetenv("ZDBS_LANG");
        ASSERT_EQ(Zolt::sessionsStarted(), 0) << "an earlier test left a session running";
    }
    // The log without the shell-symbol look-ups, which every command makes.
    Calls engineCalls() const { return e.callsWithout({"ZdbShellSymbol"}); }

    zdbdouble::Engine& e = zdbdouble::engine();
};

TEST_F(ZoltTest, LoginCallsTheEngineInOrderAndTheDestructorEndsTheSession) {
    {
        Zolt db;
        db.login("bob", "pw");
        EXPECT_EQ(db.state, 0);
        EXPECT_NE(db.recordControl, nullptr);
        EXPECT_EQ(engineCalls(), (Calls{"ZdbVersion()", "QueryRCS(ZDBS_LANG,7)",
                                         "ZdbStartZolt(bob,pw,9,256)", "ZdbDefineWindow(1,50,80)",
                                         "ZdbUserInfo(4)", "ZdbCreateRecordControl()"}));
        e.log.clear();
    }
    EXPECT_EQ(e.log, (Calls{"ZdbDeleteRecordControl(rc)", "ZdbEndZdbs(0)"}));
    EXPECT_EQ(e.liveRecordControls, 0);
    EXPECT_EQ(Zolt::sessionsStarted(), 0);
}

TEST_F(ZoltTest, VersionIsComparedByteByByteWithItsTerminator) {
    struct Case { const char* version; bool accepted; };
    const Case cases[] = {{"3.4", true},  {"3.5", true},   {"4.0", true},  {"3.4.1", true},
                          {"3.39", false}, {"10.0", false}, {"3.3", false}, {"3.", false},
                          {"", false},     {"\xFF", true}};
    for (const auto& c : cases) {
        e.reset();
        Zolt db;
        e.version = c.version;
        db.login("u", "");
        if (c.accepted) {
            EXPECT_EQ(db.state, 0) << c.version;
        } else {
            EXPECT_EQ(db.state, -108) << c.version;
            EXPECT_EQ(db.engineError, 666) << c.version;
            EXPECT_TRUE(e.callsNamed("ZdbStartZolt").empty()) << c.version;
        }
    }
}

TEST_F(ZoltTest, LanguageComesFromZdbsLangExactlyAndEncodingTimes256) {
    struct Case { const char* value; int language; };
    const Case cases[] = {{nullptr, 9}, {"ENG", 9}, {"SWE", 10}, {"CHI", 11}, {"GER", 12},
                          {"FRE", 13},  {"FIN", 14}, {"NOR", 15}, {"eng", 9},  {"swe", 9},
                          {"SWED", 9},  {"", 9}};
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

TEST_F(ZoltTest, RefusedLoginKeepsTheCodesTheLoginFormNeeds) {
    {
        SCOPED_TRACE("322: disabled account, no text variable");
        e.startResult = 322;
        Zolt db;
        db.messageLevel = 2;
        db.login("bob", "pw");
        EXPECT_EQ(db.state, -131);
        EXPECT_EQ(db.engineError, 322);
        EXPECT_EQ(db.startRc, 1);
        EXPECT_TRUE(e.callsNamed("ZdbSetTextVariable").empty());
        EXPECT_STREQ(db.errorMessage(), "Login error");
        EXPECT_EQ(db.recordControl, nullptr);
    }
    EXPECT_EQ(e.endCalls, 0) << "a session that never started is not ended";

    e.reset();
    {
        SCOPED_TRACE("16418: wrong password becomes 10306 with the user as variable 1");
        e.startResult = 16418;
        e.messages[10306] = "User %1 is not logged in";
        Zolt db;
        db.login("bob", "pw");
        EXPECT_EQ(db.state, -131);
        EXPECT_EQ(db.engineError, 10306);
        EXPECT_EQ(db.startRc, 16418);
        EXPECT_EQ(e.callsNamed("ZdbSetTextVariable"), Calls{"ZdbSetTextVariable(1,bob)"});
        EXPECT_STREQ(db.errorMessage(), "User bob is not logged in");
    }
    EXPECT_EQ(e.endCalls, 0);
}

TEST_F(ZoltTest, FailuresAfterTheStartEndTheSessionOnce) {
    struct Case { const char* call; int state; };
    const Case cases[] = {{"ZdbDefineWindow", -145}, {"ZdbCreateRecordControl", -164}};
    for (const auto& c : cases) {
        e.reset();
        {
            e.results[c.call] = 4242;
            Zolt db;
            db.login("u", "");
            EXPECT_EQ(db.state, c.state) << c.call;
            EXPECT_EQ(db.engineError, 4242) << c.call;
            EXPECT_EQ(db.recordControl, nullptr) << c.call;
            db.login("u", "");  // a failed session stays failed
            EXPECT_EQ(db.state, c.state) << c.call;
        }
        EXPECT_EQ(e.endCalls, 1) << c.call;
        EXPECT_EQ(Zolt::sessionsStarted(), 0) << c.call;
    }
}

TEST_F(ZoltTest, UserInfoRunsTheSaveCommandCutTo127Bytes) {
    {
        e.userInfo = "startproc";
        Zolt db;
        db.login("u", "");
        EXPECT_EQ(e.callsNamed("ZdbExecuteCcl"), Calls{"ZdbExecuteCcl(FIND SAVE startproc)"});
        EXPECT_EQ(db.state, 0);
    }
    e.reset();
    {
        e.userInfo = std::string(100, 'i');  // the engine can hand out 63 bytes of it
        e.shellSymbols["FIN"] = std::string(70, 'F');
        e.answer("anything", Answer{});  // not matched: the command is cut
        Zolt db;
        db.login("u", "");
        auto calls = e.callsNamed("ZdbExecuteCcl");
        ASSERT_EQ(calls.size(), 1u);
        std::string command = calls[0].substr(14, calls[0].size() - 15);
        EXPECT_EQ(command.size(), 127u);
        EXPECT_EQ(command, std::string(70, 'F') + " SAVE " + std::string(51, 'i'));
    }
}

TEST_F(ZoltTest, ASecondSessionObjectJoinsTheStartedSessionAndDoesNotEndIt) {
    auto first = std::make_unique<Zolt>();
    first->login("u", "");
    e.log.clear();
    {
        Zolt second;
        second.login("u", "");
        EXPECT_EQ(second.state, 0);
        EXPECT_EQ(e.log, Calls{"ZdbCreateRecordControl()"});
        second.login("u", "");  // again on the same object: the old control is freed
        EXPECT_EQ(e.liveRecordControls, 2);
    }
    EXPECT_EQ(e.endCalls, 0);
    first.reset();
    EXPECT_EQ(e.endCalls, 1);
    EXPECT_EQ(e.liveRecordControls, 0);
}

TEST_F(ZoltTest, OpenBaseOfOneDatabase) {
    Zolt db;
    db.login("u", "");
    e.log.clear();
    e.sessionInfo[6] = {1, "DOCS", 0};
    e.sessionInfo[5] = {1, "", 1};
    e.searches.push_back({1, 0, 0, 0});
    EXPECT_EQ(db.openBase("docs"), 0);
    EXPECT_EQ(engineCalls(), (Calls{"ZdbExecuteCcl(BASE docs)", "ZdbSessionInfo(6)",
                                     "ZdbSessionInfo(5)", "ZdbGetSearch()"}));
    EXPECT_EQ(db.currentBase.view(), "DOCS");
    EXPECT_EQ(db.singleBase.view(), "DOCS");
    EXPECT_EQ(db.clusterFlag, 0);
}

TEST_F(ZoltTest, OpenBaseOfAListOpensACluster) {
    Zolt db;
    db.login("u", "");
    db.singleBase = "old";
    EXPECT_EQ(db.openBase("a,b"), 0);
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl").back(), "ZdbExecuteCcl(BASE  tmpclust=a,b)");
    EXPECT_EQ(db.currentBase.view(), "a,b");
    EXPECT_EQ(db.clusterFlag, 1);
    EXPECT_TRUE(db.singleBase.empty());
}

TEST_F(ZoltTest, OpenBaseFailurePoints) {
    struct Case {
        const char* name;
        Answer base;
        int infoCode;
        int searchCode;
        int state;
        int engineError;
    };
    const Case cases[] = {
        {"order type 3 is taken as 6", {1, 3, {}}, 1, 1, 0, 0},
        {"wrong order type", {1, 8, {}}, 1, 1, -189, 0},
        {"base refused", {2530, 6, {}}, 1, 1, -1151, 2530},
        {"no current base name", {1, 6, {}}, 5000, 1, -200, 5000},
        {"no search", {1, 6, {}}, 1, 6000, -1166, 6000},
    };
    for (const auto& c : cases) {
        e.reset();
        Zolt db;
        db.login("u", "");
        e.answer("BASE docs", c.base);
        e.sessionInfo[6] = {c.infoCode, "DOCS", 0};
        e.searches.push_back({c.searchCode, 0, 0, 0});
        EXPECT_EQ(db.openBase("docs"), c.state) << c.name;
        EXPECT_EQ(db.state, c.state) << c.name;
        EXPECT_EQ(db.engineError, c.engineError) << c.name;
        if (c.state != 0) {
            e.log.clear();
            EXPECT_EQ(db.openBase("docs"), c.state) << c.name << ": a failed session does nothing";
            EXPECT_TRUE(e.log.empty()) << c.name;
        }
    }
}

TEST_F(ZoltTest, ProcedureLinesRunUntilOneAnswersZero) {
    Zolt db;
    db.login("u", "");
    e.log.clear();
    e.answer("P", Answer{1, ZDB_ORDER_PROCEDURE, {{"FIND a"}, {"FIND b"}, {"FIND c"}}});
    e.answer("FIND b", Answer{0, 3, {}});
    EXPECT_EQ(db.callZdbs("P"), 0);
    EXPECT_EQ(e.callsWithout({"ZdbShellSymbol"}),
              (Calls{"ZdbExecuteCcl(P)", "ZdbGetNextProcLine()", "ZdbExecuteCcl(FIND a)",
                     "ZdbGetNextProcLine()", "ZdbExecuteCcl(FIND b)"}));
    // doCommand reports the 0 of a procedure line as a failure.
    e.answer("P ", Answer{1, ZDB_ORDER_PROCEDURE, {{"FIND b"}}});
    EXPECT_EQ(db.doCommand("P", ""), -1151);
    EXPECT_EQ(db.engineError, 0);
}

TEST_F(ZoltTest, ProcedureResultIsTheLastLineOrTheCommandsOwn) {
    Zolt db;
    db.login("u", "");
    e.answer("P", Answer{5, ZDB_ORDER_PROCEDURE, {{"FIND a"}, {"FIND b"}}});
    e.answer("FIND b", Answer{7, 3, {}});
    EXPECT_EQ(db.callZdbs("P"), 7);
    e.answer("EMPTY", Answer{5, ZDB_ORDER_PROCEDURE, {}});
    EXPECT_EQ(db.callZdbs("EMPTY"), 5);
    // A failed command is not expanded even when it says "procedure".
    e.answer("BAD", Answer{8, ZDB_ORDER_PROCEDURE, {{"FIND a"}}});
    e.log.clear();
    EXPECT_EQ(db.callZdbs("BAD"), 8);
    EXPECT_TRUE(e.callsNamed("ZdbGetNextProcLine").empty());
}

TEST_F(ZoltTest, AProcedureThatNamesItselfStopsAtTheDepthLimit) {
    Zolt db;
    db.login("u", "");
    e.log.clear();
    e.answer("LOOP", Answer{1, ZDB_ORDER_PROCEDURE, {{"LOOP"}}});
    EXPECT_EQ(db.callZdbs("LOOP"), 0) << "a procedure too deep to run fails";
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl").size(),
              static_cast<std::size_t>(Zolt::kMaxProcedureDepth) + 1);
}

TEST_F(ZoltTest, TooManySetsIsRetriedOnceAfterDeletingTheSets) {
    struct Case {
        const char* name;
        std::vector<int> findCodes;
        int deleteCode;
        int result;
        int engineError;
        Calls commands;
    };
    const Case cases[] = {
        {"retry succeeds", {9506, 1}, 21, 0, 0,
         {"ZdbExecuteCcl(FIND x)", "ZdbExecuteCcl(DELETE S=FROM 4)", "ZdbExecuteCcl(FIND x)"}},
        {"second 9506 fails", {9506, 9506}, 21, -1151, 9506,
         {"ZdbExecuteCcl(FIND x)", "ZdbExecuteCcl(DELETE S=FROM 4)", "ZdbExecuteCcl(FIND x)"}},
        {"deletion fails", {9506, 1}, 3000, -1151, 3000,
         {"ZdbExecuteCcl(FIND x)", "ZdbExecuteCcl(DELETE S=FROM 4)"}},
    };
    for (const auto& c : cases) {
        e.reset();
        Zolt db;
        db.login("u", "");
        db.lastSearchSet = 3;
        e.log.clear();
        for (int code : c.findCodes) e.answer("FIND x", Answer{code, 3, {}});
        e.answer("DELETE S=FROM 4", Answer{c.deleteCode, 21, {}});
        EXPECT_EQ(db.doCommand(db.shellSymbol("FIN"), "x"), c.result) << c.name;
        EXPECT_EQ(db.engineError, c.engineError) << c.name;
        EXPECT_EQ(e.callsNamed("ZdbExecuteCcl"), c.commands) << c.name;
    }
}

TEST_F(ZoltTest, DoCommandResults) {
    struct Case { int code; int result; int state; int engineError; };
    const Case cases[] = {{1, 0, 0, 0},       {5, 0, 0, 0},          {194, 194, 0, 0},
                          {226, 226, 0, 0},   {3810, 3810, 0, 0},    {4546, 4546, 0, 0},
                          {227, 0, 0, 0},     {2530, -1151, -1151, 2530}, {36323, -1151, -1151, 36322},
                          {36322, -1151, -1151, 36322}};
    for (const auto& c : cases) {
        e.reset();
        Zolt db;
        db.login("u", "");
        e.answer("FIND x", Answer{c.code, 3, {}});
        EXPECT_EQ(db.doCommand("FIND", "x"), c.result) << c.code;
        EXPECT_EQ(db.state, c.state) << c.code;
        EXPECT_EQ(db.engineError, c.engineError) << c.code;
    }
}

TEST_F(ZoltTest, ShellSymbols) {
    Zolt db;
    struct Case { const char* word; const char* result; };
    const Case cases[] = {
        {"FIN", "FIND"}, {"SXX", "S"}, {"FINDER", "FIND"},  // only three letters are asked
        {"XYZ", "XYZ"},  {"ABCDEF", "ABCDEF"},              // no translation: the word itself
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_STREQ(db.shellSymbol(c.word), c.result) << c.word;

    e.log.clear();
    db.shellSymbol("A");  // the engine sees the letter followed by blanks
    EXPECT_EQ(e.log, Calls{"ZdbShellSymbol(A  )"});

    e.shellSymbols["BAS"] = "BASIS";
    e.shellSymbols["DEL"] = std::string(1500, 'D');  // longer than the buffer: not taken
    EXPECT_STREQ(db.shellSymbol("BAS"), "BASIS");
    EXPECT_STREQ(db.shellSymbol("DEL"), "DEL");
    e.shellSymbols["SAV"] = std::string(1023, 'S');
    EXPECT_EQ(std::string(db.shellSymbol("SAV")), std::string(1023, 'S'));
}

TEST_F(ZoltTest, ErrorMessageAtTheThreeLevels) {
    struct Case { int level; int code; std::string text; };
    const std::vector<Case> cases = {
        {2, 194, "none"},   {2, 226, "none"},   {2, 227, "none"},  {2, 162, "login"},
        {2, 322, "login"},  {2, 10306, "login"}, {2, 16418, "login"}, {2, 34435, "login"},
        {2, 2530, "other"}, {2, 0, "other"},    {0, 2530, "message 2530"},
        {1, 194, "message 194"}, {3, 194, "message 194"},
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
}

TEST_F(ZoltTest, ErrorMessageIsPlainTextCutToItsBuffer) {
    Zolt db;
    db.engineError = 8;
    e.messages[8] = "<b>" + std::string(2000, 'x');
    std::string text = db.errorMessage();
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(0, 4), "<b>x") << "the caller escapes, not the session";
    EXPECT_EQ(e.callsNamed("ZdbMessage"), Calls{"ZdbMessage(8,1023)"});

    db.messageLevel = 2;
    db.msgOther = std::string(1500, 'o');
    EXPECT_EQ(std::string(db.errorMessage()), std::string(1023, 'o'));
}

}  // namespace

// Tests of the engine double itself, where a fault would make gateway tests pass
// for the wrong reason: symbol sources, message variables, answer queues.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "zdb_double.h"

namespace {

TEST(ZdbDouble, QueryRcsTakesProcessThenEnvironmentThenFile) {
    auto& e = zdbdouble::engine();
    e.reset();
    setenv("ZGW_DOUBLE_TEST", "from-env", 1);
    e.rcsFile["zgw_double_test"] = "from-file";
    e.rcsFile["ONLY_FILE"] = "file";
    EXPECT_STREQ(QueryRCS("ZGW_DOUBLE_TEST", 7), "from-env");
    EXPECT_STREQ(QueryRCS("ZGW_DOUBLE_TEST", 4), "from-file");
    const char* kept = QueryRCS("only_file", 7);
    UpdateRCS("zgw_double_test", "from-process");
    EXPECT_STREQ(QueryRCS("ZGW_DOUBLE_TEST", 7), "from-process");
    EXPECT_STREQ(QueryRCS("ZGW_DOUBLE_TEST", 2), "from-env");
    EXPECT_EQ(QueryRCS("NOT_THERE_AT_ALL", 7), nullptr);
    e.reset();
    EXPECT_STREQ(kept, "file") << "returned texts live for the process";
    unsetenv("ZGW_DOUBLE_TEST");
}

TEST(ZdbDouble, MessagesReplaceVariableOneAndStayInTheBuffer) {
    auto& e = zdbdouble::engine();
    e.reset();
    char text[16];
    int length = sizeof text - 1;
    ZdbMessage(16418, text, &length);
    EXPECT_STREQ(text, "message 16418");
    e.messages[322] = "User %1 is disabled";
    ZdbSetIntegerVariable(1, 7);
    length = sizeof text - 1;
    ZdbMessage(322, text, &length);
    EXPECT_EQ(length, 15);
    EXPECT_STREQ(text, "User 7 is disab");
    ZdbSetTextVariable(1, "ann");
    char wide[64];
    length = sizeof wide - 1;
    ZdbMessage(322, wide, &length);
    EXPECT_STREQ(wide, "User ann is disabled");
}

TEST(ZdbDouble, AnswersQueueAndTheLastOneRepeats) {
    auto& e = zdbdouble::engine();
    e.reset();
    e.answer("FIND x", {9506, 3, {}});
    e.answer("FIND x", {1, 3, {}});
    int type = 0;
    EXPECT_EQ(ZdbExecuteCcl("FIND x", &type), 9506);
    EXPECT_EQ(ZdbExecuteCcl("FIND x", &type), 1);
    EXPECT_EQ(ZdbExecuteCcl("FIND x", &type), 1);
    EXPECT_EQ(ZdbExecuteCcl("show r=from 1", &type), 1);
    EXPECT_EQ(type, ZDB_ORDER_SHOW) << "unscripted commands get the engine's order type";
    EXPECT_EQ(e.callsNamed("ZdbExecuteCcl").size(), 4u);
    EXPECT_EQ(ZdbRetCode(), 1);
}

TEST(ZdbDouble, RecordCallsNeverSucceedUnscripted) {
    auto& e = zdbdouble::engine();
    e.reset();
    int id = -1, set = 0;
    char database[ZDB_DATABASE_NAME_SIZE] = "x";
    EXPECT_EQ(ZdbGetRecordInSearchRis(nullptr, &set, 1, &id, database), 0);
    EXPECT_EQ(id, 0);
    EXPECT_STREQ(database, "");
    EXPECT_EQ(ZdbSetCursor(nullptr, nullptr, 1, 0, 0) & 1, 0);
    EXPECT_EQ(ZdbCheckField(nullptr, "TI", &id, &id, &id) & 1, 0);
    char line[81];
    EXPECT_EQ(ZdbGetWindowLine(1, line), 0);
    e.results["ZdbSetCursor"] = 1;
    EXPECT_EQ(ZdbSetCursor(nullptr, nullptr, 1, 0, 0), 1);
}

}  // namespace

// session_test.cpp - login and its refusals, the session file, messages and their
// variables, windows, user information and record control handles (shell symbols: the
// engine contract, tests/contract).

#include <sys/stat.h>

#include <sys/wait.h>

#include <csignal>
#include <set>

#include <ctime>

#include "codes.h"
#include "engine_fixture.h"
#include "login_rules.h"
#include "password.h"
#include "session_file.h"

namespace {

using enginetest::EngineTest;

// The version text itself is checked in the engine contract (tests/contract).
TEST_F(EngineTest, VersionNeedsRoomForItsTerminator) {
    char text[ZDB_VERSION_SIZE];
    int length = 3;
    EXPECT_EQ(ZdbVersion(text, &length), zdb::kBufferTooSmall);
}

// Login hours that exclude the present minute: from an hour ahead to two hours ahead.
std::string hoursNotNow() {
    std::time_t clock = std::time(nullptr);
    std::tm now{};
    localtime_r(&clock, &now);
    int minute = now.tm_hour * 60 + now.tm_min;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d-%02d:%02d", (minute + 60) / 60 % 24, minute % 60,
                  (minute + 120) / 60 % 24, minute % 60);
    return text;
}

TEST_F(EngineTest, LoginChecksUserPasswordAndAccount) {
    addUser("anna", "pass word", {"*"});
    addUser("gone", "x", {"*"}, true);
    addUser("old", "x", {"*"}, false, "2001-02-03");
    addUser("day", "x", {"*"}, false, "2999-12-31", hoursNotNow());
    struct Case {
        const char* name;
        const char* user;
        const char* password;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"public user", "zoltgate", "", ZDB_OK, "Done"},
        {"public user, any case", "ZoltGate", "", ZDB_OK, "Done"},
        {"public user with a password", "zoltgate", "x", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"right password", "anna", "pass word", ZDB_OK, "Done"},
        {"wrong password", "anna", "pass", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"no password for an account with one", "anna", "", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"unknown user", "bob", "", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"disabled user", "gone", "x", ZDB_ACCESS_DISABLED, "Access for user gone is disabled"},
        {"disabled user, wrong password", "gone", "y", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"expired password", "old", "x", ZDB_PASSWORD_EXPIRED, "Login refused: the password of user old has expired"},
        {"expired, wrong password", "old", "y", ZDB_WRONG_LOGIN, "Wrong user name or password"},
        {"outside the login hours", "day", "x", ZDB_OUTSIDE_LOGIN_HOURS,
         "Login refused: user day may not log in at this time of day"},
    };
    for (const Case& c : cases) {
        int code = ZdbStartZolt(c.user, c.password, ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256);
        EXPECT_EQ(code, c.code) << c.name;
        EXPECT_EQ(ZdbRetCode(), c.code) << c.name;
        EXPECT_EQ(message(code), c.message) << c.name;
        ZdbEndZdbs(0);
    }
}

TEST(LoginRules, ExpiryAndHoursOnTheLocalClock) {
    std::tm now{};
    now.tm_year = 2024 - 1900;
    now.tm_mon = 2;  // 15 March 2024, 22:30
    now.tm_mday = 15;
    now.tm_hour = 22;
    now.tm_min = 30;
    struct Case {
        const char* name;
        const char* expires;
        const char* hours;
        bool closed;
        int code;
    };
    const Case cases[] = {
        {"no limits", "", "", false, 0},
        {"last day of the password", "2024-03-15", "", false, 0},
        {"a day after it", "2024-03-14", "", false, ZDB_PASSWORD_EXPIRED},
        {"inside the hours", "", "22:00-23:00", false, 0},
        {"at the end of the hours", "", "08:00-22:30", false, ZDB_OUTSIDE_LOGIN_HOURS},
        {"hours over midnight", "", "22:30-06:00", false, 0},
        {"outside hours over midnight", "", "23:00-06:00", false, ZDB_OUTSIDE_LOGIN_HOURS},
        {"damaged hours refuse", "", "soon", false, ZDB_OUTSIDE_LOGIN_HOURS},
        {"damaged date refuses", "31.02.2024", "", false, ZDB_PASSWORD_EXPIRED},
        {"closed logins come first", "2024-03-14", "", true, ZDB_LOGINS_CLOSED},
    };
    for (const Case& c : cases) {
        zdb::User user{"u", "", {"*"}, false, c.expires, c.hours};
        EXPECT_EQ(zdb::loginRefusal(user, c.closed, now), c.code) << c.name;
    }
    EXPECT_EQ(zdb::normalExpiry("31.12.2024"), "2024-12-31");
    EXPECT_EQ(zdb::normalExpiry("2024-02-30"), std::nullopt);
    EXPECT_EQ(zdb::normalHours("08:00-08:00"), std::nullopt);
}

TEST_F(EngineTest, SystemDatabaseOfTheFirstFormatIsReadAndUpgraded) {
    sqlite3* raw = nullptr;  // back to the first format: users without expiry or hours
    ASSERT_EQ(sqlite3_open(zdb::SystemDb::pathFor(dir.path).c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE user DROP COLUMN expires; ALTER TABLE user DROP COLUMN hours;"
                                "UPDATE meta SET value = '1' WHERE key = 'format'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(login(), ZDB_OK) << "read as it is";
    endSession();
    addUser("anna", "x", {"*"}, false, "2001-01-01");  // opens it for writing: upgraded
    EXPECT_EQ(login(ZDB_CHARSET_UTF8, "anna", "x"), ZDB_PASSWORD_EXPIRED);
    EXPECT_EQ(login(), ZDB_OK);
}

TEST_F(EngineTest, LoginRefusesBadArgumentsAndASecondSession) {
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 8, 256), zdb::kInvalidArgument);
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 16, 256), zdb::kInvalidArgument);
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 7 * 256), zdb::kInvalidArgument);
    EXPECT_EQ(ZdbStartZolt(nullptr, "", 9, 256), zdb::kInvalidArgument);
    for (int language = ZDB_LANG_ENG; language <= ZDB_LANG_NOR; ++language) {
        EXPECT_EQ(ZdbStartZolt("zoltgate", "", language, 256), ZDB_OK) << language;
        ZdbEndZdbs(0);
    }
    ASSERT_EQ(login(), ZDB_OK);
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), zdb::kSessionActive);
}

TEST_F(EngineTest, LoginNeedsTheDataDirectoryAndTheSystemDatabase) {
    UpdateRCS("ZDBS_DATA", "");
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), zdb::kNoDataDirectory);
    UpdateRCS("ZDBS_DATA", (dir.path + "/missing").c_str());
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), zdb::kNoSystemDatabase);
    EXPECT_EQ(message(zdb::kNoSystemDatabase), "The system database cannot be opened");
}

TEST_F(EngineTest, PasswordsAreSaltedArgon2Hashes) {
    std::string hash = zdb::hashPassword("secret");
    EXPECT_NE(hash.find("$argon2id$"), std::string::npos);
    EXPECT_NE(zdb::hashPassword("secret"), hash);  // salted
    EXPECT_TRUE(zdb::verifyPassword("secret", hash));
    EXPECT_FALSE(zdb::verifyPassword("Secret", hash));
}

TEST_F(EngineTest, SessionFileLivesAsLongAsTheSession) {
    // The gateway joins the cache directory and the file name with a backslash.
    std::string configured = dir.path + "\\ZGW42.SIF";
    std::string path = dir.path + "/ZGW42.SIF";
    UpdateRCS("ZDBS_SIF", configured.c_str());
    ASSERT_EQ(login(), ZDB_OK);
    std::string text = enginetest::readFile(path);
    EXPECT_EQ(text.rfind("user=zoltgate\npid=" + std::to_string(getpid()) + "\nstarted=", 0), 0u) << text;
    EXPECT_STREQ(zdb::g_sessionFilePath, path.c_str());
    ZdbDeleteRecordControl(&rc);
    ASSERT_EQ(ZdbEndZdbs(0), ZDB_OK);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    EXPECT_STREQ(zdb::g_sessionFilePath, "");
}

TEST_F(EngineTest, QuickLogoutRemovesTheSessionFileAndEndsTheProcess) {
    std::string path = dir.path + "/ZGW7.SIF";
    UpdateRCS("ZDBS_SIF", path.c_str());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ZdbStartZolt("zoltgate", "", 9, 256) != ZDB_OK) _exit(3);
        std::signal(SIGTERM, quickLogout);
        raise(SIGTERM);
        _exit(4);  // not reached: the handler ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST_F(EngineTest, SessionFileNeverReplacesOrRemovesAnotherFile) {
    // A document at the configured name survives the login that is refused.
    std::string document = dir.path + "/report.txt";
    enginetest::writeFile(document, "keep me\n");
    UpdateRCS("ZDBS_SIF", document.c_str());
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), zdb::kSessionFileFailed);
    EXPECT_EQ(enginetest::readFile(document), "keep me\n");
    UpdateRCS("ZDBS_SIF", (dir.path + "/no/such/dir/ZGW1.SIF").c_str());
    EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), zdb::kSessionFileFailed);
    EXPECT_EQ(message(zdb::kSessionFileFailed),
              "The session file " + dir.path + "/no/such/dir/ZGW1.SIF cannot be written");
    // A file that took the session file's place during the session is not removed.
    std::string path = dir.path + "/ZGW2.SIF";
    UpdateRCS("ZDBS_SIF", path.c_str());
    ASSERT_EQ(login(), ZDB_OK);
    ASSERT_EQ(unlink(path.c_str()), 0);
    enginetest::writeFile(path, "another file\n");
    ZdbDeleteRecordControl(&rc);
    ASSERT_EQ(ZdbEndZdbs(0), ZDB_OK);
    EXPECT_EQ(enginetest::readFile(path), "another file\n");
}

TEST_F(EngineTest, SessionFileOfAnEndedProcessIsReplaced) {
    // A process killed without its handler leaves its file; its process id comes round again.
    std::string path = dir.path + "/ZGW3.SIF";
    UpdateRCS("ZDBS_SIF", path.c_str());
    struct Case {
        const char* name;
        std::string text;
        int code;
    };
    const Case cases[] = {
        {"this process id", "user=zoltgate\npid=" + std::to_string(getpid()) + "\nstarted=x\n", ZDB_OK},
        {"a live process", "user=zoltgate\npid=" + std::to_string(getppid()) + "\nstarted=x\n",
         zdb::kSessionFileFailed},
        {"not a session file", "user=zoltgate\npid=" + std::to_string(getpid()) + "\n",
         zdb::kSessionFileFailed},
    };
    for (const Case& c : cases) {
        enginetest::writeFile(path, c.text);
        EXPECT_EQ(ZdbStartZolt("zoltgate", "", 9, 256), c.code) << c.name;
        if (c.code != ZDB_OK) {
            EXPECT_EQ(enginetest::readFile(path), c.text) << c.name;
        }
        ZdbEndZdbs(0);
        unlink(path.c_str());
    }
}

TEST_F(EngineTest, MessagesFillInTheirVariable) {
    EXPECT_EQ(message(ZDB_NO_HITS), "No hits");
    ASSERT_EQ(ZdbSetIntegerVariable(1, 1234), ZDB_OK);
    EXPECT_EQ(message(ZDB_RECORD_GONE), "Record 1234 no longer exists");
    ASSERT_EQ(ZdbSetTextVariable(1, "m\xFCller"), ZDB_OK);  // Latin-1 before any session
    EXPECT_EQ(message(ZDB_NOT_LOGGED_IN), "User m\xFCller is not logged in");
    // The engine's own argument fills its own failure's message until a variable is set.
    ASSERT_EQ(login(ZDB_CHARSET_LATIN1), ZDB_OK);
    EXPECT_EQ(ccl("BASE n\xE4me"), zdb::kUnknownDatabase);
    EXPECT_EQ(message(zdb::kUnknownDatabase), "Unknown database 'n\xE4me'");
    ASSERT_EQ(ZdbSetIntegerVariable(1, 77), ZDB_OK);
    EXPECT_EQ(message(ZDB_RECORD_GONE), "Record m\xFCller no longer exists");  // text wins when set
    EXPECT_EQ(ZdbSetTextVariable(2, "x"), zdb::kInvalidArgument);
    char text[64];
    int length = 63;
    EXPECT_EQ(ZdbMessage(12345, text, &length), zdb::kUnknownCode);
    EXPECT_STREQ(text, "Unknown message code 12345");
    length = 5;  // the buffer holds 6 bytes
    EXPECT_EQ(ZdbMessage(ZDB_NO_HITS, text, &length), ZDB_OK);
    EXPECT_STREQ(text, "No hi");
    EXPECT_EQ(length, 5);
}

TEST_F(EngineTest, EveryFailureCodeIsEvenAndHasItsOwnText) {
    std::vector<int> codes = {ZDB_NO_HITS, ZDB_NO_RECORD, ZDB_ACCESS_DISABLED,
                              ZDB_NO_MORE_ITEMS, ZDB_NO_BASE_ACCESS, ZDB_END_OF_DISPLAY,
                              ZDB_NO_MORE_TO_SHOW, ZDB_TOO_MANY_SETS, ZDB_NOT_LOGGED_IN,
                              ZDB_RECORD_GONE, ZDB_WRONG_LOGIN, ZDB_PASSWORD_EXPIRED,
                              ZDB_OUTSIDE_LOGIN_HOURS, ZDB_LOGINS_CLOSED, ZDB_NOT_AVAILABLE};
    for (int code = zdb::kSyntaxError; code <= zdb::kQueryTooLong; code += 2) codes.push_back(code);
    std::set<std::string> texts;
    for (int code : codes) {
        EXPECT_EQ(code % 2, 0) << code;
        char text[1024];
        int length = 1023;
        EXPECT_EQ(ZdbMessage(code, text, &length), ZDB_OK) << code;
        EXPECT_TRUE(texts.insert(text).second) << code << " repeats " << text;
    }
}

TEST_F(EngineTest, WindowsUserInformationAndHandles) {
    EXPECT_EQ(ZdbDefineWindow(1, 50, 80), zdb::kNoSession);
    ASSERT_EQ(login(), ZDB_OK);
    EXPECT_EQ(ZdbDefineWindow(1, 50, 80), ZDB_OK);
    EXPECT_EQ(ZdbDefineWindow(2, 50, 80), zdb::kInvalidWindow);
    EXPECT_EQ(ZdbDefineWindow(1, 0, 80), zdb::kInvalidWindow);
    char text[64] = "junk";
    int length = 64;
    EXPECT_EQ(ZdbUserInfo(4, text, &length), ZDB_OK);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(ZdbUserInfo(3, text, &length), zdb::kUnknownInfoItem);
    // Handles the engine did not give out are refused, not followed.
    int stack = 0;
    auto forged = reinterpret_cast<ZdbRecordControl>(&stack);
    EXPECT_EQ(ZdbEraseRecordControl(forged), zdb::kInvalidHandle);
    ZdbRecordControl second = nullptr;
    ASSERT_EQ(ZdbCreateRecordControl(&second), ZDB_OK);
    ASSERT_EQ(ZdbDeleteRecordControl(&second), ZDB_OK);
    EXPECT_EQ(second, nullptr);
    int field, type, flags;
    EXPECT_EQ(ZdbCheckField(rc, "X", &field, &type, &flags), zdb::kNoCurrentRecord);
    length = 64;
    EXPECT_EQ(ZdbGetNextItem(reinterpret_cast<ZdbCursor>(&stack), text, &length), 0);
    EXPECT_EQ(ZdbRetCode(), zdb::kInvalidHandle);
}

}  // namespace

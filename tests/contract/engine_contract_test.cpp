// The engine's contract as the gateway's unit tests rely on it: one table of engine
// calls, built twice, once against the test double (zdbdouble) and once against the
// real engine on a small database that zoltdb builds here. Where the unit tests script
// the double (a search with hits, a message), the case scripts it the same way, so the
// answer they script is checked against the engine's own. The codes of refusals and
// order types the engine's own tests decide. Either build failing means the double no
// longer stands for the engine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "e2e/cgi_process.h"
#include "support/docs_and_news.h"
#include "zdb.h"

#ifdef ZGW_CONTRACT_DOUBLE
#include "zdb_double.h"
#define ON_DOUBLE(...) __VA_ARGS__
#else
#define ON_DOUBLE(...)
#endif

namespace {

namespace fs = std::filesystem;

// What a call answered, as one text: "code" alone, or with the out-values that count.
std::string code(int value) { return std::to_string(value); }
std::string parity(int value) { return value & 1 ? "odd" : "even"; }

// Runs ZdbExecuteCcl; "<odd|even> order <type>".
std::string ccl(const char* text) {
    int orderType = -1;
    int result = ZdbExecuteCcl(text, &orderType);
    return parity(result) + " order " + std::to_string(orderType);
}

// ZdbSessionInfo of `item`: "<code> <text> <value>".
std::string sessionInfo(int item) {
    char text[ZDB_DATABASE_NAME_SIZE] = {0};
    int value = 0;
    int result = ZdbSessionInfo(item, text, &value);
    return parity(result) + " " + text + " " + std::to_string(value);
}

int login() { return ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256); }


class EngineContract : public ::testing::Test {
protected:
    // The data of support/docs_and_news.h, made by zoltdb for the real engine.
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/zgwcontract_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        data_ = new fs::path(pattern);
        setenv("ZOLTRCS", (*data_ / "none.rcs").c_str(), 1);
        UpdateRCS("ZDBS_DATA", data_->c_str());
#ifndef ZGW_CONTRACT_DOUBLE
        for (auto arguments : docsAndNewsCommands(*data_)) {
            arguments.insert(arguments.begin(), {"--data", data_->string()});
            CgiResult result = runCgi({std::string(ZGW_BINARY_DIR) + "/zoltdb", arguments, {}, "", ""});
            ASSERT_EQ(result.status, 0) << result.out << result.err;
        }
#endif
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(*data_, ignored);
        delete data_;
    }
    void SetUp() override { ON_DOUBLE(zdbdouble::engine().reset()); }
    void TearDown() override { ZdbEndZdbs(0); }

    static fs::path* data_;
};
fs::path* EngineContract::data_ = nullptr;

struct Case {
    const char* name;
    std::function<void()> script;      // what the unit tests script the double to answer
    std::function<std::string()> calls;
    std::string answer;
};

TEST_F(EngineContract, CallsTheGatewayReliesOn) {
    const std::vector<Case> cases = {
        {"version", [] {}, [] {
             char text[ZDB_VERSION_SIZE] = {0};
             int length = sizeof text - 1;
             int result = ZdbVersion(text, &length);
             return code(result) + " " + std::string(text, static_cast<std::size_t>(length));
         }, "1 4.0"},
        {"public user", [] {}, [] { return code(login()); }, "1"},
        {"BASE of a database, then of a cluster", [] {}, [] {
             login();
             std::string answer;
             for (const char* command : {"BASE docs", "BASE  tmpclust=docs,news"}) {
                 answer += ccl(command);  // before the session is asked
                 answer += " | " + sessionInfo(ZDB_INFO_BASE_COUNT) + " | " + sessionInfo(ZDB_INFO_CURRENT_BASE) + "; ";
             }
             return answer;
         }, "odd order 6 | odd  1 | odd DOCS 1; odd order 6 | odd  2 | odd docs,news 2; "},
        {"no base before BASE", [] {}, [] {
             login();
             return parity(ZdbSessionInfo(ZDB_INFO_CURRENT_BASE, nullptr, nullptr));
         }, "even"},
        {"FIND with hits, and its set", [] { ON_DOUBLE(zdbdouble::engine().searches.push_back({1, 1, 1, 2})); }, [] {
             login();
             ccl("BASE docs");
             std::string answer = ccl("FIND cats");
             int set = 0, records = 0, hits = 0;
             int result = ZdbGetSearch(&set, &records, &hits);
             return answer + " | " + parity(result) + " set " + std::to_string(set) + " records " +
                    std::to_string(records) + " hits " + std::to_string(hits);
         }, "odd order 3 | odd set 1 records 1 hits 2"},
        {"the three-letter words, in any case; an unknown one gives nothing", [] {}, [] {
             std::string words;
             for (const char* word : {"FIN", "FUZ", "DIS", "SHO", "SCF", "BAS", "DEL", "SXX", "FRL", "RXX",
                                      "SOR", "AND", "ORX", "NOT", "DEF", "FVW", "TPH", "TXT", "PHR", "SAV",
                                      "fin", "XYZ"}) {
                 char buffer[1024];
                 std::memset(buffer, ' ', 33);
                 std::memcpy(buffer, word, 3);
                 buffer[33] = '\0';
                 int length = 0;
                 int result = ZdbShellSymbol(buffer, &length);
                 words += parity(result) + ":" + std::string(buffer, static_cast<std::size_t>(length)) + " ";
             }
             return words;
         }, "odd:FIND odd:FUZZY odd:DISPLAY odd:SHOW odd:FORWARD odd:BASE odd:DELETE odd:S odd:FROM odd:R "
            "odd:SORT odd:AND odd:OR odd:NOT odd:DEFINE odd:FIELDVIEW odd:TPH odd:TEXT odd:PHRASE odd:SAVE "
            "odd:FIND odd: "},
        {"a message with its variable", [] {
             ON_DOUBLE(zdbdouble::engine().messages[ZDB_NOT_LOGGED_IN] = "User %1 is not logged in");
         }, [] {
             ZdbSetTextVariable(1, "bob");
             char text[1024] = {0};
             int length = sizeof text - 1;
             int result = ZdbMessage(ZDB_NOT_LOGGED_IN, text, &length);
             std::string message(text, static_cast<std::size_t>(length));
             bool substituted = message.find("bob") != std::string::npos && message.find("%1") == std::string::npos;
             return parity(result) + (substituted ? " bob in the text" : " not substituted: " + message) +
                    (static_cast<std::size_t>(length) == std::strlen(text) ? "" : ", length differs");
         }, "odd bob in the text"},
        {"records located in one call", [] {
             ON_DOUBLE(zdbdouble::engine().searches.push_back({1, 1, 1, 2}));
             ON_DOUBLE(zdbdouble::Record cats; cats.id = 1; cats.database = "DOCS"; cats.code = 3;
                       zdbdouble::engine().sets[1] = {cats});
         }, [] {
             login();
             ccl("BASE docs");
             ccl("FIND cats");
             int set = 0, records = 0, hits = 0;
             ZdbGetSearch(&set, &records, &hits);  // as the gateway does after a search
             ZdbRecordControl rc = nullptr;
             ZdbCreateRecordControl(&rc);
             int ids[3] = {0}, codes[3] = {0}, located = 0, pastEnd = -1;
             set = 0;
             int result = ZdbLocateRecords(rc, &set, 1, 3, ids, codes, &located);
             ZdbLocateRecords(rc, &set, 2, 3, ids + 1, codes + 1, &pastEnd);
             ZdbDeleteRecordControl(&rc);
             return parity(result) + " set " + code(set) + " located " + code(located) + " id " + code(ids[0]) +
                    " code " + code(codes[0]) + ", past the end " + code(pastEnd);
         }, "odd set 1 located 1 id 1 code 3, past the end 0"},
    };
    for (const auto& c : cases) {
        SetUp();
        c.script();
        EXPECT_EQ(c.calls(), c.answer) << c.name;
        ZdbEndZdbs(0);
    }
}

}  // namespace

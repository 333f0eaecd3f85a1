// search_test.cpp - FIND, FUZZY, sets, DELETE, field views, procedures and BASE on
// databases built in the test; each query is checked against the records it must
// find and its exact hit count, which must equal the hit words marked in them.

#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include "codes.h"
#include "engine_fixture.h"

namespace {

using enginetest::EngineTest;

const std::vector<std::string> kRecords = {
    R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": ["Vi IMproved, a text editor", "Vim is an almost compatible version of the UNIX editor Vi."], "YEAR": 1991, "PRICE": "9.50", "DAY": "02.11.1991", "HOUR": "09:30", "SECTION": "editors"})",
    R"({"id": 2, "PACKAGE": ["emacs", "emacs-gtk"], "DESCRIPTION": "GNU Emacs editor, the extensible text editor", "YEAR": 1985, "PRICE": 0, "SECTION": "editors", "parts": [{"CHAPTER": "Editing text files"}, {"CHAPTER": ["Lisp programming", "Text modes"]}]})",
    R"({"id": 3, "PACKAGE": "libc6-dev", "DESCRIPTION": "GNU C Library: development libraries and header files", "YEAR": 2000, "DAY": "2020-01-31", "SECTION": "libdevel"})",
    R"({"id": 4, "PACKAGE": "café-tools", "DESCRIPTION": "Tools for the Über café: brew, grind, text", "YEAR": 2010, "SECTION": "Misc/Other", "HOUR": "23:15"})",
    R"({"id": 5, "PACKAGE": "nano", "DESCRIPTION": ["small text editor", "nano is a small editor editor"], "YEAR": 1999, "SECTION": "editors"})",
};

class Search : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        createDatabase("PACKAGES", enginetest::kPackagesSchema, kRecords);
    }
    // Hit words of every record of the current set, read with their text.
    int markedHits() {
        int total = 0;
        char database[ZDB_DATABASE_NAME_SIZE];
        for (int n = 1;; ++n) {
            int set = 0, id = 0;
            int code = ZdbGetRecordInSearchRis(rc, &set, n, &id, database);
            if (code == 0) break;
            int part, field, paragraph, item, position, length;
            while (ZdbGetNextHitWord(rc, &part, &field, &paragraph, &item, &position, &length)) ++total;
        }
        return total;
    }
};

TEST_F(Search, QueriesFindTheirRecordsWithExactHits) {
    ASSERT_EQ(login(), ZDB_OK);
    ASSERT_EQ(ccl("BASE packages"), ZDB_OK);
    struct Case {
        const char* query;
        std::vector<int> ids;
        int hits;
    };
    const Case cases[] = {
        {"editor", {1, 2, 5}, 7},
        {"text AND editor", {1, 2, 5}, 12},
        {"text editor text", {1, 2, 5}, 12},
        {"\"text editor\"", {1, 2, 5}, 6},
        {"\"text editor\" editor", {1, 2, 5}, 10},
        {"edit?", {1, 2, 5}, 8},
        {"DESCRIPTION=edit?", {1, 2, 5}, 7},
        {"CHAPTER=lisp", {2}, 1},
        {"libc6-dev", {3}, 2},
        {"YEAR>1995", {3, 4, 5}, 3},
        {"YEAR>=1991 AND YEAR<2000", {1, 5}, 2},
        {"YEAR<>1985", {1, 3, 4, 5}, 4},
        {"YEAR=2000", {3}, 1},
        {"DAY>01.01.2000", {3}, 1},
        {"DAY<2000-01-01", {1}, 1},
        {"HOUR<12:00", {1}, 1},
        {"PRICE<1", {2}, 1},
        {"PRICE>=9.5", {1}, 1},
        {"SECTION=editors", {1, 2, 5}, 3},
        {"SECTION=\"Misc/Other\"", {4}, 1},
        {"SECTION=misc?", {4}, 1},
        {"SECTION<f", {1, 2, 5}, 3},
        {"cafe", {4}, 2},
        {"CAFÉ", {4}, 2},
        {"emacs NOT vim", {2}, 3},
        {"editor NOT (gnu OR small)", {1}, 2},
        {"NOT editor", {3, 4}, 0},
        {"R=2-4", {2, 3, 4}, 0},
        {"R=4 AND text", {4}, 1},
        {"emacs OR libc6", {2, 3}, 4},
        {"FUZZY(edtor)", {1, 2, 5}, 7},
        {"PACKAGE=emacs", {2}, 2},
        {"PACKAGE=\"emacs gtk\"", {2}, 2},
        {"PACKAGE=emacs DESCRIPTION=gnu", {2}, 3},
        {"rock & editor", {}, 0},
    };
    for (const Case& c : cases) {
        int code = ccl(std::string("FIND ") + c.query);
        if (c.ids.empty()) {
            EXPECT_EQ(code, ZDB_NO_HITS) << c.query;
            continue;
        }
        ASSERT_EQ(code, ZDB_OK) << c.query << ": " << message(code);
        EXPECT_EQ(ids(), c.ids) << c.query;
        EXPECT_EQ(search().records, static_cast<int>(c.ids.size())) << c.query;
        EXPECT_EQ(search().hits, c.hits) << c.query;
        EXPECT_EQ(markedHits(), c.hits) << c.query << ": hit words marked";
    }
}

// Commands refused, in order in one session, with the engine's code and message: the
// message names the word at fault, never more of the request.
TEST_F(Search, CommandsRefusedWithTheirCodeAndMessage) {
    open();
    struct Case {
        const char* command;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"FORWARD", zdb::kWrongOrderType, "Wrong order type for this call"},  // no SHOW yet
        {"SHOW R=FROM 1", zdb::kNoCurrentSet, "No current search set"},
        {"", zdb::kUnknownCommand, "Unknown command ''"},
        {"NOSUCH", zdb::kUnknownCommand, "Unknown command 'NOSUCH'"},
        {"FIND xyzzy", ZDB_NO_HITS, "No hits"},
        {"FIND R=99", ZDB_NO_RECORD, "No record found"},
        {"FIND TI=abc", zdb::kUnknownField, "Unknown field 'TI'"},
        {"FIND DESCRIPTION<abc", zdb::kNotComparable, "Field 'DESCRIPTION' cannot be compared with <, >, <=, >= or <>"},
        {"FIND YEAR=abc", zdb::kInvalidValue, "Invalid value 'abc'"},
        {"FIND DAY>31.02.2000", zdb::kInvalidValue, "Invalid value '31.02.2000'"},
        {"FIND YEAR=19?", zdb::kWrongFieldType, "Field 'YEAR' cannot be searched this way"},
        {"FIND LOGO=x", zdb::kWrongFieldType, "Field 'LOGO' cannot be searched this way"},
        {"FIND DESCRIPTION=&&", zdb::kSyntaxError, "Syntax error at '&&'"},
        {"FIND (editor", zdb::kUnbalancedParenthesis, "Unbalanced parenthesis at '('"},
        {"FIND S=7", zdb::kInvalidSetNumber, "Invalid set number '7'"},
        {"FIND editor", ZDB_OK, ""},
        {"SHOW R=FROM 1 f=long", zdb::kUnknownFormat, "Unknown display format 'long'"},
        {"SHOW R=FROM 1 PACKAGE <b>", zdb::kUnknownField, "Unknown field '<b>'"},
        {"SHOW R=TO 1", zdb::kSyntaxError, "Syntax error at 'TO'"},
        {"SHOW SORT=#0", zdb::kNoSortedList, "No sorted list: sort the set first"},
        {"SHOW SORT=#1", zdb::kUnknownList, "Unknown sorted list #1"},
        {"FORWARD 2", zdb::kSyntaxError, "Syntax error at '2'"},
        {"DISPLAY zzz", ZDB_NO_DISPLAY_HITS, "No hits in this display"},
        {"DISPLAY YEAR=1990", zdb::kWrongFieldType, "Field 'YEAR' cannot be searched this way"},
        {"DISPLAY LOGO=x", zdb::kWrongFieldType, "Field 'LOGO' cannot be searched this way"},
        {"DISPLAY TI=x", zdb::kUnknownField, "Unknown field 'TI'"},
        {"DISPLAY PACKAGE<x", zdb::kSyntaxError, "Syntax error at 'PACKAGE<'"},
        {"DELETE S=FROM x", zdb::kInvalidSetNumber, "Invalid set number 'FROM x'"},
        {"DELETE R=3", zdb::kSyntaxError, "Syntax error at 'R=3'"},
        {"DEFINE FIELDVIEW =TEXT", zdb::kSyntaxError, "Syntax error at '='"},
        {"DEFINE VIEW x=TEXT", zdb::kSyntaxError, "Syntax error at 'VIEW'"},
        {"BASE nosuch", zdb::kUnknownDatabase, "Unknown database 'nosuch'"},
        {"BASE ../zolt", zdb::kUnknownDatabase, "Unknown database '../zolt'"},
        {"BASE tmpclust=PACKAGES,packages", zdb::kDuplicateDatabase, "Database 'packages' is named twice"},
    };
    for (const Case& c : cases) {
        int code = ccl(c.command);
        EXPECT_EQ(code, c.code) << c.command;
        if (c.code == ZDB_OK) continue;
        EXPECT_EQ(ZdbRetCode(), c.code) << c.command;
        EXPECT_EQ(message(code), c.message) << c.command;
    }
}

TEST_F(Search, QueryTextNeverReachesSql) {
    open();
    struct Case {
        const char* query;
        int code;
    };
    const Case attacks[] = {
        {"x'); DROP TABLE record; --", zdb::kUnbalancedParenthesis},
        {"\"; DELETE FROM posting; SELECT \"", ZDB_NO_HITS},
        {"editor' OR '1'='1", zdb::kUnknownField},
        {"SECTION=\"editors' OR 1=1 --\"", ZDB_NO_HITS},
        {"YEAR>0; DROP TABLE value", zdb::kInvalidValue},
        {"R=1; DROP TABLE record", zdb::kInvalidValue},
        {"UNION SELECT * FROM user", ZDB_NO_HITS},
    };
    for (const Case& c : attacks) EXPECT_EQ(ccl(std::string("FIND ") + c.query), c.code) << c.query;
    EXPECT_EQ(ccl("FIND editor"), ZDB_OK);
    EXPECT_EQ(search().records, 3);
    EXPECT_EQ(ccl("FIND YEAR>0"), ZDB_OK);
    EXPECT_EQ(search().records, 5);
}

TEST_F(Search, SetsNumberFromOneAndStopAt250) {
    open();
    for (int i = 1; i <= 250; ++i) {
        ASSERT_EQ(ccl("FIND editor"), ZDB_OK) << i;
        ASSERT_EQ(search().set, i);
    }
    EXPECT_EQ(ccl("FIND vim"), ZDB_TOO_MANY_SETS);
    EXPECT_EQ(message(ZDB_TOO_MANY_SETS), "Too many search sets: delete some sets first");
    EXPECT_EQ(search().set, 250);  // the current set is unchanged
    int order = 0;
    EXPECT_EQ(ccl("DELETE S=FROM 6", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_DELETE);
    EXPECT_EQ(search().set, 5);
    EXPECT_EQ(ccl("FIND vim"), ZDB_OK);
    EXPECT_EQ(search().set, 6);
    EXPECT_EQ(ccl("DELETE S=3"), ZDB_OK);
    EXPECT_EQ(ccl("DELETE S=3"), zdb::kInvalidSetNumber);
    EXPECT_EQ(ccl("FIND S=3"), zdb::kInvalidSetNumber);
    EXPECT_EQ(ccl("DELETE S=FROM 1"), ZDB_OK);
    int set = -1, records = -1, hits = -1;
    EXPECT_EQ(ZdbGetSearch(&set, &records, &hits), ZDB_OK) << "no set left: the empty set 0";
    EXPECT_EQ(set, 0);
    EXPECT_EQ(records, 0);
    EXPECT_EQ(hits, 0);
}

TEST_F(Search, SetReferencesCarryTheirHits) {
    open();
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    ASSERT_EQ(ccl("FIND YEAR<1995"), ZDB_OK);
    ASSERT_EQ(ccl("FIND S=1 AND S=2"), ZDB_OK);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2}));
    EXPECT_EQ(search().hits, 4 + 2);  // editor in records 1 and 2, and their YEAR items
    // The gateway finds a saved record again with its search to mark its hits.
    ASSERT_EQ(ccl("FIND R=2 AND S=1"), ZDB_OK);
    EXPECT_EQ(ids(), (std::vector<int>{2}));
    EXPECT_EQ(search().hits, 2);
    EXPECT_EQ(ccl("FIND R=3 AND S=1"), ZDB_NO_HITS);  // record 3 exists, but not in S1
    EXPECT_EQ(ccl("FIND S=1 NOT S=2"), ZDB_OK);
    EXPECT_EQ(ids(), (std::vector<int>{5}));
}

TEST_F(Search, FuzzyRanksByRelevance) {
    open();
    int order = 0;
    ASSERT_EQ(ccl("FUZZY editor", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_FUZZY);
    // Record 5 holds "editor" three times in few words; record 2 the fewest times per word.
    std::vector<int> ranked = ids();
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked.front(), 5);
    EXPECT_EQ(search().hits, 7);
    ASSERT_EQ(ccl("FUZZY FUZZY(edtor) OR libc6"), ZDB_OK);
    EXPECT_EQ(search().records, 4);
    ASSERT_EQ(ccl("FIND FUZZY(tols)"), ZDB_OK);  // four letters: one edit away
    EXPECT_EQ(ids(), (std::vector<int>{4}));
    EXPECT_EQ(ccl("FIND FUZZY(vin)"), ZDB_NO_HITS);  // three letters: exact only
}

TEST_F(Search, FieldViewsSearchSeveralFields) {
    open();
    int order = 0;
    EXPECT_EQ(ccl("DEFINE FIELDVIEW TPH=TEXT,PHRASE", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_DEFINE);
    ASSERT_EQ(ccl("FIND TPH=emacs"), ZDB_OK);
    EXPECT_EQ(search().hits, 3);
    ASSERT_EQ(ccl("DEFINE FIELDVIEW names=PACKAGE"), ZDB_OK);
    ASSERT_EQ(ccl("FIND names=emacs"), ZDB_OK);
    EXPECT_EQ(search().hits, 2);
    char text[64] = "TPH=word";
    int length = 8;
    EXPECT_EQ(ZdbStrNormalize(text, &length, 4), ZDB_OK);
    EXPECT_EQ(length, 4);
}

TEST_F(Search, ProceduresHandOutTheirLines) {
    {
        zdb::SystemDb system(dir.path, true);
        system.putProcedure("NEWS", {"FIND editor", "FIND S=1 AND YEAR>1990"});
        system.putProcedure("OUTER", {"NEWS", "FIND vim"});
    }
    open();
    int order = 0;
    ASSERT_EQ(ccl("news", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_PROCEDURE);
    const char* line = nullptr;
    int length = 0;
    ASSERT_EQ(ZdbGetNextProcLine(&line, &length), ZDB_OK);
    EXPECT_EQ(std::string(line, static_cast<size_t>(length)), "FIND editor");
    ASSERT_EQ(ZdbGetNextProcLine(&line, &length), ZDB_OK);
    EXPECT_EQ(std::string(line, static_cast<size_t>(length)), "FIND S=1 AND YEAR>1990");
    EXPECT_EQ(ZdbGetNextProcLine(&line, &length), zdb::kNoMoreProcLines);
    // A procedure run from a procedure hands out its lines before the caller's next line.
    ASSERT_EQ(ccl("OUTER", &order), ZDB_OK);
    std::vector<std::string> lines;
    while (ZdbGetNextProcLine(&line, &length) & 1) {
        lines.emplace_back(line, static_cast<size_t>(length));
        if (lines.back() == "NEWS") {
            ASSERT_EQ(ccl("NEWS"), ZDB_OK);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"NEWS", "FIND editor", "FIND S=1 AND YEAR>1990", "FIND vim"}));
    EXPECT_EQ(ccl("NEWS extra"), zdb::kSyntaxError);
}

TEST_F(Search, BaseOpensOneDatabaseOrACluster) {
    createDatabase("OTHER", enginetest::kPackagesSchema,
                   {R"({"id": 2, "PACKAGE": "ed", "DESCRIPTION": "the standard editor"})",
                    R"({"id": 9, "PACKAGE": "sed", "DESCRIPTION": "stream editor"})"});
    createDatabase("NOTITLE", R"({"fields": [{"name": "BODY", "type": "TEXT"}]})",
                   {R"({"id": 1, "BODY": "an editor without a title"})"});
    ASSERT_EQ(login(), ZDB_OK);
    int order = 0;
    ASSERT_EQ(ccl("BASE tmpclust=packages,OTHER", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_BASE);
    char name[ZDB_DATABASE_NAME_SIZE];
    int count = 0;
    ASSERT_EQ(ZdbSessionInfo(ZDB_INFO_CURRENT_BASE, name, &count), ZDB_OK);
    EXPECT_STREQ(name, "packages,OTHER");
    ASSERT_EQ(ZdbSessionInfo(ZDB_INFO_BASE_COUNT, name, &count), ZDB_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    EXPECT_EQ(search().records, 5);
    EXPECT_EQ(search().hits, 9);
    // Record ids repeat across the cluster; the value 2 marks a change of database.
    std::vector<std::pair<int, std::string>> read;
    std::vector<int> codes;
    for (int n = 1; n <= 5; ++n) {
        int set = 0, id = 0;
        char database[ZDB_DATABASE_NAME_SIZE];
        codes.push_back(ZdbGetRecordInSearchRis(rc, &set, n, &id, database));
        read.emplace_back(id, database);
    }
    EXPECT_EQ(read, (std::vector<std::pair<int, std::string>>{
                        {1, "PACKAGES"}, {2, "PACKAGES"}, {5, "PACKAGES"}, {2, "OTHER"}, {9, "OTHER"}}));
    EXPECT_EQ(codes, (std::vector<int>{3, 1, 1, 3, 1}));
    // A qualifier known to one database of the cluster searches that one.
    ASSERT_EQ(ccl("BASE tmpclust=PACKAGES,NOTITLE"), ZDB_OK);
    ASSERT_EQ(ccl("FIND BODY=editor"), ZDB_OK);
    EXPECT_EQ(search().records, 1);
    EXPECT_EQ(ccl("FIND TITLE=editor"), zdb::kUnknownField);
    // BASE drops the sets of the base before.
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    EXPECT_EQ(ccl("FIND S=1"), zdb::kInvalidSetNumber);
    ASSERT_EQ(ZdbSessionInfo(ZDB_INFO_CURRENT_BASE, name, &count), ZDB_OK);
    EXPECT_STREQ(name, "PACKAGES");
    EXPECT_EQ(ZdbSessionInfo(7, name, &count), zdb::kUnknownInfoItem);
}

TEST_F(Search, UsersOpenOnlyTheirDatabases) {
    createDatabase("OTHER", enginetest::kPackagesSchema, {R"({"id": 1, "PACKAGE": "ed"})"});
    addUser("reader", "secret", {"OTHER"});
    ASSERT_EQ(login(ZDB_CHARSET_UTF8, "reader", "secret"), ZDB_OK);
    // A database alone: Zoltdb.ShellOpensClustersAndLogsInAsAUser, with the message.
    EXPECT_EQ(ccl("BASE tmpclust=OTHER,PACKAGES"), ZDB_NO_BASE_ACCESS);
    EXPECT_EQ(ccl("BASE other"), ZDB_OK);
}

// Logs in, searches and reads a record; 0 when all went as expected.
int searchReadOnly(ZdbRecordControl* rc) {
    if (ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_UTF8 * 256) != ZDB_OK) return 1;
    if (ZdbCreateRecordControl(rc) != ZDB_OK) return 2;
    int order = 0;
    if (ZdbExecuteCcl("BASE PACKAGES", &order) != ZDB_OK) return 3;
    if (ZdbExecuteCcl("FIND editor", &order) != ZDB_OK) return 4;
    int set = 0, records = 0, hits = 0, id = 0;
    if (ZdbGetSearch(&set, &records, &hits) != ZDB_OK || hits != 7) return 5;
    char database[ZDB_DATABASE_NAME_SIZE];
    if (ZdbGetRecordInSearchRis(*rc, &set, 1, &id, database) != 3 || id != 1) return 6;
    return 0;
}

TEST_F(Search, ReadOnlyDirectoryIsSearchable) {
    // The web server's user may only read the data directory and its files.
    ASSERT_EQ(chmod(dir.path.c_str(), 0555), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(searchReadOnly(&rc), 0);
        return;
    }
    // Root may write anywhere: search from a child that has become an ordinary user.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
        if (access((dir.path + "/packages.zdb").c_str(), W_OK) == 0) _exit(91);
        ZdbRecordControl control = nullptr;
        _exit(searchReadOnly(&control));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see searchReadOnly for the step that failed";
}

TEST_F(Search, AReaderWaitsForAWriterOnlyBriefly) {
    open();
    auto writer = zdb::Database::open(dir.path, "PACKAGES", true);
    writer->connection().exec("BEGIN EXCLUSIVE");
    int code = ccl("FIND editor");  // returns after the busy timeout instead of waiting on
    writer->connection().exec("ROLLBACK");
    EXPECT_EQ(code, zdb::kDatabaseBusy);
    EXPECT_EQ(message(code), "Database PACKAGES is busy: try again");  // SQLite's text stays out
    EXPECT_EQ(ccl("FIND editor"), ZDB_OK);
}

TEST_F(Search, NothingBeforeLoginOrBase) {
    EXPECT_EQ(ccl("FIND editor"), zdb::kNoSession);
    ASSERT_EQ(login(), ZDB_OK);
    EXPECT_EQ(ccl("FIND editor"), zdb::kNoBase);
    int order = 0;
    EXPECT_EQ(ZdbExecuteCcl(nullptr, &order), zdb::kInvalidArgument);
}

}  // namespace

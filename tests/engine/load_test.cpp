// load_test.cpp - schemas and records in JSON, the loader's batches, replacement,
// deletion and index merging; the files' journal mode and the statement cache.

#include <sys/stat.h>

#include <cstring>

#include "codes.h"
#include "engine_fixture.h"
#include "varint.h"

namespace {

using enginetest::EngineTest;

TEST(SchemaJson, RefusesBadSchemasNamingWhatIsWrong) {
    struct Case {
        const char* name;
        const char* schema;
        const char* error;
    };
    const Case cases[] = {
        {"not json", "{", "parse error at line 1, column 2: syntax error while parsing object key - unexpected end of input; expected string literal"},
        {"not an object", "[]", "the schema must be a JSON object"},
        {"no fields", R"({"name": "X"})", "the schema has no \"fields\""},
        {"empty fields", R"({"fields": []})", "\"fields\" must be a list of at least one field"},
        {"unknown type", R"({"fields": [{"name": "A", "type": "FLOAT"}]})", "field A: missing or unknown type"},
        {"missing type", R"({"fields": [{"name": "A"}]})", "field A: missing or unknown type"},
        {"bad name", R"({"fields": [{"name": "1A", "type": "TEXT"}]})",
         "field 1: invalid name \"1A\" (a letter, then letters, digits or _; not S, R, AND, OR, NOT, FUZZY)"},
        {"reserved name", R"({"fields": [{"name": "and", "type": "TEXT"}]})",
         "field 1: invalid name \"and\" (a letter, then letters, digits or _; not S, R, AND, OR, NOT, FUZZY)"},
        {"twice", R"({"fields": [{"name": "A", "type": "TEXT"}, {"name": "a", "type": "PHRASE"}]})",
         "field a: the name is used twice"},
        {"unknown field key", R"({"fields": [{"name": "A", "type": "TEXT", "part": true}]})",
         "field 1: unknown or invalid key \"part\""},
        {"unknown key", R"({"fields": [{"name": "A", "type": "TEXT"}], "feilds": 1})", "unknown key \"feilds\""},
        {"bad kind", R"({"kind": "INDEX", "fields": [{"name": "A", "type": "TEXT"}]})",
         "\"kind\" must be DATABASE or THESAURUS"},
        {"bad format", R"({"fields": [{"name": "A", "type": "TEXT"}], "formats": {"short": 1}})",
         "format \"short\" must be a text"},
    };
    for (const Case& c : cases) {
        try {
            zdb::parseSchemaJson(c.schema, "X");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const zdb::InputError& e) {
            EXPECT_EQ(std::string(e.what()), c.error) << c.name;
        }
    }
    zdb::Schema schema = zdb::parseSchemaJson(enginetest::kPackagesSchema, "packages");
    EXPECT_EQ(schema.name, "PACKAGES");  // the schema's spelling when only the case differs
    ASSERT_EQ(schema.fields.size(), 9u);
    EXPECT_EQ(schema.fields[2].name, "CHAPTER");
    EXPECT_TRUE(schema.fields[2].isPart());
    EXPECT_EQ(schema.fields[8].type, ZDB_FIELD_BLOB);
    EXPECT_EQ(schema.formats.size(), 1u);
}

TEST(RecordJson, RefusesBadRecordsNamingTheField) {
    zdb::Schema schema = zdb::parseSchemaJson(enginetest::kPackagesSchema, "PACKAGES");
    struct Case {
        const char* name;
        const char* record;
        const char* error;
    };
    const Case cases[] = {
        {"not an object", "[1]", "a record must be a JSON object"},
        {"bad json", "{\"id\": 1,", "parse error at line 1, column 10: syntax error while parsing object key - unexpected end of input; expected string literal"},
        {"id zero", R"({"id": 0})", "\"id\" must be an integer from 1 to 2147483647"},
        {"id text", R"({"id": "7"})", "\"id\" must be an integer from 1 to 2147483647"},
        {"id too large", R"({"id": 3000000000})", "\"id\" must be an integer from 1 to 2147483647"},
        {"unknown field", R"({"TITLE": "x"})", "unknown field \"TITLE\""},
        {"field twice", R"({"package": "x", "PACKAGE": "y"})", "field PACKAGE is given twice"},
        {"bad integer", R"({"YEAR": "19x0"})", "field YEAR: '19x0' is not a valid INTEGER"},
        {"bad date", R"({"DAY": "31.02.2000"})", "field DAY: '31.02.2000' is not a valid DATE"},
        {"bad number", R"({"PRICE": "cheap"})", "field PRICE: 'cheap' is not a valid NUMBER"},
        {"bool", R"({"PACKAGE": true})", "field PACKAGE: expected a string or a number, not boolean"},
        {"object item", R"({"PACKAGE": [{"a": 1}]})", "field PACKAGE: expected a string or a number, not object"},
        {"nested in phrase", R"({"PACKAGE": [["a"]]})", "field PACKAGE: only TEXT fields take nested lists"},
        {"empty paragraph", R"({"DESCRIPTION": [[]]})", "field DESCRIPTION: a paragraph is an empty list"},
        {"part field outside", R"({"CHAPTER": "x"})", "field CHAPTER is a part field: give it inside \"parts\""},
        {"plain field in part", R"({"parts": [{"YEAR": 1}]})", "part 1: field YEAR is not a part field"},
        {"parts not list", R"({"parts": {}})", "\"parts\" must be a list of objects"},
        {"part not object", R"({"parts": [1]})", "part 1 must be an object"},
        {"blob text", R"({"LOGO": "abc"})", "field LOGO: a BLOB takes {\"file\": ...} or {\"base64\": ...}"},
        {"blob bad base64", R"({"LOGO": {"base64": "@@@"}})", "field LOGO: invalid base64"},
        {"blob missing file", R"({"LOGO": {"file": "nosuch.png"}})", "field LOGO: cannot read file nosuch.png"},
        {"blob no content", R"({"LOGO": {"type": "image/png"}})", "field LOGO: no \"file\" or \"base64\""},
        {"blob unknown key", R"({"LOGO": {"data": "x"}})", "field LOGO: unknown key \"data\""},
    };
    for (const Case& c : cases) {
        zdb::InputRecord record;
        try {
            zdb::parseRecordJson(schema, c.record, "/nonexistent", record);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const zdb::InputError& e) {
            EXPECT_EQ(std::string(e.what()), c.error) << c.name;
        }
    }
}

TEST(RecordJson, ExportWritesWhatLoadReads) {
    zdb::Schema schema = zdb::parseSchemaJson(enginetest::kPackagesSchema, "PACKAGES");
    const char* lines[] = {
        R"({"id":1,"PACKAGE":"vim","DESCRIPTION":["one","two"],"YEAR":1991,"PRICE":"9.50","DAY":"02.11.1991","HOUR":"09:30","SECTION":"editors"})",
        R"({"id":2,"PACKAGE":["a","b"],"DESCRIPTION":["one",["two","three"]],"LOGO":{"type":"image/png","base64":"AAEC"},"parts":[{"CHAPTER":"x"},{}]})",
    };
    for (const char* line : lines) {
        zdb::InputRecord record;
        zdb::parseRecordJson(schema, line, ".", record);
        record.content.id = static_cast<int>(record.id);
        EXPECT_EQ(zdb::recordToJson(schema, record.content, record.blobs), line);
    }
    zdb::InputRecord record;
    zdb::parseRecordJson(schema, R"({"id": 3, "DAY": "2020-01-31", "YEAR": "+7", "PRICE": 2.5})", ".", record);
    record.content.id = 3;
    EXPECT_EQ(zdb::recordToJson(schema, record.content, record.blobs),
              R"({"id":3,"YEAR":7,"PRICE":"2.5","DAY":"31.01.2020"})");
}

class Loading : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        createDatabase("PACKAGES", enginetest::kPackagesSchema,
                       {R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "text editor", "YEAR": 1991})",
                        R"({"id": 2, "PACKAGE": "emacs", "DESCRIPTION": "another text editor", "YEAR": 1985})"});
    }
    std::pair<int, int> find(const std::string& query) {
        if (ZdbStartZolt("zoltgate", "", 9, 16 * 256) != ZDB_OK) return {-1, -1};
        int order = 0;
        ZdbExecuteCcl("BASE PACKAGES", &order);
        int code = ZdbExecuteCcl(("FIND " + query).c_str(), &order);
        int set = 0, records = 0, hits = 0;
        if (code == ZDB_OK) ZdbGetSearch(&set, &records, &hits);
        ZdbEndZdbs(0);
        return {records, hits};
    }
};

TEST_F(Loading, ReplacedAndDeletedRecordsLeaveTheIndex) {
    addRecords("PACKAGES", {R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "improved vi", "YEAR": 1992})"});
    EXPECT_EQ(find("editor"), std::make_pair(1, 1));
    EXPECT_EQ(find("improved"), std::make_pair(1, 1));
    EXPECT_EQ(find("YEAR=1991"), std::make_pair(0, 0));
    EXPECT_EQ(find("YEAR=1992"), std::make_pair(1, 1));
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Loader loader(*db);
        loader.begin();
        EXPECT_TRUE(loader.remove(2));
        EXPECT_FALSE(loader.remove(77));
        loader.commit();
        EXPECT_EQ(db->recordCount(), 1);
    }
    EXPECT_EQ(find("editor"), std::make_pair(0, 0));
    // A merge rewrites the index without the superseded rows; nothing changes outside.
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Loader loader(*db);
        loader.mergeIfNeeded(true);
        zdb::Statement stale(db->connection(), "SELECT count(*) FROM stale");
        ASSERT_TRUE(stale.step());
        EXPECT_EQ(stale.integer(0), 0);
        zdb::Statement segments(db->connection(), "SELECT count(*) FROM segment");
        ASSERT_TRUE(segments.step());
        EXPECT_EQ(segments.integer(0), 1);
        EXPECT_EQ(db->totalWords(), 3);  // vim, improved, vi
    }
    EXPECT_EQ(find("improved OR editor OR vim"), std::make_pair(1, 2));
}

// A replaced record is indexed in a later segment, so a word's records come from
// several rows out of id order: they are put in order, each with its own hits.
TEST_F(Loading, RecordsOfSeveralSegmentsComeInIdOrderWithTheirHits) {
    addRecords("PACKAGES", {R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "editor editor, improved"})"});
    EXPECT_EQ(find("editor AND improved"), std::make_pair(1, 3));
    ASSERT_EQ(ZdbStartZolt("zoltgate", "", 9, 16 * 256), ZDB_OK);
    ZdbCreateRecordControl(&rc);
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    EXPECT_EQ(ids(), (std::vector<int>{1, 2}));
    EXPECT_EQ(search().hits, 3);
}

// Format 1 kept each place with its record id and no counts: a file of it is read as it
// is, and the first command that writes it rewrites its index.
TEST_F(Loading, AnIndexOfTheFirstFormatIsReadAndRewrittenByTheFirstWrite) {
    addRecords("PACKAGES", {R"({"id": 3, "PACKAGE": "nano", "DESCRIPTION": "small editor, text editor"})"});
    const std::pair<int, int> editor{3, 4}, phrase{3, 6};
    ASSERT_EQ(find("editor"), editor);
    ASSERT_EQ(find("\"text editor\""), phrase);
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Connection& connection = db->connection();
        connection.exec("CREATE TABLE old(term TEXT NOT NULL, seg INTEGER NOT NULL, data BLOB NOT NULL)");
        zdb::Statement read(connection, "SELECT term, seg, records, last, ids, places FROM posting");
        zdb::Statement write(connection, "INSERT INTO old(term, seg, data) VALUES(?, ?, ?)");
        while (read.step()) {
            zdb::PostingRow row;
            row.records = read.integer(2);
            row.last = read.integer(3);
            row.ids = read.bytes(4);
            row.places = read.bytes(5);
            zdb::TermPostings postings;
            ASSERT_TRUE(zdb::decodePostings(row, postings));
            std::string data;  // per place: record step, part, field, occurrences, ordinal steps
            int32_t previous = 0;
            for (const zdb::PostingEntry& entry : postings.entries) {
                for (uint64_t number : {uint64_t(entry.id - previous), uint64_t(entry.part), uint64_t(entry.field),
                                        uint64_t(entry.count)})
                    zdb::putVarint(data, number);
                for (uint32_t k = 0; k < entry.count; ++k)
                    zdb::putVarint(data, postings.ordinals[entry.ordinals + k] -
                                             (k ? postings.ordinals[entry.ordinals + k - 1] : 0));
                previous = entry.id;
            }
            write.reset();
            write.bind(1, read.bytes(0)).bind(2, read.integer(1)).bindBlob(3, data).run();
        }
        connection.exec("DROP TABLE posting; ALTER TABLE old RENAME TO posting;"
                        "CREATE UNIQUE INDEX posting_key ON posting(term, seg);"
                        "UPDATE meta SET value = '1' WHERE key = 'format'");
    }
    EXPECT_EQ(find("editor"), editor);
    EXPECT_EQ(find("\"text editor\""), phrase);
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        EXPECT_EQ(db->upgradedFrom(), 1);
        zdb::Statement format(db->connection(), "SELECT value FROM meta WHERE key = 'format'");
        ASSERT_TRUE(format.step());
        EXPECT_EQ(format.bytes(0), "2");
    }
    EXPECT_EQ(find("editor"), editor);
    EXPECT_EQ(find("\"text editor\""), phrase);
}

TEST_F(Loading, AMergeLeftHalfDoneStaysConsistentAndIsFinishedLater) {
    {
        // A merge into segment 9 that stopped after the word "editor": its rows moved.
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        db->connection().exec("INSERT INTO segment(seg) VALUES(9);"
                              "INSERT INTO meta(key, value) VALUES('merging_upto', '8'), ('merging_into', '9');"
                              "UPDATE posting SET seg = 9 WHERE term = 'editor'");
    }
    // Replacing a record meanwhile must hide its old words in both places.
    addRecords("PACKAGES", {R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "improved vi", "YEAR": 1992})"});
    EXPECT_EQ(find("editor"), std::make_pair(1, 1));
    EXPECT_EQ(find("text"), std::make_pair(1, 1));
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Loader loader(*db);
        loader.mergeIfNeeded();  // finishes the merge it finds
        zdb::Statement left(db->connection(),
                            "SELECT (SELECT count(*) FROM meta WHERE key LIKE 'merging%'), "
                            "(SELECT count(*) FROM posting WHERE seg <= 8)");
        ASSERT_TRUE(left.step());
        EXPECT_EQ(left.integer(0), 0);
        EXPECT_EQ(left.integer(1), 0);
    }
    EXPECT_EQ(find("editor"), std::make_pair(1, 1));
    EXPECT_EQ(find("improved OR vim"), std::make_pair(1, 2));
    // A record replaced after the merge is found in the merged segment's place.
    addRecords("PACKAGES", {R"({"id": 2, "PACKAGE": "emacs", "DESCRIPTION": "lisp machine"})"});
    EXPECT_EQ(find("editor"), std::make_pair(0, 0));
}

TEST_F(Loading, RecordsWithoutIdTakeTheNextFreeOne) {
    addRecords("PACKAGES", {R"({"PACKAGE": "nano"})", R"({"id": 10, "PACKAGE": "ed"})", R"({"PACKAGE": "joe"})"});
    EXPECT_EQ(find("R=3"), std::make_pair(1, 0));
    EXPECT_EQ(find("joe"), std::make_pair(1, 1));
    ASSERT_EQ(ZdbStartZolt("zoltgate", "", 9, 16 * 256), ZDB_OK);
    ZdbCreateRecordControl(&rc);
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    ASSERT_EQ(ccl("FIND joe"), ZDB_OK);
    EXPECT_EQ(ids(), std::vector<int>{11});
}

TEST_F(Loading, SameIdTwiceInABatchKeepsTheLaterRecord) {
    addRecords("PACKAGES", {R"({"id": 5, "PACKAGE": "first"})", R"({"id": 5, "PACKAGE": "second"})"});
    EXPECT_EQ(find("first"), std::make_pair(0, 0));
    EXPECT_EQ(find("second"), std::make_pair(1, 1));
}

TEST_F(Loading, AnAbortedBatchWritesNothing) {
    auto db = zdb::Database::open(dir.path, "PACKAGES", true);
    {
        zdb::Loader loader(*db);
        loader.begin();
        zdb::InputRecord record;
        zdb::parseRecordJson(db->schema(), R"({"id": 1, "PACKAGE": "changed"})", ".", record);
        loader.add(record);
        zdb::parseRecordJson(db->schema(), R"({"id": 3, "PACKAGE": "new"})", ".", record);
        loader.add(record);
        loader.abort();
    }
    EXPECT_EQ(db->recordCount(), 2);
    EXPECT_EQ(find("vim"), std::make_pair(1, 1));
    EXPECT_EQ(find("changed OR new"), std::make_pair(0, 0));
}

// The journal mode that SQLite reports for the file at `path`.
std::string journalMode(const std::string& path) {
    zdb::Connection connection(path, zdb::Connection::Mode::ReadOnly, "x", 1000);
    zdb::Statement pragma(connection, "PRAGMA journal_mode");
    return pragma.step() ? std::string(pragma.bytes(0)) : "";
}

TEST_F(Loading, FilesStayInRollbackJournalMode) {
    std::string path = zdb::Database::pathFor(dir.path, "PACKAGES");
    EXPECT_EQ(journalMode(path), "delete") << "after create and load";
    EXPECT_EQ(journalMode(zdb::SystemDb::pathFor(dir.path)), "delete");
    // Someone switched the file to WAL, which a reader without write access cannot read.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(journalMode(path), "wal");
    addRecords("PACKAGES", {R"({"id": 3, "PACKAGE": "nano"})"});
    EXPECT_EQ(journalMode(path), "delete") << "the next load sets it back";
}

TEST_F(Loading, CachedStatementsAreKeyedByTheirText) {
    auto db = zdb::Database::open(dir.path, "PACKAGES", false);
    char sql[64];  // two texts at one address must not share a statement
    std::strcpy(sql, "SELECT count(*) FROM record");
    zdb::Statement& first = db->cached(sql);
    ASSERT_TRUE(first.step());
    EXPECT_EQ(first.integer(0), 2);
    first.reset();
    std::strcpy(sql, "SELECT max(id) + 40 FROM record");
    zdb::Statement& second = db->cached(sql);
    ASSERT_TRUE(second.step());
    EXPECT_EQ(second.integer(0), 42);
}

TEST_F(Loading, ADatabaseThatIsNotARegularFileIsRefusedAtOnce) {
    // A FIFO would block the open for ever.
    ASSERT_EQ(mkfifo(zdb::Database::pathFor(dir.path, "PIPE").c_str(), 0644), 0);
    ASSERT_EQ(login(), ZDB_OK);
    EXPECT_EQ(ccl("BASE PIPE"), zdb::kDatabaseFormat);
    EXPECT_EQ(message(zdb::kDatabaseFormat), "Database PIPE cannot be read: unknown format or damaged file");
    endSession();
    std::string system = zdb::SystemDb::pathFor(dir.path);
    ASSERT_EQ(unlink(system.c_str()), 0);
    ASSERT_EQ(mkfifo(system.c_str(), 0644), 0);
    EXPECT_EQ(login(), zdb::kNoSystemDatabase);
}

}  // namespace

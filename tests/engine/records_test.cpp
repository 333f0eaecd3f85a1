// records_test.cpp - reading records: record codes, fields, cursors, items in
// pieces, parts, BLOBs, hit words with their positions, and sorted lists.

#include "codes.h"
#include "engine_fixture.h"

namespace {

using enginetest::EngineTest;

const std::vector<std::string> kRecords = {
    R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": ["Vi IMproved, a text editor", "Vim is the UNIX editor Vi, improved."], "YEAR": 1991, "SECTION": "editors"})",
    R"({"id": 2, "PACKAGE": ["emacs", "emacs-gtk"], "DESCRIPTION": "GNU Emacs editor", "YEAR": 1985, "SECTION": "Editors", "LOGO": {"base64": "AAECAwQFBgcICQ==", "type": "image/png"}, "parts": [{"CHAPTER": "Editing text files"}, {"CHAPTER": ["Lisp", "Text modes and the editor"]}, {}]})",
    R"({"id": 4, "PACKAGE": "café-tools", "DESCRIPTION": "Tools for the Über café: brew, grind", "YEAR": 2010, "SECTION": "misc"})",
};

class Records : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        createDatabase("PACKAGES", enginetest::kPackagesSchema, kRecords);
    }
    int read(int n, int* id = nullptr, std::string* database = nullptr) {
        int set = 0, recordId = 0;
        char name[ZDB_DATABASE_NAME_SIZE] = "";
        int code = ZdbGetRecordInSearchRis(rc, &set, n, &recordId, name);
        if (id) *id = recordId;
        if (database) *database = name;
        return code;
    }
    struct Hit {
        int part, field, paragraph, item, position, length;
        bool operator==(const Hit&) const = default;
    };
    std::vector<Hit> hits() {
        std::vector<Hit> out;
        Hit h{};
        while (ZdbGetNextHitWord(rc, &h.part, &h.field, &h.paragraph, &h.item, &h.position, &h.length))
            out.push_back(h);
        return out;
    }
    // Deletes record `id` of PACKAGES, as another process would.
    void remove(int id) {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Loader loader(*db);
        loader.begin();
        ASSERT_TRUE(loader.remove(id));
        loader.commit();
    }
    ZdbCursor cursor = nullptr;
};

TEST_F(Records, RecordCodesTellNewDatabaseAndDeletedRecords) {
    open();
    ASSERT_EQ(ccl("FIND editor OR cafe"), ZDB_OK);
    int id = 0;
    std::string database;
    EXPECT_EQ(read(1, &id, &database), 3);  // the first record: a new database
    EXPECT_EQ(id, 1);
    EXPECT_EQ(database, "PACKAGES");
    EXPECT_EQ(read(2, &id), ZDB_OK);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(read(-3, &id), ZDB_OK);  // located only
    EXPECT_EQ(id, 4);
    EXPECT_EQ(read(4), 0);
    EXPECT_EQ(read(0), 0);
    int field, type, flags;
    EXPECT_EQ(ZdbCheckField(rc, "PACKAGE", &field, &type, &flags), zdb::kNoCurrentRecord);
    // A record deleted after the set was made keeps its place, with the value 4.
    {
        auto db = zdb::Database::open(dir.path, "PACKAGES", true);
        zdb::Loader loader(*db);
        loader.begin();
        ASSERT_TRUE(loader.remove(2));
        loader.commit();
    }
    EXPECT_EQ(read(2, &id), static_cast<int>(ZDB_OK) | ZDB_RECORD_DELETED);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(read(-2, &id), static_cast<int>(ZDB_OK) | ZDB_RECORD_DELETED);
    EXPECT_TRUE(hits().empty());
    int set = 42, recordId = 0;
    char name[ZDB_DATABASE_NAME_SIZE];
    EXPECT_EQ(ZdbGetRecordInSearchRis(rc, &set, 1, &recordId, name), zdb::kInvalidSetNumber);
    set = 0;
    EXPECT_EQ(ZdbGetRecordInSearchRis(rc, &set, 1, &recordId, name), 3 - 2);
    EXPECT_EQ(set, 1);
}

// Located records of "FIND editor OR cafe" (ids 1, 2, 4) after record 2 is changed:
// a walk tells a deletion from the stale list, or looks each record up when a merge
// has emptied that list or the set took its records from another set.
TEST_F(Records, LocatedRecordsTellDeletionsThroughMergesAndSetReferences) {
    enum class Change { Delete, Replace, DeleteAndMerge };
    struct Case {
        const char* name;
        Change change;
        const char* findAfter;  // a second FIND after the change, walked instead; or null
        bool deleted;           // what position 2 (record 2) answers
    };
    const Case cases[] = {
        {"deleted", Change::Delete, nullptr, true},
        {"replaced, not deleted", Change::Replace, nullptr, false},
        {"deleted, then a merge emptied the stale list", Change::DeleteAndMerge, nullptr, true},
        {"a set of another set's records, made after the merge", Change::DeleteAndMerge, "FIND S=1", true},
    };
    ASSERT_EQ(login(), ZDB_OK);
    int number = 0;
    for (const Case& c : cases) {
        std::string name = "CASE" + std::to_string(++number);
        createDatabase(name, enginetest::kPackagesSchema, kRecords);
        ASSERT_EQ(ccl("BASE " + name), ZDB_OK) << c.name;
        ASSERT_EQ(ccl("FIND editor OR cafe"), ZDB_OK) << c.name;
        {
            auto db = zdb::Database::open(dir.path, name, true);
            zdb::Loader loader(*db);
            if (c.change == Change::Replace) {
                addRecords(name, {R"({"id": 2, "PACKAGE": "emacs", "DESCRIPTION": "editor"})"});
            } else {
                loader.begin();
                ASSERT_TRUE(loader.remove(2)) << c.name;
                loader.commit();
            }
            if (c.change == Change::DeleteAndMerge) loader.mergeIfNeeded(true);
        }
        if (c.findAfter) {
            ASSERT_EQ(ccl(c.findAfter), ZDB_OK) << c.name;
        }
        int id = 0;
        EXPECT_EQ(read(-1) & ZDB_RECORD_DELETED, 0) << c.name;
        EXPECT_EQ(read(-2, &id) & ZDB_RECORD_DELETED, c.deleted ? ZDB_RECORD_DELETED : 0) << c.name;
        EXPECT_EQ(id, 2) << c.name;
        EXPECT_EQ(read(-3) & ZDB_RECORD_DELETED, 0) << c.name;
    }
}

// A walk answers from its first call; a walk that starts again, or one that another
// call interrupts, looks at the database anew.
TEST_F(Records, AWalkEndsWhereItRestartsOrAnotherCallComes) {
    open();
    ASSERT_EQ(ccl("FIND editor OR cafe"), ZDB_OK);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(read(-n) & ZDB_RECORD_DELETED, 0) << n;
    remove(1);
    EXPECT_EQ(read(-2) & ZDB_RECORD_DELETED, 0);  // backwards: not this walk's direction
    EXPECT_EQ(read(-1) & ZDB_RECORD_DELETED, ZDB_RECORD_DELETED);
    EXPECT_EQ(read(-2) & ZDB_RECORD_DELETED, 0);
    EXPECT_EQ(search().records, 3);
    remove(4);
    EXPECT_EQ(read(-3) & ZDB_RECORD_DELETED, ZDB_RECORD_DELETED);  // after another call
}

// ZdbLocateRecords answers as the locating calls one by one would, and its walk goes on
// into the next call: "FIND editor OR cafe" holds ids 1, 2, 4; record 2 is deleted.
TEST_F(Records, LocatingInOneCallAnswersAsCallsOneByOne) {
    struct Case { const char* name; int first, count; std::vector<int> ids; };
    const Case cases[] = {
        {"the whole set", 1, 3, {1, 2, 4}},
        {"more asked than remain", 2, 10, {2, 4}},
        {"one", 3, 1, {4}},
        {"past the end", 4, 5, {}},
        {"none asked", 1, 0, {}},
    };
    open();
    ASSERT_EQ(ccl("FIND editor OR cafe"), ZDB_OK);
    remove(2);
    for (const Case& c : cases) {
        ZdbRecordControl batch = nullptr, single = nullptr;
        ASSERT_EQ(ZdbCreateRecordControl(&batch), ZDB_OK);
        ASSERT_EQ(ZdbCreateRecordControl(&single), ZDB_OK);
        int set = 0, located = -1;
        std::vector<int> ids(10), codes(10);
        EXPECT_EQ(ZdbLocateRecords(batch, &set, c.first, c.count, ids.data(), codes.data(), &located), ZDB_OK)
            << c.name;
        EXPECT_EQ(set, 1) << c.name;
        ids.resize(static_cast<size_t>(located));
        codes.resize(static_cast<size_t>(located));
        EXPECT_EQ(ids, c.ids) << c.name;
        std::vector<int> expected;
        for (size_t i = 0; i < c.ids.size(); ++i) {
            int id = 0;
            char database[ZDB_DATABASE_NAME_SIZE];
            expected.push_back(ZdbGetRecordInSearchRis(single, &set, -(c.first + static_cast<int>(i)), &id, database));
        }
        EXPECT_EQ(codes, expected) << c.name;
        int field, type, flags;  // left on its last record, or on none
        const int check = located > 0 ? static_cast<int>(ZDB_OK) : static_cast<int>(zdb::kNoCurrentRecord);
        EXPECT_EQ(ZdbCheckField(batch, "PACKAGE", &field, &type, &flags), check) << c.name;
        ZdbDeleteRecordControl(&batch);
        ZdbDeleteRecordControl(&single);
    }
    // The next locating call goes on with the walk: it answers from the walk's first look.
    int set = 0, located = 0, id = 0;
    std::vector<int> ids(2), codes(2);
    ASSERT_EQ(ZdbLocateRecords(rc, &set, 1, 2, ids.data(), codes.data(), &located), ZDB_OK);
    remove(4);
    EXPECT_EQ(read(-3, &id), ZDB_OK);
    EXPECT_EQ(read(-3, &id), static_cast<int>(ZDB_OK) | ZDB_RECORD_DELETED);  // a walk of its own
}

// Records read ahead are handed out, each once, to the record that is made current next:
// "FIND editor OR cafe" holds ids 1, 2, 4; another process deletes them all after the
// read-ahead, so a record still shown was handed out, one shown deleted was read again.
TEST_F(Records, RecordsReadAheadAreHandedOutOnce) {
    struct Case { const char* name; int first, count, read; std::vector<int> shown; };
    const Case cases[] = {
        {"the whole set", 1, 3, 3, {1, 2, 3}},
        {"more asked than remain", 2, 10, 2, {2, 3}},
        {"from the second, one", 2, 1, 1, {2}},
        {"past the end", 4, 5, 0, {}},
        {"none asked", 1, 0, 0, {}},
    };
    for (const Case& c : cases) {
        open();
        ASSERT_EQ(ccl("FIND editor OR cafe"), ZDB_OK);
        int set = 0, count = -1;
        EXPECT_EQ(ZdbReadRecords(&set, c.first, c.count, &count), ZDB_OK) << c.name;
        EXPECT_EQ(set, 1) << c.name;
        EXPECT_EQ(count, c.read) << c.name;
        for (int id : {1, 2, 4}) remove(id);
        std::vector<int> shown;
        for (int n = 1; n <= 3; ++n)
            if (!(read(n) & ZDB_RECORD_DELETED)) shown.push_back(n);
        EXPECT_EQ(shown, c.shown) << c.name;
        for (int n = 1; n <= 3; ++n) EXPECT_EQ(read(n) & ZDB_RECORD_DELETED, ZDB_RECORD_DELETED) << c.name;
        endSession();
        addRecords("PACKAGES", kRecords);
    }
}

TEST_F(Records, FieldsAndCursorsWalkParagraphsAndItems) {
    open();
    ASSERT_EQ(ccl("FIND R=1-2"), ZDB_OK);
    ASSERT_EQ(read(1), 3);
    struct FieldCase {
        const char* name;
        int number, type, flags;
    };
    const FieldCase fields[] = {{"PACKAGE", 1, ZDB_FIELD_PHRASE, 0}, {"description", 2, ZDB_FIELD_TEXT, 0},
                                {"CHAPTER", 3, ZDB_FIELD_TEXT, ZDB_FIELD_FLAG_PART},
                                {"YEAR", 4, ZDB_FIELD_INTEGER, 0}, {"LOGO", 9, ZDB_FIELD_BLOB, 0}};
    for (const FieldCase& f : fields) {
        int number, type, flags;
        ASSERT_EQ(ZdbCheckField(rc, f.name, &number, &type, &flags), ZDB_OK) << f.name;
        EXPECT_EQ(number, f.number) << f.name;
        EXPECT_EQ(type, f.type) << f.name;
        EXPECT_EQ(flags, f.flags) << f.name;
    }
    int number, type, flags;
    EXPECT_EQ(ZdbCheckField(rc, "TITLE", &number, &type, &flags), zdb::kUnknownField);
    EXPECT_EQ(message(zdb::kUnknownField), "Unknown field 'TITLE'");

    // Each cursor's items, read until none is left: a negative field number counts, a
    // PHRASE field has paragraph 0 only.
    struct CursorCase {
        int field, paragraph, code;
        std::vector<std::string> items;
    };
    const CursorCase cursors[] = {
        {2, 1, ZDB_OK, {"Vi IMproved, a text editor"}}, {-2, 2, ZDB_OK, {"Vim is the UNIX editor Vi, improved."}},
        {2, 3, ZDB_NO_MORE_ITEMS, {}},                   {1, 0, ZDB_OK, {"vim"}},
        {1, 1, ZDB_NO_MORE_ITEMS, {}},                   {10, 0, zdb::kUnknownField, {}},
        {4, 0, ZDB_OK, {"1991"}},
    };
    std::string text;
    for (const CursorCase& c : cursors) {
        EXPECT_EQ(ZdbSetCursor(&cursor, rc, c.field, c.paragraph, 0), c.code) << c.field << "." << c.paragraph;
        std::vector<std::string> items;
        while (readItem(cursor, text)) items.push_back(text);
        EXPECT_EQ(items, c.items) << c.field << "." << c.paragraph;
    }
    // After an item the cursor stands at the next item of the paragraph.
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 2, 1, 0), ZDB_OK);
    ASSERT_TRUE(readItem(cursor, text));
    ZdbRecordControl owner = nullptr;
    int field = 0, paragraph = 0, item = 0;
    ASSERT_EQ(ZdbCheckCursor(cursor, &owner, &field, &paragraph, &item), ZDB_OK);
    EXPECT_EQ(owner, rc);
    EXPECT_EQ(std::vector<int>({field, paragraph, item}), std::vector<int>({2, 1, 1}));

    ASSERT_EQ(read(2), ZDB_OK);
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 1, 0, 0), ZDB_OK);
    std::vector<std::string> items;
    while (readItem(cursor, text)) items.push_back(text);
    EXPECT_EQ(items, (std::vector<std::string>{"emacs", "emacs-gtk"}));
}

TEST_F(Records, ItemsComeInPiecesWithTheLengthConvention) {
    std::string longText(2500, 'x');
    addRecords("PACKAGES", {R"({"id": 7, "PACKAGE": "long", "DESCRIPTION": ")" + longText + R"("})"});
    open();
    ASSERT_EQ(ccl("FIND R=7"), ZDB_OK);
    ASSERT_EQ(read(1), 3);
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 2, 1, 0), ZDB_OK);
    char buffer[1024];
    std::vector<std::pair<int, int>> pieces;  // code, length
    std::string joined;
    int code;
    do {
        int length = 1023;
        code = ZdbGetNextItem(cursor, buffer, &length);
        pieces.emplace_back(code, length);
        joined.append(buffer, static_cast<size_t>(length < 0 ? -length : length));
    } while (code == ZDB_MORE);
    // Full pieces fill the buffer without a NUL; the last one is NUL-terminated.
    EXPECT_EQ(pieces, (std::vector<std::pair<int, int>>{{3, 1023}, {3, 1023}, {1, -454}}));
    EXPECT_EQ(buffer[454], '\0');
    EXPECT_EQ(joined, longText);
    int length = 1023;
    EXPECT_EQ(ZdbGetNextItem(cursor, buffer, &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(ZdbRetCode(), ZDB_OK);  // no item is not a failure
    // A probe with room for one byte finds that an item is there.
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 1, 0, 0), ZDB_OK);
    length = 1;
    EXPECT_EQ(ZdbGetNextItem(cursor, buffer, &length), ZDB_MORE);
    EXPECT_EQ(length, 1);
    length = 0;
    EXPECT_EQ(ZdbGetNextItem(cursor, buffer, &length), 0);
    EXPECT_EQ(ZdbRetCode(), zdb::kInvalidArgument);
}

TEST_F(Records, PartsSelectThePartFieldsContent) {
    open();
    ASSERT_EQ(ccl("FIND R=2"), ZDB_OK);
    ASSERT_EQ(read(1), 3);
    std::string text;
    EXPECT_EQ(ZdbSetCursor(&cursor, rc, 3, 1, 0), ZDB_NO_MORE_ITEMS);  // no part chosen
    EXPECT_EQ(ZdbSetRecordPart(&cursor, rc, 2), ZDB_OK);
    std::vector<std::string> paragraphs;  // a list in a TEXT field gives paragraphs
    for (int paragraph = 1; ZdbSetCursor(&cursor, rc, 3, paragraph, 0) == ZDB_OK; ++paragraph)
        while (readItem(cursor, text)) paragraphs.push_back(text);
    EXPECT_EQ(paragraphs, (std::vector<std::string>{"Lisp", "Text modes and the editor"}));
    EXPECT_EQ(ZdbSetRecordPart(&cursor, rc, 3), ZDB_OK);  // an empty part exists
    EXPECT_EQ(ZdbSetCursor(&cursor, rc, 3, 1, 0), ZDB_NO_MORE_ITEMS);
    EXPECT_EQ(ZdbSetRecordPart(&cursor, rc, 4), ZDB_MORE);  // no part 4: nothing changes
    EXPECT_EQ(ZdbSetCursor(&cursor, rc, 3, 1, 0), ZDB_NO_MORE_ITEMS);
    EXPECT_EQ(ZdbSetRecordPart(&cursor, rc, 1), ZDB_OK);
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 3, 1, 0), ZDB_OK);
    ASSERT_TRUE(readItem(cursor, text));
    EXPECT_EQ(text, "Editing text files");
    // Fields without parts read the same in every part.
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 1, 0, 0), ZDB_OK);
    ASSERT_TRUE(readItem(cursor, text));
    EXPECT_EQ(text, "emacs");
    ZdbCursor fresh = nullptr;  // a cursor made by ZdbSetRecordPart
    EXPECT_EQ(ZdbSetRecordPart(&fresh, rc, 0), ZDB_OK);
    EXPECT_NE(fresh, nullptr);
}

TEST_F(Records, BlobsComeWholeOrInBlocks) {
    open();
    ASSERT_EQ(ccl("FIND R=1-2"), ZDB_OK);
    ASSERT_EQ(read(2), 3);
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 9, 0, 0), ZDB_OK);
    int size = 0;
    ASSERT_EQ(ZdbGetBlobSize(cursor, &size), ZDB_OK);
    EXPECT_EQ(size, 10);
    char buffer[16];
    int received = 0;
    ASSERT_EQ(ZdbGetBlobBlock(cursor, 1, 16, buffer, &received), ZDB_OK);
    EXPECT_EQ(received, 10);
    EXPECT_EQ(std::string(buffer, 10), std::string("\0\1\2\3\4\5\6\7\x08\x09", 10));
    ASSERT_EQ(ZdbGetBlobBlock(cursor, 2, 4, buffer, &received), ZDB_OK);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(received)), std::string("\4\5\6\7", 4));
    ASSERT_EQ(ZdbGetBlobBlock(cursor, 3, 4, buffer, &received), ZDB_OK);
    EXPECT_EQ(received, 2);
    ASSERT_EQ(ZdbGetBlobBlock(cursor, 100000000, 100000000, buffer, &received), ZDB_OK);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(ZdbGetBlobBlock(cursor, 0, 4, buffer, &received), zdb::kInvalidArgument);
    // Item reads hand out BLOB bytes too, never NUL-terminated.
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 9, 0, 0), ZDB_OK);
    int length = 16;
    EXPECT_EQ(ZdbGetNextItem(cursor, buffer, &length), 1);
    EXPECT_EQ(length, 10);
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 1, 0, 0), ZDB_OK);
    EXPECT_EQ(ZdbGetBlobSize(cursor, &size), zdb::kNotABlobField);
    ASSERT_EQ(read(1), ZDB_OK);
    EXPECT_EQ(ZdbSetCursor(&cursor, rc, 9, 0, 0), ZDB_NO_MORE_ITEMS);
    ASSERT_EQ(ZdbGetBlobSize(cursor, &size), ZDB_OK);
    EXPECT_EQ(size, 0);
}

TEST_F(Records, CharactersOutsideTheSessionsSetBecomeQuestionMarks) {
    addRecords("PACKAGES", {R"({"id": 8, "PACKAGE": "greek", "DESCRIPTION": "\u03b1\u03b2 caf\u00e9 \u20ac"})"});
    ASSERT_EQ(login(ZDB_CHARSET_LATIN1), ZDB_OK);
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    ASSERT_EQ(ccl("FIND R=8 AND caf\xE9"), ZDB_OK);  // the query arrives in Latin-1 too
    ASSERT_EQ(read(1), 3);
    EXPECT_EQ(hits(), (std::vector<Hit>{{0, 2, 1, 0, 4, 4}}));
    std::string text;
    ASSERT_EQ(ZdbSetCursor(&cursor, rc, 2, 1, 0), ZDB_OK);
    ASSERT_TRUE(readItem(cursor, text));
    EXPECT_EQ(text, "?? caf\xE9 ?");
}

TEST_F(Records, HitWordsFollowPartFieldParagraphItemOrder) {
    open();
    ASSERT_EQ(ccl("FIND (editor OR text OR emacs) NOT vim"), ZDB_OK);
    ASSERT_EQ(read(1), 3);
    EXPECT_EQ(hits(), (std::vector<Hit>{
                          {0, 1, 0, 0, 1, 5},    // PACKAGE emacs
                          {0, 1, 0, 1, 1, 5},    // PACKAGE emacs-gtk
                          {0, 2, 1, 0, 5, 5},    // DESCRIPTION GNU Emacs editor
                          {0, 2, 1, 0, 11, 6},
                          {1, 3, 1, 0, 9, 4},    // part 1: Editing text files
                          {2, 3, 2, 0, 1, 4},    // part 2: Text modes and the editor
                          {2, 3, 2, 0, 20, 6},
                      }));
    EXPECT_EQ(search().hits, 7);
    int parts = 0, first = 0, total = 0;
    ASSERT_EQ(ZdbHitParts(rc, &parts, &first, &total), ZDB_OK);
    EXPECT_EQ(parts, 2);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(total, 3);
    int count = 0;
    EXPECT_EQ(ZdbGetHitPart(rc, 2, &count), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ZdbGetHitPart(rc, 3, &count), 0);
    EXPECT_EQ(count, 0);
    // A record read again hands out its hits again; one only located has them too.
    ASSERT_EQ(read(-1), ZDB_OK);
    EXPECT_EQ(hits().size(), 7u);
    // Value hits cover the whole item.
    ASSERT_EQ(ccl("FIND YEAR<1990 AND SECTION=editors"), ZDB_OK);
    ASSERT_EQ(read(1), ZDB_OK);
    EXPECT_EQ(hits(), (std::vector<Hit>{{0, 4, 0, 0, 1, 4}, {0, 8, 0, 0, 1, 7}}));
}

TEST_F(Records, SortingByKeysWithMissingValuesLast) {
    addRecords("PACKAGES", {R"({"id": 9, "PACKAGE": "aardvark", "DESCRIPTION": "editor without a year"})"});
    open();
    ASSERT_EQ(ccl("FIND R=1-9"), ZDB_OK);
    struct Case {
        const char* key;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"YEAR", {2, 1, 4, 9}},
        {"YEAR/DESC", {4, 1, 2, 9}},
        {"year/desc", {4, 1, 2, 9}},
        {"PACKAGE", {9, 4, 2, 1}},
        {"SECTION,PACKAGE/DESC", {1, 2, 4, 9}},
        {"SECTION/DESC,YEAR", {4, 2, 1, 9}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ZdbSortRecords(0, c.key), ZDB_OK) << c.key;
        std::vector<int> sorted;
        for (int n = 1;; ++n) {
            int id = 0;
            char database[ZDB_DATABASE_NAME_SIZE];
            if (ZdbGetSortedRecord(0, rc, -n, &id, database) == 0) break;
            sorted.push_back(id);
        }
        EXPECT_EQ(sorted, c.ids) << c.key;
    }
    EXPECT_EQ(ZdbSortRecords(0, "TITLE"), zdb::kUnknownSortKey);
    EXPECT_EQ(message(zdb::kUnknownSortKey), "Unknown sort key 'TITLE'");
    EXPECT_EQ(ZdbSortRecords(0, "YEAR/UP"), zdb::kUnknownSortKey);
    EXPECT_EQ(ZdbSortRecords(0, "LOGO"), zdb::kUnknownSortKey);
    EXPECT_EQ(ZdbSortRecords(1, "YEAR"), zdb::kUnknownList);
    int id;
    char database[ZDB_DATABASE_NAME_SIZE];
    EXPECT_EQ(ZdbGetSortedRecord(1, rc, 1, &id, database), zdb::kUnknownList);
    ASSERT_EQ(ccl("DELETE S=1"), ZDB_OK);
    EXPECT_EQ(ZdbGetSortedRecord(0, rc, 1, &id, database), zdb::kNoSortedList);
}

}  // namespace

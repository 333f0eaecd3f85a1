// Tests of the session's records on the engine double: the record codes callers test,
// the hit table's limits, and which hits reach which item, with hit entries that only
// a faulty engine gives, and the walk from paragraph to paragraph. Fields, parts, items
// in pieces and direct items are checked end to end (tests/e2e: SearchPage.
// FieldReferencesWithTheirFlags, RecordDocuments).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/session_fixture.h"

namespace {

using zdbdouble::HitWord;
using zdbdouble::Record;
using Calls = std::vector<std::string>;

class RecordNavigation : public SessionTest {
protected:
    // Set 1 with the given records, current in the session.
    void useSet(std::vector<Record> records) {
        db->searchSet = 1;
        db->recordCount = static_cast<int>(records.size());
        db->recordNumber = 1;
        e.sets[1] = std::move(records);
    }
    // Reads record 1 of set 1 and selects field `name`; the getField result.
    int readField(const Record& record, const char* name, int part = 0) {
        useSet({record});
        EXPECT_GT(db->getRecord(1), 0);
        return db->getField(name, part);
    }
};

Record recordWith(int id, const char* database = "docs", int code = ZDB_OK) {
    Record record;
    record.id = id;
    record.database = database;
    record.code = code;
    record.fields["TITLE"] = zdbdouble::phraseField(1, {"Cats & <dogs>", "Birds"});
    record.fields["BODY"] = zdbdouble::textField(2, {{"first"}, {"second", "more"}});
    return record;
}

TEST_F(RecordNavigation, RecordCodesInSetAndSortedOrder) {
    struct Case {
        const char* name; bool sorted; std::vector<Record> records; bool cluster;
        std::vector<int> codes; std::string lastBase;
    };
    const Case cases[] = {
        {"unsorted: the engine's codes as they stand, past the end 0", false,
         {recordWith(5), recordWith(6, "docs", 5), recordWith(7, "news", 3)}, true, {1, 5, 3, 0}, "news"},
        {"sorted: same database 1, another 3", true,
         {recordWith(5), recordWith(6), recordWith(7, "news")}, false, {3, 1, 3, 0}, "docs"},
        {"sorted: a record deleted since the sort keeps its mark and the walk goes on", true,
         {recordWith(5), recordWith(6, "docs", 5), recordWith(7)}, false, {3, 5, 1, 0}, "docs"},
    };
    for (const auto& c : cases) {
        SetUp();
        db->clusterFlag = c.cluster ? 1 : 0;
        if (c.sorted) {
            db->sortedFlag = 1;
            db->recordCount = static_cast<int>(c.records.size());
            db->recordNumber = 1;
            e.sortedList = c.records;
        } else {
            useSet(c.records);
        }
        std::vector<int> codes;
        for (std::size_t i = 0; i <= c.records.size(); ++i) codes.push_back(db->getRecord(-1));
        EXPECT_EQ(codes, c.codes) << c.name;
        EXPECT_EQ(db->state, 0) << c.name;
        if (c.cluster) {
            EXPECT_EQ(db->currentBase.view(), c.lastBase) << c.name;
        }
        EXPECT_EQ(db->recordNumber, static_cast<int>(c.records.size()) + 1) << c.name;
    }
}

TEST_F(RecordNavigation, HitTableKeeps499HitsWithFieldAndLength) {
    Record record = recordWith(5);
    record.hits.push_back(HitWord{0, 0, 0, 0, 1, 4});  // no field: dropped
    record.hits.push_back(HitWord{0, 1, 0, 0, 1, 0});  // no length: dropped
    for (int i = 0; i < 600; ++i) record.hits.push_back(HitWord{0, 1, 0, 1, 1, 2});
    db->hilite = 1;
    useSet({record});
    ASSERT_EQ(db->getRecord(1), 1);
    EXPECT_EQ(db->hitTotal, 499);
    EXPECT_EQ(db->getField("TITLE", 0), 1);
    EXPECT_EQ(db->hitIndex, 1) << "the first kept entry is of field 1";

    db->hilite = 0;
    ASSERT_EQ(db->getRecord(1), 1);
    EXPECT_EQ(db->hitTotal, 0) << "without hilite no table is built";
}

// A TEXT field: after the last item of a paragraph the next paragraph follows; after
// the last paragraph paragraphNumber is 0.
TEST_F(RecordNavigation, ItemsWalkOnIntoTheNextParagraph) {
    readField(recordWith(5), "BODY");
    ItemText item;
    std::vector<std::string> read;
    std::vector<int> paragraphs;
    for (int round = 0; round < 8 && db->paragraphNumber != 0; ++round) {
        int result = db->getItem(item, 0);
        ASSERT_GE(result, 0);
        if (result > 0) read.push_back(item.text);
        paragraphs.push_back(db->paragraphNumber);
    }
    EXPECT_EQ(read, (std::vector<std::string>{"first", "second", "more"}));
    EXPECT_EQ(paragraphs, (std::vector<int>{1, 2, 2, 2, 0}));
}

TEST_F(RecordNavigation, HitsReachOnlyTheirOwnItem) {
    Record record = recordWith(5);
    // Title item 1 ("Birds"): "ird"; body paragraph 2 item 1 ("more"): "or"; an entry
    // past the item's end and one overlapping the one before are not marked.
    record.hits = {HitWord{0, 1, 0, 1, 2, 3}, HitWord{0, 1, 0, 1, 3, 2}, HitWord{0, 1, 0, 1, 9, 2},
                   HitWord{0, 2, 2, 1, 2, 2}};
    db->hilite = 1;
    struct Case { const char* field; int paragraph; int item; std::vector<std::pair<int, int>> spans; };
    const Case cases[] = {
        {"TITLE", 0, 1, {}}, {"TITLE", 0, 2, {{1, 3}}}, {"BODY", 1, 1, {}}, {"BODY", 2, 2, {{1, 2}}},
    };
    for (const auto& c : cases) {
        readField(record, c.field);
        ItemText item;
        ASSERT_EQ(db->setCursor(c.paragraph, c.item), 1);
        ASSERT_GT(db->getItem(item, 0), 0);
        std::vector<std::pair<int, int>> spans;
        for (const auto& hit : item.hits) spans.emplace_back(hit.start, hit.length);
        EXPECT_EQ(spans, c.spans) << c.field << " " << c.paragraph << "." << c.item;
    }
}

}  // namespace

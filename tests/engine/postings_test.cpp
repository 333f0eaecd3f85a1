// postings_test.cpp - the index row decoders agree: records and hits read without
// building entries (FIND's way) against the entries with their ordinals.

#include <gtest/gtest.h>

#include <map>

#include "postings.h"

namespace {

using zdb::Occurrence;

// Each case: occurrences of one word (any order); the fields searched are 2 and 3.
struct Case {
    const char* name;
    std::vector<Occurrence> places;
};

std::vector<Occurrence> ordinals(int32_t id, uint16_t field, std::vector<uint32_t> list) {
    std::vector<Occurrence> out;
    for (uint32_t ordinal : list) out.push_back(Occurrence{id, 0, field, ordinal});
    return out;
}

std::vector<Occurrence> join(std::vector<std::vector<Occurrence>> parts) {
    std::vector<Occurrence> out;
    for (auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(Postings, RecordsAndHitsAgreeWithTheEntries) {
    const Case cases[] = {
        {"one-byte numbers", join({ordinals(1, 2, {1, 5}), ordinals(2, 3, {7}), ordinals(3, 2, {1, 2, 3, 4}),
                                   ordinals(4, 3, {9}), ordinals(5, 2, {2})})},
        {"a record's fields, one not searched",
         join({ordinals(1, 1, {1}), ordinals(1, 2, {3, 4}), ordinals(1, 3, {8}), ordinals(2, 1, {2, 3})})},
        {"record ids far apart", join({ordinals(3, 2, {1}), ordinals(300, 2, {2}), ordinals(70000, 3, {4, 6}),
                                       ordinals(70001, 2, {1})})},
        {"more than four ordinals", join({ordinals(1, 2, {1, 2, 3, 4, 5, 6}), ordinals(2, 2, {1}),
                                          ordinals(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), ordinals(4, 2, {1})})},
        {"ordinals far apart", join({ordinals(1, 2, {1, 500}), ordinals(2, 2, {200}), ordinals(3, 3, {1, 2, 40000}),
                                     ordinals(4, 2, {3}), ordinals(5, 2, {4})})},
        {"a field number of two bytes", join({ordinals(1, 200, {1}), ordinals(2, 2, {1}), ordinals(3, 2, {1, 2})})},
    };
    std::bitset<256> fields;
    fields.set(2).set(3);
    for (const Case& c : cases) {
        std::vector<Occurrence> sorted = c.places;
        std::sort(sorted.begin(), sorted.end());
        std::string row = zdb::encodePostings(sorted);
        zdb::TermPostings entries;
        ASSERT_TRUE(zdb::decodePostings(row, 1, {}, entries)) << c.name;
        std::map<int32_t, uint32_t> expected;
        for (const zdb::PostingEntry& entry : entries.entries)
            if (fields.test(entry.field)) expected[entry.id] += entry.count;

        zdb::RecordHits hits;
        hits.hasCounts = true;
        ASSERT_TRUE(zdb::decodeRecordHits(row, 1, {}, fields, hits)) << c.name;
        std::map<int32_t, uint32_t> got;
        for (size_t i = 0; i < hits.ids->size(); ++i) got[(*hits.ids)[i]] += hits.counts[i];
        EXPECT_EQ(got, expected) << c.name;
        EXPECT_EQ(hits.ids->size(), expected.size()) << c.name;  // each record once
        int64_t total = 0;
        for (const auto& [id, count] : expected) total += count;
        EXPECT_EQ(hits.total, total) << c.name;
        EXPECT_EQ(zdb::countPostingRecords(row, 1, {}, fields), static_cast<int64_t>(expected.size())) << c.name;

        // A superseded record is left out; a row cut short is damaged, never read past.
        zdb::StaleSet stale{zdb::staleKey(1, expected.begin()->first)};
        zdb::RecordHits fresh;
        ASSERT_TRUE(zdb::decodeRecordHits(row, 1, stale, fields, fresh)) << c.name;
        EXPECT_EQ(fresh.ids->size() + 1, expected.size()) << c.name;
        zdb::RecordHits cut;
        EXPECT_FALSE(zdb::decodeRecordHits(std::string_view(row).substr(0, row.size() - 1), 1, {}, fields, cut))
            << c.name;
    }
}

}  // namespace

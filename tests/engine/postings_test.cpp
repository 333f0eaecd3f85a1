// postings_test.cpp - the index row decoders agree: records and hits read from a row's
// counts and ids, or from its places, against the entries with their ordinals.

#include <gtest/gtest.h>

#include <algorithm>
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
    std::bitset<256> some, all;
    some.set(2).set(3);
    all.set();
    for (const Case& c : cases) {
        std::vector<Occurrence> sorted = c.places;
        std::sort(sorted.begin(), sorted.end());
        zdb::EncodedRow encoded = zdb::encodePostings(sorted);
        const zdb::PostingRow row = encoded.view(1);
        zdb::TermPostings entries;
        ASSERT_TRUE(zdb::decodePostings(row, entries)) << c.name;
        EXPECT_EQ(entries.ordinals.size(), sorted.size()) << c.name;
        // The fields searched, then every field: the counts and ids alone answer for the second.
        for (const std::bitset<256>& fields : {some, all}) {
            std::map<int32_t, uint32_t> expected;
            for (const zdb::PostingEntry& entry : entries.entries)
                if (fields.test(entry.field)) expected[entry.id] += entry.count;

            zdb::RecordHits hits;
            hits.hasCounts = true;
            ASSERT_TRUE(zdb::decodeRecordHits(row, fields, hits)) << c.name;
            std::map<int32_t, uint32_t> got;
            for (size_t i = 0; i < hits.ids->size(); ++i) got[(*hits.ids)[i]] += hits.counts[i];
            EXPECT_EQ(got, expected) << c.name;
            EXPECT_EQ(hits.ids->size(), expected.size()) << c.name;  // each record once
            int64_t total = 0;
            for (const auto& [id, count] : expected) total += count;
            EXPECT_EQ(hits.total, total) << c.name;
            EXPECT_EQ(zdb::countPostingRecords(row, fields), static_cast<int64_t>(expected.size())) << c.name;

            // A superseded record is left out; a row cut short is damaged, never read past.
            zdb::StaleSet stale{zdb::staleKey(1, expected.begin()->first)};
            zdb::PostingRow fresh = row;
            fresh.stale = &stale;
            zdb::RecordHits kept;
            ASSERT_TRUE(zdb::decodeRecordHits(fresh, fields, kept)) << c.name;
            EXPECT_EQ(kept.ids->size() + 1, expected.size()) << c.name;
            zdb::PostingRow cut = row;
            cut.places.remove_suffix(1);
            cut.ids.remove_suffix(1);
            zdb::RecordHits none;
            EXPECT_FALSE(zdb::decodeRecordHits(cut, fields, none)) << c.name;
        }
        // The ids as FIND keeps them for a set: read one by one, as far as asked.
        zdb::PackedIds packed(std::string(row.ids), static_cast<size_t>(row.records), static_cast<int32_t>(row.last), "DB");
        ASSERT_EQ(packed.size(), static_cast<size_t>(row.records)) << c.name;
        std::vector<int32_t> ids;
        for (const zdb::PostingEntry& entry : entries.entries)
            if (ids.empty() || ids.back() != entry.id) ids.push_back(entry.id);
        for (size_t i = ids.size(); i-- > 0;) EXPECT_EQ(packed[i], ids[i]) << c.name;
    }
}

}  // namespace

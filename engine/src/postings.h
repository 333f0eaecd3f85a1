// postings.h - the word index: for each word and load segment, one row whose data
// lists the (record, part, field) places of the word with their word ordinals.
// Entries are sorted by record, part and field; ordinals count words within one
// field of one part, with a gap between items so that phrases never span items.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zdb {

struct PostingEntry {
    int32_t id = 0;            // record id
    uint16_t part = 0;         // 0, or the part
    uint16_t field = 0;        // field number
    uint32_t count = 0;        // occurrences in this field of this part
    uint32_t ordinals = 0;     // index of the first ordinal in TermPostings::ordinals
};

// All places of one word in one database, sorted by (id, part, field).
struct TermPostings {
    std::vector<PostingEntry> entries;
    std::vector<uint32_t> ordinals;   // empty when decoded without ordinals
    bool hasOrdinals = true;
};

// One occurrence, as the loader collects them.
struct Occurrence {
    int32_t id;
    uint16_t part;
    uint16_t field;
    uint32_t ordinal;
    bool operator<(const Occurrence& o) const {
        if (id != o.id) return id < o.id;
        if (part != o.part) return part < o.part;
        if (field != o.field) return field < o.field;
        return ordinal < o.ordinal;
    }
};

// The records of one word in some fields, with the word's hits in them: all that FIND
// needs of a word that no phrase asks ordinals of.
struct RecordHits {
    std::shared_ptr<std::vector<int32_t>> ids = std::make_shared<std::vector<int32_t>>();  // ascending
    std::vector<uint32_t> counts;   // the hits in the fields, per record of ids; empty unless asked for
    int64_t total = 0;              // all hits in the fields
    bool hasCounts = false;
};

// Key of a (segment, record) pair in a set of superseded records.
inline uint64_t staleKey(int64_t segment, int32_t id) {
    return (static_cast<uint64_t>(segment) << 32) | static_cast<uint32_t>(id);
}
using StaleSet = std::unordered_set<uint64_t>;

// The stored form of sorted occurrences.
std::string encodePostings(const std::vector<Occurrence>& sorted);
// Appends the entries of `data` (segment `segment`) to `out`, leaving out records
// superseded in that segment; the ordinals only `withOrdinals` (counting hits and
// finding records need none). False when the data is damaged.
bool decodePostings(std::string_view data, int64_t segment, const StaleSet& stale,
                    TermPostings& out, bool withOrdinals = true);
// Sorts entries gathered from several segments by (id, part, field).
void sortPostings(TermPostings& postings);
// Appends the records of `data` (segment `segment`) that hold the word in one of
// `fields` to `out`, with the hits there (per record only when out.hasCounts),
// superseded records left out; ordinals are skipped, no entry is built. False when
// the data is damaged.
bool decodeRecordHits(std::string_view data, int64_t segment, const StaleSet& stale,
                      const std::bitset<256>& fields, RecordHits& out);
// Sorts records gathered from several segments by id (each with its count).
void sortRecordHits(RecordHits& hits);
// The records of `data` (segment `segment`) that hold the word in one of `fields`,
// superseded records left out, without building any entry; -1 when the data is damaged.
int64_t countPostingRecords(std::string_view data, int64_t segment, const StaleSet& stale,
                            const std::bitset<256>& fields);

}  // namespace zdb

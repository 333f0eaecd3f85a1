// postings.h - the word index: for each word and load segment, one row that lists the
// records holding the word and, per record, its (part, field) places with their word
// ordinals. A row keeps apart what FIND needs of a word: its record and hit counts and
// its fields as plain numbers, its record ids in a block of their own, each record's
// hits in a second and the places in a third, so that the records and hits of a word
// are read without its places. Records are in id order, places by part and field;
// ordinals count words within one field of one part, with a gap between items so that
// phrases never span items.
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

// One index row as read: views into the statement that read it (or a converted row).
// The blocks a reader did not ask for are empty.
struct PostingRow {
    int64_t segment = 0;
    int64_t records = 0;        // records in the row
    int64_t hits = 0;           // occurrences in all its fields
    int64_t last = 0;           // the highest record id of the row
    std::string_view fields;    // the fields that occur, one byte each, ascending
    std::string_view ids;       // record ids ascending, each as its step from the one before
    std::string_view counts;    // per record: its occurrences in all fields
    std::string_view places;    // per record: its places; per place part, field,
                                // occurrences and the ordinals as steps
    const StaleSet* stale = nullptr;  // superseded records, when some are of this segment
};

// A row as it is stored.
struct EncodedRow {
    int64_t records = 0;
    int64_t hits = 0;
    int64_t last = 0;
    std::string fields, ids, counts, places;
    PostingRow view(int64_t segment) const {
        return PostingRow{segment, records, hits, last, fields, ids, counts, places, nullptr};
    }
};

// The stored form of sorted occurrences (field numbers below 256).
EncodedRow encodePostings(const std::vector<Occurrence>& sorted);
// The row of index format 1, where each place carried its record id and no counts
// were kept, in the present form. False when the data is damaged.
bool convertFormat1(std::string_view data, EncodedRow& out);

// True when every field of `row` is one of `fields`: its counts and ids then answer
// for those fields without its places.
bool rowWithin(const PostingRow& row, const std::bitset<256>& fields);

// Appends the entries of `row` (ids and places read) to `out`, leaving out superseded
// records; the ordinals only `withOrdinals`. False when the data is damaged.
bool decodePostings(const PostingRow& row, TermPostings& out, bool withOrdinals = true);
// Sorts entries gathered from several segments by (id, part, field).
void sortPostings(TermPostings& postings);
// Appends the records of `row` that hold the word in one of `fields` to `out`, with
// the hits there (per record only when out.hasCounts), superseded records left out.
// Reads the ids, the counts when out.hasCounts and the row lies within `fields`, else
// the places. False when the data is damaged.
bool decodeRecordHits(const PostingRow& row, const std::bitset<256>& fields, RecordHits& out);
// Sorts records gathered from several segments by id (each with its count).
void sortRecordHits(RecordHits& hits);
// The records of `row` that hold the word in one of `fields`, superseded records left
// out: the row's count when it lies within `fields` and supersedes nothing, else from
// its ids (and places); -1 when the data is damaged.
int64_t countPostingRecords(const PostingRow& row, const std::bitset<256>& fields);
// Appends the row's record ids (no record superseded) to `out`; false when damaged.
bool appendRecordIds(const PostingRow& row, std::vector<int32_t>& out);

// Ascending record ids kept as an index row stores them, each as its step from the
// one before, and decoded only as far as they are read: a page walks the first
// thousand records of a set that may hold tens of thousands.
class PackedIds {
public:
    // `count` ids in `steps`, the last of them `last`; `database` names the file in
    // the error that damaged steps give.
    PackedIds(std::string steps, size_t count, int32_t last, std::string database)
        : steps_(std::move(steps)), count_(count), last_(last), database_(std::move(database)) {}

    size_t size() const { return count_; }
    // Id i (below size()); throws the engine's format error when the steps are damaged.
    int32_t operator[](size_t i) const {
        if (i >= decoded_.size()) decodeTo(i);
        return decoded_[i];
    }

private:
    void decodeTo(size_t i) const;

    std::string steps_;
    size_t count_;
    int32_t last_;
    std::string database_;
    // What has been decoded: the ids, and where the next step begins.
    mutable std::vector<int32_t> decoded_;
    mutable size_t next_ = 0;
    mutable uint64_t id_ = 0;
};

}  // namespace zdb

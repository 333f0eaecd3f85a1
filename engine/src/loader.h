// loader.h - writes records into a database opened for writing, in batches.
// A batch is one transaction holding its records, their values, BLOBs and index
// rows: it is written whole or not at all. Each batch indexes into a segment of
// its own; a replaced or deleted record's old index rows are listed as stale
// until a merge rewrites the index without them. A merge runs in many short
// transactions, a few words at a time, so that searching readers never wait long.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database.h"
#include "postings.h"
#include "record.h"
#include "values.h"

namespace zdb {

struct InputBlob {
    int part = 0;
    int field = 0;
    std::string type;    // content type
    std::string bytes;
};

struct InputRecord {
    int64_t id = 0;                  // 0: the next free id
    RecordContent content;           // fields sorted by part and field; parts set
    std::vector<InputBlob> blobs;
};

// Hash and equality that take a string_view, so looking a word up allocates nothing.
struct WordHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
using OccurrenceMap =
    std::unordered_map<std::string, std::vector<Occurrence>, WordHash, std::equal_to<>>;

class Loader {
public:
    explicit Loader(Database& db);
    ~Loader();
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Starts a batch.
    void begin();
    // Adds (or replaces) a record in the batch; returns its id. A record that repeats
    // an id of the open batch first commits the batch and starts the next one.
    int32_t add(InputRecord& record);
    // Deletes record `id` in the batch; false when there is none.
    bool remove(int32_t id);
    // Writes the batch's index rows and commits.
    void commit();
    // Drops the batch: nothing of it is written.
    void abort();
    // Records committed so far.
    int64_t committed() const { return committed_; }
    // Rewrites the index into one segment when it has many segments or stale rows,
    // or always with `force`. Finishes a merge that an earlier run left unfinished.
    void mergeIfNeeded(bool force = false);

private:
    void indexRecord(const RecordContent& content, uint32_t& words);
    void writeValues(const RecordContent& content);
    void flushValues();
    void forget(int32_t id);
    int64_t scalar(const char* sql);
    // The integer stored under `key` in the meta table, 0 when there is none.
    int64_t metaInteger(const char* key);
    void setMeta(const char* key, int64_t value);
    void mergeAll();
    // Merges the words after `after` into segment `into`, up to a budget of rows, in
    // one transaction; false when no word was left.
    bool mergeChunk(std::string& after, int64_t upto, int64_t into);

    Database& db_;
    std::unique_ptr<Transaction> transaction_;
    int64_t segment_ = 0;
    // Segments up to mergedUpto_ were merged into mergedInto_: a record of such a
    // segment has its index rows there. While a merge runs, segments up to
    // mergingUpto_ go into mergingInto_. All 0 when there is none.
    int64_t mergedUpto_ = 0, mergedInto_ = 0, mergingUpto_ = 0, mergingInto_ = 0;
    int64_t nextId_ = 1;
    int64_t wordDelta_ = 0;
    int64_t batchRecords_ = 0;
    int64_t committed_ = 0;
    std::unordered_set<int32_t> batchIds_;
    OccurrenceMap occurrences_;
    // Value rows of the batch, written sorted at commit: in key order the b-tree
    // inserts touch neighbouring pages instead of random ones.
    struct ValueRow {
        int field;
        FieldValue value;
        int32_t id;
        int part;
        int item;
    };
    std::vector<ValueRow> values_;
};

}  // namespace zdb

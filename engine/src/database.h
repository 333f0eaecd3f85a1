// database.h - one database file ZDBS_DATA/<name>.zdb: its schema, records, BLOBs,
// word index and value index. Searching sessions open it read-only; zoltdb opens it
// for writing. The file stays in rollback-journal mode (never WAL), so a process
// that may only read the directory can still read it; a reader waits at most
// kReaderBusyMs for a writer's commit.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "postings.h"
#include "record.h"
#include "schema.h"
#include "sqlite_util.h"
#include "values.h"

namespace zdb {

inline constexpr int kReaderBusyMs = 2000;
inline constexpr int kWriterBusyMs = 30000;
inline constexpr int kFormatVersion = 1;

struct BlobContent {
    std::string type;    // content type, such as image/png
    std::string bytes;
};

// One matching value of a value field.
struct ValueMatch {
    int32_t id;
    int32_t part;
    int32_t item;
    bool operator<(const ValueMatch& o) const {
        if (id != o.id) return id < o.id;
        if (part != o.part) return part < o.part;
        return item < o.item;
    }
    bool operator==(const ValueMatch& o) const = default;
};

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Prefix };

class Database {
public:
    // The path of database `name` in `dataDir` (file names are lower case).
    static std::string pathFor(const std::string& dataDir, const std::string& name);
    // Creates the database file from `schema`; fails if it exists.
    static void create(const std::string& dataDir, const Schema& schema);
    // Opens database `name`; throws kUnknownDatabase when there is none.
    static std::shared_ptr<Database> open(const std::string& dataDir, const std::string& name,
                                          bool writable);

    const Schema& schema() const { return schema_; }
    const std::string& name() const { return schema_.name; }
    Connection& connection() { return *connection_; }

    // Record count and the total number of indexed words.
    int64_t recordCount();
    int64_t totalWords();
    // The stored record `id`, or nothing.
    std::optional<RecordContent> readRecord(int32_t id);
    bool recordExists(int32_t id);
    // Ids of all records, ascending.
    std::vector<int32_t> allRecordIds();
    // Indexed word counts of the records `ids` (sorted), in the same order.
    std::vector<uint32_t> wordCounts(const std::vector<int32_t>& ids);
    // The content type of the BLOB of `field` in `part` of record `id`, empty for none.
    std::string blobType(int32_t id, int part, int field);
    // The BLOB of `field` in `part` of record `id`, or nothing.
    std::optional<BlobContent> readBlob(int32_t id, int part, int field);
    // Every place of `term`, superseded records left out; ordinals when asked for.
    TermPostings postings(const std::string& term, bool withOrdinals = true);
    // The records that hold `term` in one of `fields`, with its hits there (per record
    // only `withCounts`).
    RecordHits recordHits(const std::string& term, const std::bitset<256>& fields, bool withCounts);
    // Words of the index that begin with `prefix`, at most `limit` + 1 of them.
    std::vector<std::string> termsWithPrefix(const std::string& prefix, size_t limit);
    // The first `limit` words of the index from `start` on (in index order) that some
    // record holds in one of `fields`, each with the number of those records.
    std::vector<std::pair<std::string, int64_t>> termCounts(const std::string& start,
                                                            const std::bitset<256>& fields, size_t limit);
    // Every word of the index, passed to `visit` in order.
    template <typename Visit> void forEachTerm(Visit visit);
    // Values of `field` that compare with `value` as `op` asks, sorted.
    std::vector<ValueMatch> matchValues(int field, CompareOp op, const FieldValue& value);
    // The first value of `field` in part 0 of each of `ids`, for sorting.
    std::vector<std::optional<FieldValue>> firstValues(int field, const std::vector<int32_t>& ids);
    // Superseded (segment, record) pairs still in the index.
    const StaleSet& stale();
    // The segment that the last finished merge wrote (0: none yet); it grows with
    // every merge, which empties the stale list.
    int64_t mergedInto();
    // Forget what is cached between commands (the stale set).
    void refresh() { staleLoaded_ = false; }
    // A prepared statement for `sql`, kept for reuse; reset and unbound.
    Statement& cached(std::string_view sql);

private:
    Database() = default;
    void loadSchema();
    size_t postingBytes(const std::string& term);

    std::unique_ptr<Connection> connection_;
    // Keyed by the SQL text itself: two texts that happen to share an address (or one
    // text stored twice) can never mix up their statements. Declared after the
    // connection: statements are finalized before it closes.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::unique_ptr<Statement>, TextHash, std::equal_to<>> statements_;
    Schema schema_;
    StaleSet stale_;
    bool staleLoaded_ = false;
};

template <typename Visit> void Database::forEachTerm(Visit visit) {
    Statement stmt(*connection_, "SELECT DISTINCT term FROM posting ORDER BY term");
    while (stmt.step()) visit(stmt.bytes(0));
}

// Binds a value's key to a statement parameter.
void bindValue(Statement& stmt, int index, const FieldValue& value);

}  // namespace zdb

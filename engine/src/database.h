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
// Format 2 keeps each index row's counts and its ids apart from its places; a file of
// format 1 is read by converting its rows and rewritten by the first command that writes it.
inline constexpr int kFormatVersion = 2;

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
    // The format the file had when opened, when opening it for writing rewrote its
    // index into the present format; else 0.
    int upgradedFrom() const { return upgradedFrom_; }
    const std::string& name() const { return schema_.name; }
    Connection& connection() { return *connection_; }

    // Record count and the total number of indexed words.
    int64_t recordCount();
    int64_t totalWords();
    // The stored record `id`, or nothing.
    std::optional<RecordContent> readRecord(int32_t id);
    // Reads record `id` now, in the caller's transaction, for takeReadAhead to hand out.
    void readAhead(int32_t id) { ahead_.insert_or_assign(id, readRecord(id)); }
    // Moves record `id` as readAhead read it into `record` and forgets it; false when
    // it was not read ahead (or was handed out already).
    bool takeReadAhead(int32_t id, std::optional<RecordContent>& record);
    // Forgets the records read ahead: a write makes them stale.
    void dropReadAhead() { ahead_.clear(); }
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
    // The records of `term` when every row of it lies within `fields`, supersedes no
    // record and follows the rows before it in id order, as they are stored (none
    // decoded), with its hits; else nothing. Nothing for a file of format 1.
    struct PlainWord {
        std::shared_ptr<const PackedIds> ids;
        int64_t hits = 0;
    };
    std::optional<PlainWord> plainWord(const std::string& term, const std::bitset<256>& fields);
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
    // Which blocks of an index row a reading asks for (postings.h).
    enum class RowBlocks { Ids, Counts, All };

    Database() = default;
    void loadSchema();
    // Rewrites an index of format 1 into the present format, in one transaction.
    void upgradeIndex();
    [[noreturn]] void damaged() const;
    // The superseded records when some are of `segment`, else null.
    const StaleSet* staleIn(int64_t segment);
    // The SQL that reads the rows of one word with `blocks`.
    const char* rowsSql(RowBlocks blocks) const;
    // The row whose columns begin at `first` of `stmt` (the order of rowsSql).
    PostingRow rowAt(const Statement& stmt, int first, RowBlocks blocks);
    // Reads the places of the row `rowid` into `row` when it lacks them.
    void readPlaces(PostingRow& row, int64_t rowid);
    // Passes each index row of `term`, in segment order, to visit(PostingRow&, rowid)
    // with `blocks` read (a row of format 1 with all of them).
    template <typename Visit> void forEachRow(const std::string& term, RowBlocks blocks, Visit visit);

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
    std::unordered_set<int64_t> staleSegments_;  // the segments of stale_
    bool staleLoaded_ = false;
    std::unordered_map<int32_t, std::optional<RecordContent>> ahead_;  // see readAhead
    int format_ = 0;         // of the file: 1 or kFormatVersion
    int upgradedFrom_ = 0;
};

template <typename Visit> void Database::forEachRow(const std::string& term, RowBlocks blocks, Visit visit) {
    Statement& stmt = cached(rowsSql(blocks));
    stmt.bind(1, std::string_view(term));
    EncodedRow converted;
    while (stmt.step()) {
        if (format_ == 1) {
            if (!convertFormat1(stmt.bytes(1), converted)) damaged();
            PostingRow row = converted.view(stmt.integer(0));
            row.stale = staleIn(row.segment);
            visit(row, int64_t{0});
        } else {
            PostingRow row = rowAt(stmt, 0, blocks);
            visit(row, stmt.integer(6));
        }
    }
    stmt.reset();
}

template <typename Visit> void Database::forEachTerm(Visit visit) {
    Statement stmt(*connection_, "SELECT DISTINCT term FROM posting ORDER BY term");
    while (stmt.step()) visit(stmt.bytes(0));
}

// Binds the counts and blocks of an index row to parameters `first` to `first` + 6
// (records, hits, last, fields, ids, counts, places).
void bindPostingRow(Statement& stmt, int first, const EncodedRow& row);

// Binds a value's key to a statement parameter.
void bindValue(Statement& stmt, int index, const FieldValue& value);

}  // namespace zdb

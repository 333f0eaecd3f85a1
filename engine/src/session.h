// session.h - the one engine session of a process: the logged-in user, the current
// base, the search sets, the sorted list, the display list, display window 1, field
// views, pending procedure lines, record controls, cursors and summaries. Created by
// ZdbStartZolt, destroyed by ZdbEndZdbs; every handle handed out belongs to it and is
// checked before use.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "charset.h"
#include "database.h"
#include "field_text.h"
#include "hit_marker.h"
#include "query.h"
#include "search.h"
#include "system_db.h"
#include "zdb.h"

namespace zdb {

inline constexpr int kMaxSets = 250;
inline constexpr size_t kMaxClusterDatabases = 32;

struct RecordRef {
    uint16_t db = 0;     // index into the base's databases
    int32_t id = 0;
};

// The records of a set or a sorted list, in order. A set of one database keeps the ids
// that its search found, shared and four bytes a record: a common word's set holds
// tens of thousands, and a gateway process pays a page fault for every 4 KiB it fills.
class Records {
public:
    Records() = default;
    // Every record in database 0 of the base.
    explicit Records(IdList ids) : ids_(std::move(ids)) {}
    // Every record in database 0, as its index row holds them.
    explicit Records(std::shared_ptr<const PackedIds> packed) : packed_(std::move(packed)) {}
    explicit Records(std::vector<RecordRef> refs) : refs_(std::move(refs)) {}

    size_t size() const { return ids_ ? ids_->size() : packed_ ? packed_->size() : refs_.size(); }
    RecordRef operator[](size_t i) const {
        if (ids_) return RecordRef{0, (*ids_)[i]};
        return packed_ ? RecordRef{0, (*packed_)[i]} : refs_[i];
    }

private:
    IdList ids_;                   // set: one database
    std::shared_ptr<const PackedIds> packed_;  // set of one word: one database
    std::vector<RecordRef> refs_;  // else: each record with its database
};

using LeafList = std::shared_ptr<const std::vector<QueryPtr>>;

// What a list of records knew of its databases when it was made, so that a record
// deleted since can be told without looking each record up (record_walk.cpp).
struct ListOrigin {
    std::vector<int64_t> mergedInto;  // per database of the base: meta merged_into then
    bool fromIndex = false;           // true: every record existed then (no S=n reference)
};

struct SearchSet {
    int number = 0;
    Records records;                  // in set order
    int64_t hits = 0;
    LeafList hitLeaves;               // the positive leaves that mark hits
    ListOrigin origin;
};

struct Base {
    std::string name;                             // as given to BASE
    std::vector<std::shared_ptr<Database>> dbs;   // one, or the cluster's
    std::vector<std::string> handedOutNames;      // per database: its name in the session's set
};

using RecordList = std::shared_ptr<const Records>;

// One entry of a display list.
struct DisplayEntry {
    std::string term;     // UTF-8: an index term, or a thesaurus term as stored
    int64_t value = 0;    // index terms: the records holding the term; thesaurus: the term's record id
    int level = 0;        // thesaurus: the level in the hierarchy (0: a top term)
    RecordRef ref;        // thesaurus: the term's record
};

// What the last DISPLAY gave.
struct DisplayList {
    int kind = 0;                      // 0: no DISPLAY yet; 1: index terms; 2: thesaurus
    std::string qualifier;             // the field named, as its schema writes it; empty: none
    std::vector<DisplayEntry> entries;
};

// One line of display window 1, in the session's character set.
struct WindowLine {
    std::string text;                          // at most the window's columns bytes
    std::vector<std::pair<int, int>> hits;     // (start from 1, length) in bytes
};

// Display window 1 as SHOW filled it: records laid out a page at a time, so that a
// page costs what its own records cost, whatever the size of the set.
struct Window {
    bool shown = false;               // a SHOW filled it (since the last BASE or window change)
    RecordList records;               // the records shown, in order
    size_t position = 0;              // position (from 0) of the next record to lay out
    LeafList hitLeaves;               // the query whose hits the lines mark
    std::string format;               // the format as SHOW gave it
    int rows = 0, columns = 0;        // the window's size when SHOW laid it out
    std::deque<WindowLine> pending;   // lines laid out but not yet on a page
    std::vector<WindowLine> page;     // the current page
    size_t nextLine = 0;              // the next line ZdbGetWindowLine gives
    size_t nextHit = 0;               // the next hit of the line given last
    bool endReported = false;         // FORWARD has answered that the records are exhausted
    std::map<uint16_t, HitSpec> hitSpecs;  // per database of the base: the hits to mark
};

// A walk: locating calls (negative record numbers) of one list, each at the position
// after (or each before) the last, with no other call of the engine between them. It tells deleted records
// from one look at each database, taken at its first call, instead of a read
// transaction per record.
struct Walk {
    const void* list = nullptr;       // the records walked (a set's or the sorted list's)
    uint64_t call = 0;                // serial number of the walk's last call
    size_t position = 0;              // the position it located last (from 1)
    int step = 0;                     // +1 forwards, -1 backwards; 0 after its first call
    struct Look {
        bool taken = false;
        bool perRecord = false;       // the stale list cannot tell: look each record up
        std::unordered_set<int32_t> stale;  // ids replaced or deleted since the last merge
    };
    std::vector<Look> looks;          // per database of the base
};

}  // namespace zdb

// A record control: the current record of one reader. forgetRecord (record_access.cpp)
// resets every field but the last two: keep it in step with this list.
struct ZdbRecordControlData {
    bool current = false;                 // holds a record
    std::shared_ptr<zdb::Database> db;
    int32_t id = 0;
    bool loaded = false;
    bool exists = false;
    zdb::RecordContent content;
    zdb::LeafList hitLeaves;
    bool hitsReady = false;
    std::vector<zdb::HitWord> hits;
    size_t nextHit = 0;
    std::string lastDatabase;             // database of the record read before
    uint64_t generation = 0;              // grows with every record made current
};

// A summarization: the text of the fields accumulated, and the summary made of it.
struct ZdbSummaryData {
    std::vector<zdb::FieldText> fields;   // the fields accumulated, with their hits
    std::string summary;                  // in the session's set, after ZdbGenerateSummary
};

// A cursor: a position in the current record of a record control.
struct ZdbCursorData {
    ZdbRecordControlData* rc = nullptr;
    int field = 0;
    int paragraph = 0;
    int item = 0;
    int part = 0;                         // part whose part fields the cursor reads
    size_t offset = 0;                    // bytes of the item already handed out
    uint64_t generation = 0;              // record generation the position belongs to
    bool cacheValid = false;              // `text` holds the item at the position
    std::string text;                     // the item as handed out
};

namespace zdb {

class Session {
public:
    // Languages 9 to 15 all use English command words and messages: none is kept.
    Session(std::string dataDir, std::string user, User account, std::unique_ptr<Charset> charset,
            std::unique_ptr<SystemDb> system);

    const std::string& dataDir() const { return dataDir_; }
    const std::string& user() const { return user_; }
    const User& account() const { return account_; }
    const Charset& charset() const { return *charset_; }
    SystemDb& system() { return *system_; }

    Base base;
    std::map<int, std::shared_ptr<SearchSet>> sets;
    int currentSet = 0;
    struct Sorted {
        int set = 0;                      // 0: no sorted list
        RecordList records;
        LeafList hitLeaves;
        ListOrigin origin;                // the set's
    } sorted;
    DisplayList display;
    Window window;
    FieldViews views;
    std::deque<std::string> procLines;    // pending procedure lines (UTF-8)
    int procExpansions = 0;               // procedure calls since the queue was last empty
    std::string procLine;                 // the line last handed out
    int windowRows = 50;
    int windowColumns = 80;
    std::vector<std::unique_ptr<ZdbRecordControlData>> recordControls;
    std::vector<std::unique_ptr<ZdbCursorData>> cursors;
    std::vector<std::unique_ptr<ZdbSummaryData>> summaries;
    std::string focusText;                // the last focus excerpt, in the session's set
    std::vector<int> focusHits;           // its hits: (start from 0, length) pairs
    Walk walk;

    // The set numbered `number` (0: the current set); throws for none.
    SearchSet& set(int number);
    // The number the next set gets, or 0 when the session holds kMaxSets sets.
    int nextSetNumber() const;
    // Drops the sets numbered `from` to `to` (and the sorted list of a dropped set).
    void dropSets(int from, int to);
    // The record control `rc`, or a throw for an unknown handle.
    ZdbRecordControlData& recordControl(ZdbRecordControl rc);
    ZdbCursorData& cursor(ZdbCursor cursor);
    // A new cursor, owned by the session.
    ZdbCursorData* newCursor();
    ZdbSummaryData& summary(ZdbSummary summary);
    // Forgets what the base's sets, sorted list, display list and window held.
    void clearResults();

private:
    std::string dataDir_;
    std::string user_;
    User account_;
    std::unique_ptr<Charset> charset_;
    std::unique_ptr<SystemDb> system_;
};

// The session of this process, or null.
Session* currentSession();
// The session; throws kNoSession when none runs.
Session& session();
void startSession(std::unique_ptr<Session> session);
void endSession();

}  // namespace zdb

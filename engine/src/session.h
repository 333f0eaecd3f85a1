// session.h - the one engine session of a process: the logged-in user, the current
// base, the search sets, the sorted list, field views, pending procedure lines,
// record controls and cursors. Created by ZdbStartZolt, destroyed by ZdbEndZdbs;
// every handle handed out belongs to it and is checked before use.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "charset.h"
#include "database.h"
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

using LeafList = std::shared_ptr<const std::vector<QueryPtr>>;

struct SearchSet {
    int number = 0;
    std::vector<RecordRef> records;   // in set order
    int64_t hits = 0;
    LeafList hitLeaves;               // the positive leaves that mark hits
};

struct Base {
    std::string name;                             // as given to BASE
    std::vector<std::shared_ptr<Database>> dbs;   // one, or the cluster's
};

}  // namespace zdb

// A record control: the current record of one reader.
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
        std::vector<RecordRef> records;
        LeafList hitLeaves;
    } sorted;
    FieldViews views;
    std::deque<std::string> procLines;    // pending procedure lines (UTF-8)
    int procExpansions = 0;               // procedure calls since the queue was last empty
    std::string procLine;                 // the line last handed out
    int windowRows = 50;
    int windowColumns = 80;
    std::vector<std::unique_ptr<ZdbRecordControlData>> recordControls;
    std::vector<std::unique_ptr<ZdbCursorData>> cursors;

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

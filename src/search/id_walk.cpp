// id_walk.cpp - the record ids of a search result, in set order (or backwards for a
// reversed result): "recordId", or "recordId.cluster" when a cluster is open, where
// the cluster number names the record's database in the controller's table.
// Invariant: at most maxHits records are examined; deleted records get no id.

#include <charconv>
#include <string>
#include <vector>

#include "entry/error_place.h"
#include "entry/zoltgw.h"
#include "search/search.h"

namespace {

// Sets the session's no-record-text flag for the lifetime of the object: the walk
// only locates records, it does not load their text.
struct LocateOnly {
    LocateOnly() { Zolt::noRecordText() = 1; }
    ~LocateOnly() { Zolt::noRecordText() = 0; }
    LocateOnly(const LocateOnly&) = delete;
    LocateOnly& operator=(const LocateOnly&) = delete;
};

}  // namespace

int Search::collectRecordIds() {
    Zolt& db = gw_.db;
    FindResult& result = gw_.findresult;
    // A reversed result is walked from its last record back to its first; a sorted
    // one is already in the order asked for.
    const bool backwards = result.reverseDefine && db.sortedFlag == 0;
    int position = backwards ? db.recordCount : -1;

    int examined = 0;
    int counted = 0;
    int code = 0;
    int cluster = 0;
    std::vector<int> ids, codes;
    while (examined < result.maxHits) {
        if (backwards && position < 1) break;
        // A forward walk locates all records but the last in one engine call; the last
        // one (or the call past the set's end) goes through getRecord, which leaves the
        // session where the walk ends.
        if (!backwards && result.maxHits - examined > 1) {
            int located = db.locateRecords(result.maxHits - examined - 1, ids, codes);
            // Ids of up to ten digits; most have four or five.
            result.rid.reserve(static_cast<size_t>(located), static_cast<size_t>(located) * 6);
            for (int i = 0; i < located; ++i) {
                if (codes[static_cast<size_t>(i)] & ZDB_RECORD_DELETED) continue;
                char id[16];
                char* end = std::to_chars(id, id + sizeof id, ids[static_cast<size_t>(i)]).ptr;
                result.rid.add(std::string_view(id, static_cast<size_t>(end - id)));
                ++counted;
            }
            examined += located;
            if (located > 0) continue;
        }
        {
            LocateOnly locate;
            code = db.getRecord(position);
        }
        if (code < 1) break;
        ++examined;
        if (backwards) --position;
        if (code & ZDB_RECORD_DELETED) continue;

        // Formatted in place and stored without a temporary: a page walks up to
        // maxHits records.
        char id[32];
        char* end = std::to_chars(id, id + sizeof id, db.recordId).ptr;
        if (db.clusterFlag) {
            // The number is looked up again only where the database changes.
            if (counted == 0 || (code & ZDB_RECORD_NEW_BASE)) cluster = gw_.createClusterByName(db.currentBase.view());
            *end++ = '.';
            end = std::to_chars(end, id + sizeof id, cluster).ptr;
        }
        result.rid.add(std::string_view(id, static_cast<size_t>(end - id)));
        ++counted;
    }

    if (counted < result.maxHits) result.rfound = counted;
    if (counted == 0) db.engineError = ZDB_NO_RECORD;
    if (counted == 0 || code < 0) return reportOutcome(db.engineError, error_line::kNoRecordCollected, false);
    return 0;
}

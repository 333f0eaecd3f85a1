// record_walk.cpp - deleted records of a walk told from the stale list.
//
// Why this holds: deleting a record lists it in the stale table (with the segment
// of its index rows), and only a finished merge removes stale rows, and every
// merge writes a new, higher merged_into. So while a database's merged_into is
// what it was when the list was made, every record of the list deleted since is in
// the stale list; a record there may also only have been replaced, so those few are
// looked up. A list that took records from other sets (S=n) may hold records that
// were gone before it was made; its records are looked up one by one.

#include "record_walk.h"

#include "api_state.h"
#include "record_access.h"
#include "sqlite_util.h"

namespace zdb {
namespace {

// The step from the walk's last position to `position` when this call continues the
// walk over `list`: +1 or -1 in the walk's own direction, with no call between; else 0.
int stepOf(const Walk& walk, const void* list, size_t position, uint64_t call) {
    if (walk.list != list || walk.call + 1 != call) return 0;
    int step = position == walk.position + 1 ? 1 : position + 1 == walk.position ? -1 : 0;
    return walk.step == 0 || step == walk.step ? step : 0;
}

// Takes the walk's look at database `index` of the base: one read transaction.
void look(Walk::Look& seen, Database& db, const ListOrigin& origin, size_t index) {
    Transaction snapshot(db.connection(), false);
    seen.perRecord = !origin.fromIndex || index >= origin.mergedInto.size() ||
                     db.mergedInto() != origin.mergedInto[index];
    if (!seen.perRecord) {
        db.refresh();  // read in this transaction, not the one of the last command
        for (uint64_t key : db.stale()) seen.stale.insert(static_cast<int32_t>(key & 0xFFFFFFFFU));
    }
    snapshot.commit();
    seen.taken = true;
}

}  // namespace

void noteOrigin(ListOrigin& origin, size_t index, Database& db) {
    if (origin.mergedInto.size() <= index) origin.mergedInto.resize(index + 1);
    origin.mergedInto[index] = db.mergedInto();
}

namespace {

// Starts a new walk over `list`: no database looked at yet.
void startWalk(Session& s, const Records& list) {
    s.walk = Walk{};
    s.walk.list = &list;
    s.walk.looks.resize(s.base.dbs.size());
}

// Whether `ref` was deleted since the list was made, from the walk's look at its database.
bool deletedSince(Session& s, Walk& walk, const ListOrigin& origin, const RecordRef& ref) {
    // The walk has a look for every database of the base; databaseOf refuses the others.
    if (ref.db >= walk.looks.size()) databaseOf(s, ref);
    Walk::Look& seen = walk.looks[ref.db];
    if (!seen.taken) look(seen, *databaseOf(s, ref), origin, ref.db);
    if (!seen.perRecord && (seen.stale.empty() || !seen.stale.count(ref.id))) return false;
    return !databaseOf(s, ref)->recordExists(ref.id);
}

}  // namespace

bool locatedRecordDeleted(Session& s, const Records& list, const ListOrigin& origin,
                          size_t position) {
    Walk& walk = s.walk;
    uint64_t call = currentCall();
    int step = stepOf(walk, &list, position, call);
    if (step == 0) startWalk(s, list);
    walk.step = step;
    walk.call = call;
    walk.position = position;
    return deletedSince(s, walk, origin, list[position - 1]);
}

std::vector<uint8_t> locatedRecordsDeleted(Session& s, const Records& list, const ListOrigin& origin,
                                        size_t first, size_t count) {
    std::vector<uint8_t> deleted(count);
    if (count == 0) return deleted;
    // The first position as a call of its own; the others continue its walk forwards,
    // as the calls that follow it one by one would.
    deleted[0] = locatedRecordDeleted(s, list, origin, first) ? 1 : 0;
    Walk& walk = s.walk;
    if (count > 1 && walk.step == -1) startWalk(s, list);  // the next call would turn the walk round
    for (size_t i = 1; i < count; ++i) deleted[i] = deletedSince(s, walk, origin, list[first - 1 + i]) ? 1 : 0;
    if (count > 1) {
        walk.step = 1;
        walk.call = currentCall();
        walk.position = first + count - 1;
    }
    return deleted;
}

}  // namespace zdb

// record_access.cpp - loading a record control's record and hits, and the cursor's field.

#include "record_access.h"

#include "api_state.h"
#include "codes.h"
#include "error.h"

namespace zdb {

// Reads the record that `rc` locates, once; a record gone since leaves empty content.
void loadContent(ZdbRecordControlData& rc) {
    if (rc.loaded) return;
    std::optional<RecordContent> record;
    if (!rc.db->takeReadAhead(rc.id, record)) record = rc.db->readRecord(rc.id);
    rc.exists = record.has_value();
    rc.content = record ? std::move(*record) : RecordContent{};
    rc.content.id = rc.id;
    rc.loaded = true;
}

namespace {

// The hits of the set's query in `rc`'s record, counted in `charset`.
std::vector<HitWord> hitsIn(Session& s, ZdbRecordControlData& rc, const Charset& charset) {
    loadContent(rc);
    if (!rc.hitLeaves || rc.hitLeaves->empty() || !rc.exists) return {};
    Search search(*rc.db, s.views, [](int) -> std::vector<int32_t> { return {}; });
    HitSpec wanted = search.hitSpec(*rc.hitLeaves);
    return markHits(rc.db->schema(), rc.content, wanted, charset);
}

}  // namespace

void loadHits(Session& s, ZdbRecordControlData& rc) {
    if (rc.hitsReady) return;
    rc.hits = hitsIn(s, rc, s.charset());
    rc.nextHit = 0;
    rc.hitsReady = true;
}

std::vector<HitWord> utf8Hits(Session& s, ZdbRecordControlData& rc) {
    static const Charset utf8(ZDB_CHARSET_UTF8);
    return hitsIn(s, rc, utf8);
}

// The record control `handle`, which must hold a record.
ZdbRecordControlData& currentRecord(Session& s, ZdbRecordControl handle) {
    ZdbRecordControlData& rc = s.recordControl(handle);
    if (!rc.current) throw EngineError(kNoCurrentRecord);
    return rc;
}

namespace {

// Forgets the record, its content and its hits, but not its database and query, which
// the next record of a walk mostly shares. Field by field: a walk forgets a record at
// every call, and what was never loaded costs nothing to forget.
void forgetRecordState(ZdbRecordControlData& rc) {
    rc.current = false;
    rc.id = 0;
    if (rc.loaded) rc.content = RecordContent{};
    rc.loaded = rc.exists = false;
    if (rc.hitsReady) rc.hits.clear();
    rc.hitsReady = false;
    rc.nextHit = 0;
    ++rc.generation;
}

}  // namespace

void forgetRecord(ZdbRecordControlData& rc) {
    forgetRecordState(rc);
    rc.db.reset();
    rc.hitLeaves.reset();
}

const std::shared_ptr<Database>& databaseOf(Session& s, const RecordRef& ref) {
    if (ref.db >= s.base.dbs.size()) throw EngineError(kInternalError, {}, "set names a closed database");
    return s.base.dbs[ref.db];
}

// Makes `ref` the current record of `rc`; returns the code with the values 2 and 4.
int makeCurrent(Session& s, ZdbRecordControlData& rc, const RecordRef& ref, const LeafList& leaves,
                Presence presence, int* recordId, char* database) {
    const std::shared_ptr<Database>& db = databaseOf(s, ref);
    int code = ZDB_OK;
    if (rc.lastDatabase != db->name()) code |= ZDB_RECORD_NEW_BASE;
    forgetRecordState(rc);
    rc.current = true;
    // Shared pointers copied only when they change: each copy is an atomic count.
    if (rc.db != db) rc.db = db;
    rc.id = ref.id;
    if (rc.hitLeaves != leaves) rc.hitLeaves = leaves;
    if (code & ZDB_RECORD_NEW_BASE) rc.lastDatabase = db->name();
    bool exists = presence == Presence::Present;
    if (presence == Presence::ReadText) {
        loadContent(rc);
        exists = rc.exists;
    } else if (presence == Presence::LookUp) {
        exists = db->recordExists(ref.id);
    }
    if (!exists) code |= ZDB_RECORD_DELETED;
    *recordId = ref.id;
    copyOut(s.base.handedOutNames[ref.db], database, ZDB_DATABASE_NAME_SIZE);
    return code;
}

// The field the cursor stands on, in its record's database.
const Field& cursorField(ZdbCursorData& cursor) {
    if (!cursor.rc || !cursor.rc->current) throw EngineError(kNoCurrentRecord);
    const Field* field = cursor.rc->db->schema().byNumber(cursor.field);
    if (!field) throw EngineError(kUnknownField, std::to_string(cursor.field));
    return *field;
}

// The part whose content the cursor reads for its field.
int effectivePart(const ZdbCursorData& cursor, const Field& field) {
    return field.isPart() ? cursor.part : 0;
}

// Starts the cursor over when its record control moved to another record: the part
// and the reading position chosen for the previous record no longer apply.
void followRecord(ZdbCursorData& cursor) {
    if (cursor.generation == cursor.rc->generation) return;
    cursor.generation = cursor.rc->generation;
    cursor.part = 0;
    cursor.offset = 0;
    cursor.cacheValid = false;
}

}  // namespace zdb

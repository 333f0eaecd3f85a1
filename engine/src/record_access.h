// record_access.h - what the record, display, window and output calls share about a
// record control's record: its content and hits loaded once, the field a cursor
// stands on, and making a record of a list current. Content and hits are loaded
// when first needed, so a record that is only located costs one lookup.
#pragma once

#include <vector>

#include "session.h"

namespace zdb {

// Reads the record that `rc` locates, once; a record gone since leaves empty content.
void loadContent(ZdbRecordControlData& rc);
// Marks the hits of the set's query in the record of `rc`, once per record read.
void loadHits(Session& s, ZdbRecordControlData& rc);
// The hits of `rc`'s record with positions and lengths in UTF-8 bytes (not cached).
std::vector<HitWord> utf8Hits(Session& s, ZdbRecordControlData& rc);
// The record control `handle`, which must hold a record.
ZdbRecordControlData& currentRecord(Session& s, ZdbRecordControl handle);
// How makeCurrent learns whether the record still exists.
enum class Presence {
    ReadText,  // reads the record's text, which tells
    LookUp,    // looks the record up (a read transaction of its own)
    Present,   // the caller knows: it exists
    Deleted,   // the caller knows: it is gone
};
// The database of the base that `ref` names.
const std::shared_ptr<Database>& databaseOf(Session& s, const RecordRef& ref);
// Makes `ref` the current record of `rc`; returns the code with the values 2 and 4.
int makeCurrent(Session& s, ZdbRecordControlData& rc, const RecordRef& ref, const LeafList& leaves,
                Presence presence, int* recordId, char* database);
// Makes `rc` hold no record (its last database and generation go on).
void forgetRecord(ZdbRecordControlData& rc);
// The field the cursor stands on, in its record's database.
const Field& cursorField(ZdbCursorData& cursor);
// The part whose content the cursor reads for `field`.
int effectivePart(const ZdbCursorData& cursor, const Field& field);
// Starts the cursor over when its record control moved to another record.
void followRecord(ZdbCursorData& cursor);

}  // namespace zdb

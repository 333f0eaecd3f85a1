// api_records.cpp - records, cursors, items in pieces, BLOBs and hit words.
// Record controls hold the current record; content and hits are loaded when first
// needed, so a record that is only located (negative number) costs one lookup.
// Items are handed out in the session's character set.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "api_state.h"
#include "record_access.h"
#include "record_walk.h"
#include "session.h"
#include "sort.h"
#include "zdb.h"

using namespace zdb;

namespace {

// Makes record n of `records` current in `handle`: the code with 2 and 4, or 0. A
// record that is only located (n < 0) is told deleted by the walk it belongs to.
int readFromList(Session& s, ZdbRecordControl handle, const Records& records,
                 const LeafList& leaves, const ListOrigin& origin, int n, int* recordId,
                 char* database) {
    if (!recordId || !database) throw EngineError(kInvalidArgument, "record call");
    ZdbRecordControlData& rc = s.recordControl(handle);
    size_t position = n < 0 ? static_cast<size_t>(-static_cast<int64_t>(n)) : static_cast<size_t>(n);
    if (n == 0 || position > records.size()) {
        forgetRecord(rc);
        return 0;
    }
    const RecordRef ref = records[position - 1];
    if (n > 0) return makeCurrent(s, rc, ref, leaves, Presence::ReadText, recordId, database);
    Presence presence =
        locatedRecordDeleted(s, records, origin, position) ? Presence::Deleted : Presence::Present;
    return makeCurrent(s, rc, ref, leaves, presence, recordId, database);
}

// Locates records first, first + 1, ... (at most count) of `records` into recordIds and
// codes as that many locating calls of readFromList would; returns how many.
int locateRun(Session& s, ZdbRecordControl handle, const Records& records, const LeafList& leaves,
              const ListOrigin& origin, int first, int count, int* recordIds, int* codes) {
    ZdbRecordControlData& rc = s.recordControl(handle);
    const auto start = static_cast<size_t>(first);
    if (first < 1 || count < 1 || start > records.size()) return 0;
    const size_t n = std::min(static_cast<size_t>(count), records.size() - start + 1);
    const std::vector<uint8_t> deleted = locatedRecordsDeleted(s, records, origin, start, n);
    // The database of the record before, as each call compares it with its own.
    const std::string* before = &rc.lastDatabase;
    size_t beforeIndex = SIZE_MAX;
    for (size_t i = 0; i < n; ++i) {
        const RecordRef ref = records[start - 1 + i];
        int code = ZDB_OK;
        if (ref.db != beforeIndex) {
            const std::string& name = databaseOf(s, ref)->name();
            if (*before != name) code |= ZDB_RECORD_NEW_BASE;
            before = &name;
            beforeIndex = ref.db;
        }
        recordIds[i] = ref.id;
        codes[i] = code | (deleted[i] ? ZDB_RECORD_DELETED : 0);
    }
    // The record control ends as the last call leaves it.
    if (n > 1) rc.lastDatabase = databaseOf(s, records[start + n - 3])->name();
    int id = 0;
    char database[ZDB_DATABASE_NAME_SIZE];
    const Presence last = deleted[n - 1] ? Presence::Deleted : Presence::Present;
    makeCurrent(s, rc, records[start + n - 2], leaves, last, &id, database);
    return static_cast<int>(n);
}

// Reads records first, first + 1, ... (at most count) of `records` ahead, in one read
// transaction per database; returns how many.
int readRun(Session& s, const Records& records, int first, int count) {
    const auto start = static_cast<size_t>(first);
    if (first < 1 || count < 1 || start > records.size()) return 0;
    const size_t n = std::min(static_cast<size_t>(count), records.size() - start + 1);
    std::vector<bool> read(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (read[i]) continue;
        const size_t index = records[start - 1 + i].db;
        Database& db = *databaseOf(s, records[start - 1 + i]);
        Transaction snapshot(db.connection(), false);
        for (size_t j = i; j < n; ++j) {
            const RecordRef& ref = records[start - 1 + j];
            if (read[j] || ref.db != index) continue;
            db.readAhead(ref.id);
            read[j] = true;
        }
        snapshot.commit();
    }
    return static_cast<int>(n);
}

// The item at the cursor as handed out, or null when there is none.
const std::string* itemAtCursor(Session& s, ZdbCursorData& cursor) {
    ZdbRecordControlData& rc = *cursor.rc;
    followRecord(cursor);
    if (cursor.cacheValid) return &cursor.text;
    const Field& field = cursorField(cursor);
    loadContent(rc);
    int part = effectivePart(cursor, field);
    if (field.isPart() && part == 0) return nullptr;
    if (field.type == ZDB_FIELD_BLOB) {
        if (cursor.paragraph != 0 || cursor.item != 0) return nullptr;
        auto blob = rc.db->readBlob(rc.id, part, field.number);
        if (!blob) return nullptr;
        cursor.text = std::move(blob->bytes);
    } else {
        const FieldContent* content = rc.content.find(part, field.number);
        if (!content) return nullptr;
        int index = cursor.paragraph - content->firstParagraph;
        if (index < 0 || static_cast<size_t>(index) >= content->paragraphs.size()) return nullptr;
        const auto& items = content->paragraphs[static_cast<size_t>(index)];
        if (cursor.item < 0 || static_cast<size_t>(cursor.item) >= items.size()) return nullptr;
        cursor.text = s.charset().toSession(items[static_cast<size_t>(cursor.item)]);
    }
    cursor.cacheValid = true;
    return &cursor.text;
}

// The cursor `*handle` (made when null), bound to record control `rc` and to its
// current record.
ZdbCursorData& cursorFor(Session& s, ZdbCursor* handle, ZdbRecordControlData& rc) {
    if (!handle) throw EngineError(kInvalidArgument, "cursor");
    ZdbCursorData* cursor = *handle ? &s.cursor(*handle) : s.newCursor();
    *handle = cursor;
    if (cursor->rc != &rc) {
        cursor->rc = &rc;
        cursor->generation = rc.generation - 1;  // not yet bound to this record
    }
    followRecord(*cursor);
    return *cursor;
}

}  // namespace

extern "C" {

int ZdbGetRecordInSearchRis(ZdbRecordControl rc, int* set, int n, int* recordId, char* database) {
    return guarded([&] {
        Session& s = session();
        if (!set) throw EngineError(kInvalidArgument, "ZdbGetRecordInSearchRis");
        SearchSet& found = s.set(*set);
        *set = found.number;
        return readFromList(s, rc, found.records, found.hitLeaves, found.origin, n, recordId, database);
    });
}

int ZdbLocateRecords(ZdbRecordControl rc, int* set, int first, int count, int* recordIds, int* codes,
                     int* located) {
    return guarded([&] {
        if (!set || !recordIds || !codes || !located) throw EngineError(kInvalidArgument, "ZdbLocateRecords");
        *located = 0;
        Session& s = session();
        SearchSet& found = s.set(*set);
        *set = found.number;
        *located = locateRun(s, rc, found.records, found.hitLeaves, found.origin, first, count, recordIds, codes);
        return ZDB_OK;
    });
}

int ZdbReadRecords(int* set, int first, int count, int* read) {
    return guarded([&] {
        if (!set || !read) throw EngineError(kInvalidArgument, "ZdbReadRecords");
        *read = 0;
        Session& s = session();
        SearchSet& found = s.set(*set);
        *set = found.number;
        *read = readRun(s, found.records, first, count);
        return ZDB_OK;
    });
}

int ZdbGetSortedRecord(int list, ZdbRecordControl rc, int n, int* recordId, char* database) {
    return guarded([&] {
        Session& s = session();
        if (list != 0) throw EngineError(kUnknownList, std::to_string(list));
        if (s.sorted.set == 0) throw EngineError(kNoSortedList);
        return readFromList(s, rc, *s.sorted.records, s.sorted.hitLeaves, s.sorted.origin, n,
                            recordId, database);
    });
}

int ZdbSortRecords(int list, const char* key) {
    return guarded([&] {
        Session& s = session();
        if (list != 0) throw EngineError(kUnknownList, std::to_string(list));
        if (!key) throw EngineError(kInvalidArgument, "ZdbSortRecords");
        sortCurrentSet(s, s.charset().toUtf8(key));
        return ZDB_OK;
    });
}

int ZdbGetNextHitWord(ZdbRecordControl handle, int* part, int* field, int* paragraph, int* item,
                      int* position, int* length) {
    return guardedValue(0, [&] {
        if (!part || !field || !paragraph || !item || !position || !length)
            throw EngineError(kInvalidArgument, "ZdbGetNextHitWord");
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, handle);
        loadHits(s, rc);
        if (rc.nextHit >= rc.hits.size()) return 0;
        const HitWord& hit = rc.hits[rc.nextHit++];
        *part = hit.part;
        *field = hit.field;
        *paragraph = hit.paragraph;
        *item = hit.item;
        *position = hit.position;
        *length = hit.length;
        return 1;
    });
}

int ZdbHitParts(ZdbRecordControl handle, int* parts, int* first, int* total) {
    return guarded([&] {
        if (!parts || !first || !total) throw EngineError(kInvalidArgument, "ZdbHitParts");
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, handle);
        loadHits(s, rc);
        std::vector<int> withHits;
        for (const HitWord& hit : rc.hits)
            if (hit.part > 0) withHits.push_back(hit.part);
        std::sort(withHits.begin(), withHits.end());
        withHits.erase(std::unique(withHits.begin(), withHits.end()), withHits.end());
        *parts = static_cast<int>(withHits.size());
        *first = withHits.empty() ? 0 : withHits.front();
        *total = rc.content.parts;
        return ZDB_OK;
    });
}

int ZdbGetHitPart(ZdbRecordControl handle, int n, int* count) {
    return guardedValue(0, [&] {
        if (!count) throw EngineError(kInvalidArgument, "ZdbGetHitPart");
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, handle);
        loadHits(s, rc);
        *count = static_cast<int>(std::count_if(rc.hits.begin(), rc.hits.end(),
                                                [&](const HitWord& hit) { return hit.part == n; }));
        return *count > 0 ? 1 : 0;
    });
}

int ZdbCheckField(ZdbRecordControl handle, const char* name, int* field, int* type, int* flags) {
    return guarded([&] {
        if (!name || !field || !type || !flags) throw EngineError(kInvalidArgument, "ZdbCheckField");
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, handle);
        std::string utf8 = s.charset().toUtf8(name);
        const Field* found = rc.db->schema().find(utf8);
        if (!found) throw EngineError(kUnknownField, utf8);
        *field = found->number;
        *type = found->type;
        *flags = found->flags;
        return ZDB_OK;
    });
}

int ZdbSetRecordPart(ZdbCursor* handle, ZdbRecordControl rcHandle, int part) {
    return guarded([&] {
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, rcHandle);
        ZdbCursorData& cursor = cursorFor(s, handle, rc);
        loadContent(rc);
        if (part < 0 || part > rc.content.parts) return static_cast<int>(ZDB_MORE);
        cursor.part = part;
        cursor.offset = 0;
        cursor.cacheValid = false;
        return static_cast<int>(ZDB_OK);
    });
}

int ZdbSetCursor(ZdbCursor* handle, ZdbRecordControl rcHandle, int field, int paragraph, int item) {
    return guarded([&] {
        Session& s = session();
        ZdbRecordControlData& rc = currentRecord(s, rcHandle);
        ZdbCursorData& cursor = cursorFor(s, handle, rc);
        int number = field < 0 ? -field : field;
        const Field* info = rc.db->schema().byNumber(number);
        if (!info) throw EngineError(kUnknownField, std::to_string(field));
        // Paragraphs of TEXT fields count from 1; paragraph 0 stands for the first.
        if (info->type == ZDB_FIELD_TEXT && paragraph == 0) paragraph = 1;
        // Placed again where it stands (the gateway places the cursor before each read),
        // the cursor keeps the item it has converted.
        if (cursor.field != number || cursor.paragraph != paragraph || cursor.item != item) cursor.cacheValid = false;
        cursor.field = number;
        cursor.paragraph = paragraph;
        cursor.item = item;
        cursor.offset = 0;
        return itemAtCursor(s, cursor) ? static_cast<int>(ZDB_OK) : static_cast<int>(ZDB_NO_MORE_ITEMS);
    });
}

int ZdbGetNextItem(ZdbCursor handle, char* buffer, int* length) {
    return guardedValue(0, [&] {
        if (!buffer || !length || *length <= 0) {
            if (length) *length = 0;
            throw EngineError(kInvalidArgument, "ZdbGetNextItem");
        }
        size_t size = static_cast<size_t>(*length);
        *length = 0;
        Session& s = session();
        ZdbCursorData& cursor = s.cursor(handle);
        if (!cursor.rc || !cursor.rc->current) return 0;
        const std::string* text = itemAtCursor(s, cursor);
        if (!text) return 0;
        const Field& field = cursorField(cursor);
        size_t remaining = text->size() - std::min(cursor.offset, text->size());
        size_t piece = std::min(remaining, size);
        std::memcpy(buffer, text->data() + cursor.offset, piece);
        cursor.offset += piece;
        bool nulTerminated = field.type != ZDB_FIELD_BLOB && piece < size;
        if (nulTerminated) buffer[piece] = '\0';
        *length = nulTerminated ? -static_cast<int>(piece) : static_cast<int>(piece);
        if (piece < remaining) return static_cast<int>(ZDB_MORE);
        // Read to its end: the cursor moves to the next item of the paragraph.
        ++cursor.item;
        cursor.offset = 0;
        cursor.cacheValid = false;
        return 1;
    });
}

int ZdbCheckCursor(ZdbCursor handle, ZdbRecordControl* rc, int* field, int* paragraph, int* item) {
    return guarded([&] {
        if (!rc || !field || !paragraph || !item) throw EngineError(kInvalidArgument, "ZdbCheckCursor");
        ZdbCursorData& cursor = session().cursor(handle);
        *rc = cursor.rc;
        *field = cursor.field;
        *paragraph = cursor.paragraph;
        *item = cursor.item;
        return ZDB_OK;
    });
}

int ZdbGetBlobSize(ZdbCursor handle, int* size) {
    return guarded([&] {
        if (!size) throw EngineError(kInvalidArgument, "ZdbGetBlobSize");
        Session& s = session();
        ZdbCursorData& cursor = s.cursor(handle);
        const Field& field = cursorField(cursor);
        if (field.type != ZDB_FIELD_BLOB) throw EngineError(kNotABlobField, field.name);
        const std::string* bytes = itemAtCursor(s, cursor);
        *size = bytes ? static_cast<int>(bytes->size()) : 0;
        return ZDB_OK;
    });
}

int ZdbGetBlobBlock(ZdbCursor handle, int block, int size, char* buffer, int* received) {
    return guarded([&] {
        if (!buffer || !received || block < 1 || size < 0)
            throw EngineError(kInvalidArgument, "ZdbGetBlobBlock");
        *received = 0;
        Session& s = session();
        ZdbCursorData& cursor = s.cursor(handle);
        const Field& field = cursorField(cursor);
        if (field.type != ZDB_FIELD_BLOB) throw EngineError(kNotABlobField, field.name);
        const std::string* bytes = itemAtCursor(s, cursor);
        if (!bytes) return ZDB_OK;
        // Widened before multiplying: block * size may pass the range of int.
        uint64_t start = static_cast<uint64_t>(block - 1) * static_cast<uint64_t>(size);
        if (start >= bytes->size()) return ZDB_OK;
        size_t piece = std::min<uint64_t>(static_cast<uint64_t>(size), bytes->size() - start);
        std::memcpy(buffer, bytes->data() + start, piece);
        *received = static_cast<int>(piece);
        return ZDB_OK;
    });
}

}  // extern "C"

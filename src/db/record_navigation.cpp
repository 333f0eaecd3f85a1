// record_navigation.cpp - the current record of the session: reading it from the set
// or the sorted list with its hit table, selecting a field and a part, placing the
// cursor, and reading one item in pieces with the hits that lie in it.
// Invariant: every engine text is read only up to the length it reports within the
// buffer given; once state is negative, only getField works again (it resets state).

#include <algorithm>
#include <cstring>

#include "cgi/response.h"
#include "db/session_state.h"
#include "db/zolt.h"

namespace {

bool isOdd(int code) { return (code & 1) != 0; }

// Bytes of one piece of an item: the buffer the engine fills and the size it is told.
constexpr int kPieceBuffer = 1024;

// The bytes of a piece the engine wrote: a negative length counts a NUL-terminated
// piece; neither may reach past the size it was given.
std::string_view pieceOf(const char* buffer, int length, int size) {
    int count = std::min(length < 0 ? -length : length, size);
    return {buffer, static_cast<std::size_t>(std::max(count, 0))};
}

}  // namespace

int& Zolt::noRecordText() {
    static int flag = 0;
    return flag;
}

int Zolt::getRecord(int position) {
    if (state != 0) return state;
    if (position != -1) recordNumber = position;
    int number = noRecordText() ? -recordNumber : recordNumber;
    char database[ZDB_DATABASE_NAME_SIZE] = {0};
    int result = 0;

    if (sortedFlag < 1) {
        result = ZdbGetRecordInSearchRis(recordControl, &searchSet, number, &recordId, database);
        lastRc = result;
        if (result == 0) {
            ZdbEraseRecordControl(recordControl);
            return 0;
        }
    } else {
        if (recordNumber > recordCount) return 0;
        result = ZdbGetSortedRecord(0, recordControl, number, &recordId, database);
        lastRc = result;
        if (result == 0) {
            ZdbEraseRecordControl(recordControl);
            return 0;
        }
        if (isOdd(result)) {
            database[sizeof database - 1] = '\0';
            // A record deleted since the sort is passed on with its mark, so that the
            // caller skips it and goes on to the records after it in the sorted list.
            bool deleted = (result & ZDB_RECORD_DELETED) != 0;
            bool newBase = lastRecordBase().view() != database;
            if (newBase && !deleted) lastRecordBase() = database;
            result = (newBase ? 3 : 1) | (deleted ? ZDB_RECORD_DELETED : 0);
        }
    }
    if (!isOdd(result)) {
        engineError = result;
        state = zolt_state::kRecordFailed;
        return state;
    }
    database[sizeof database - 1] = '\0';
    if (clusterFlag) currentBase = database;

    fieldNumber = partNumber = fieldType = 0;
    if (position == -1) ++recordNumber;
    hitTotal = hitIndex = 0;
    hitTable.clear();
    if (hilite != 0 && !noRecordText()) {
        hitTotal = hitTable.load(recordControl);
        hitTablesAllocated = 1;
    }
    return result;
}

int Zolt::locateRecords(int count, std::vector<int>& ids, std::vector<int>& codes) {
    if (state != 0 || sortedFlag >= 1 || clusterFlag || count < 1) return 0;
    ids.resize(static_cast<std::size_t>(count));
    codes.resize(static_cast<std::size_t>(count));
    int located = 0;
    int result = ZdbLocateRecords(recordControl, &searchSet, recordNumber, count, ids.data(), codes.data(), &located);
    if (!isOdd(result) || located < 1) return 0;
    located = std::min(located, count);
    // What the last of those getRecord calls leaves behind.
    const auto last = static_cast<std::size_t>(located - 1);
    recordNumber += located;
    recordId = ids[last];
    lastRc = codes[last];
    fieldNumber = partNumber = fieldType = 0;
    hitTotal = hitIndex = 0;
    hitTable.clear();
    return located;
}

int Zolt::readRecords(int first, int count) {
    int read = 0;
    return isOdd(ZdbReadRecords(&searchSet, first, count, &read)) ? read : 0;
}

int Zolt::getField(const char* name, int part) {
    state = 0;
    fieldNumber = 0;
    int flags = 0;
    int code = ZdbCheckField(recordControl, name ? name : "", &fieldNumber, &fieldType, &flags);
    lastRc = code;
    if (!isOdd(code)) {
        engineError = code;
        state = zolt_state::kUnknownField;
        return state;
    }
    partField = flags & ZDB_FIELD_FLAG_PART;
    if (fieldType == 14) fieldType = ZDB_FIELD_TEXT;  // an older engine's second text type

    auto toFieldStart = [this] {
        itemNumber = 0;
        paragraphNumber = fieldType == ZDB_FIELD_TEXT ? 1 : 0;
    };
    partNumber = 0;
    toFieldStart();
    if (setCursor() != 0) {
        state = zolt_state::kFieldCursor;
        return state;
    }

    int result = code;
    if (partField && part != 0) {
        toFieldStart();
        if (setCursor() != 0) {
            result = state = zolt_state::kPartCursor;
        } else {
            partNumber = part;
            int partCode = ZdbSetRecordPart(&cursor, recordControl, part);
            lastRc = partCode;
            if (partCode == ZDB_MORE) {
                result = 0;  // the record has no such part
            } else {
                int rc = ZdbRetCode();
                if (!isOdd(rc)) {
                    engineError = rc;
                    result = zolt_state::kPartFailed;
                } else {
                    result = part;
                }
            }
        }
        if (result < 0) {
            state = zolt_state::kFieldPart;
            return state;
        }
    }

    hitIndex = 0;
    if (hilite != 0 && hitTotal != 0) hitIndex = hitTable.firstOf(fieldNumber, partNumber);
    return result;
}

int Zolt::setCursor() {
    if (state != 0) return state;
    int field = fieldSign ? -fieldNumber : fieldNumber;
    int code = ZdbSetCursor(&cursor, recordControl, field, paragraphNumber, itemNumber);
    lastRc = code;
    if (code == ZDB_NO_MORE_ITEMS || isOdd(code)) return 0;
    engineError = code;
    state = zolt_state::kCursorFailed;
    return state;
}

int Zolt::setCursor(int paragraph, int item) {
    if (paragraph != 0 && fieldType == ZDB_FIELD_TEXT) {
        paragraphNumber = paragraph;
        itemNumber = 0;
    }
    if (item != 0) itemNumber = item - 1;  // callers count items from 1, the engine from 0
    if (setCursor() != 0) {
        state = zolt_state::kCursorProbe;
        return state;
    }
    char probe[2] = {0};
    int length = 1;
    lastRc = ZdbGetNextItem(cursor, probe, &length);
    return lastRc != 0 ? 1 : 0;
}

int Zolt::getItem(ItemText& item, int direct) {
    if (state != 0) return state;
    if (setCursor() != 0) {
        state = zolt_state::kItemCursor;
        return state;
    }
    item.clear();
    // The item read is the one the cursor was placed on: its hits are looked up by
    // this position, since the engine moves the cursor on once the item is read.
    const int readParagraph = paragraphNumber;
    const int readItem = itemNumber;

    char buffer[kPieceBuffer];
    int code = 0;
    bool readAny = false;
    for (;;) {
        int length = kPieceBuffer - 1;
        code = ZdbGetNextItem(cursor, buffer, &length);
        lastRc = ZdbRetCode();
        if (!isOdd(lastRc)) {
            engineError = lastRc;
            state = zolt_state::kItemRead;
            return state;
        }
        std::string_view piece = pieceOf(buffer, length, kPieceBuffer - 1);
        if (!piece.empty()) readAny = true;
        if (direct) writeResponse(piece);
        else item.text.append(piece);
        // A "more follows" without bytes would never end.
        if (code != ZDB_MORE || piece.empty()) break;
    }

    ZdbRecordControl where = nullptr;
    ZdbCheckCursor(cursor, &where, &fieldNumber, &paragraphNumber, &itemNumber);
    if (!isOdd(ZdbRetCode())) {
        engineError = ZdbRetCode();
        state = zolt_state::kItemWhere;
        return state;
    }

    if (code == 0 && !readAny) return emptyItem();

    if (!direct && hitIndex != 0) {
        int last = 0;
        item.hits = hitTable.spansOf(fieldNumber, partNumber, readParagraph, readItem,
                                     static_cast<int>(item.text.size()), last);
        // The next hit of this field lies after the last one taken here.
        if (last != 0) hitIndex = hitTable.firstOf(fieldNumber, partNumber, last + 1);
    }
    return itemNumber;
}

int Zolt::emptyItem() {
    if (fieldType != ZDB_FIELD_TEXT) return 0;
    // The paragraph has no item left: move on to the next one, or mark the end of
    // the field (paragraphNumber 0) when there is none.
    ++paragraphNumber;
    itemNumber = 0;
    if (setCursor() != 0) {
        state = zolt_state::kNextParagraph;
        return state;
    }
    char probe[kPieceBuffer];
    int length = kPieceBuffer - 1;
    lastRc = ZdbGetNextItem(cursor, probe, &length);
    if (lastRc == 0) {
        paragraphNumber = 0;
        return 0;
    }
    if (setCursor() != 0) {  // the probe moved the cursor: back to the paragraph's start
        state = zolt_state::kParagraphBack;
        return state;
    }
    return 0;
}

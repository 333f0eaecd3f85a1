// api_display.cpp - the calls that read what DISPLAY and SHOW made: the display list
// (ZdbGetDisplay, ZdbGetDisplayTerm), the thesaurus terms' records
// (ZdbGetRecordInThes) and the lines and hits of display window 1.

#include <cstring>

#include "api_state.h"
#include "display.h"
#include "record_access.h"
#include "session.h"
#include "session_text.h"
#include "zdb.h"

using namespace zdb;

namespace {

// The display list, which a DISPLAY must have made.
DisplayList& displayList(Session& s) {
    if (s.display.kind == 0) throw EngineError(kWrongOrderType);
    return s.display;
}

// Display window `number`, which a SHOW must have filled.
Window& shownWindow(Session& s, int number) {
    if (number != 1) throw EngineError(kInvalidWindow);
    if (!s.window.shown) throw EngineError(kWrongOrderType);
    return s.window;
}

}  // namespace

extern "C" {

int ZdbGetDisplay(int* count, int* kind) {
    return guarded([&] {
        if (!count || !kind) throw EngineError(kInvalidArgument, "ZdbGetDisplay");
        DisplayList& list = displayList(session());
        *count = static_cast<int>(list.entries.size());
        *kind = list.kind;
        return ZDB_OK;
    });
}

int ZdbGetDisplayTerm(int n, char* text, int* length, int* value) {
    return guarded([&] {
        if (!text || !length || *length < 1 || !value) throw EngineError(kInvalidArgument, "ZdbGetDisplayTerm");
        Session& s = session();
        DisplayList& list = displayList(s);
        size_t position = n < 0 ? static_cast<size_t>(-static_cast<int64_t>(n)) : static_cast<size_t>(n);
        if (position < 1 || position > list.entries.size()) {
            text[0] = '\0';
            *length = 0;
            *value = 0;
            return 0;
        }
        const DisplayEntry& entry = list.entries[position - 1];
        std::string term = n > 0 ? displaySearchTerm(list, entry) : entry.term;
        // Cut at a character boundary to the caller's buffer, with room for the NUL.
        std::string out = fitSession(s.charset(), term, static_cast<size_t>(*length) - 1);
        std::memcpy(text, out.c_str(), out.size() + 1);
        *length = static_cast<int>(out.size());
        *value = static_cast<int>(std::min<int64_t>(entry.value, INT32_MAX));
        return static_cast<int>(ZDB_OK);
    });
}

int ZdbGetRecordInThes(ZdbRecordControl handle, int n, int* level) {
    return guarded([&] {
        if (!level) throw EngineError(kInvalidArgument, "ZdbGetRecordInThes");
        Session& s = session();
        ZdbRecordControlData& rc = s.recordControl(handle);
        DisplayList& list = displayList(s);
        if (list.kind != 2) throw EngineError(kWrongOrderType);
        *level = 0;
        if (n < 1 || static_cast<size_t>(n) > list.entries.size()) {
            forgetRecord(rc);
            return 0;
        }
        const DisplayEntry& entry = list.entries[static_cast<size_t>(n) - 1];
        *level = entry.level;
        int recordId = 0;
        char database[ZDB_DATABASE_NAME_SIZE];
        return makeCurrent(s, rc, entry.ref, nullptr, Presence::LookUp, &recordId, database);
    });
}

int ZdbGetWindowLine(int number, char* line) {
    return guarded([&] {
        if (!line) throw EngineError(kInvalidArgument, "ZdbGetWindowLine");
        Window& window = shownWindow(session(), number);
        if (window.nextLine >= window.page.size()) return 0;
        // Lines hold at most the window's columns bytes: the caller's columns + 1 suffice.
        const std::string& text = window.page[window.nextLine++].text;
        std::memcpy(line, text.c_str(), text.size() + 1);
        window.nextHit = 0;
        return static_cast<int>(ZDB_OK);
    });
}

int ZdbGetWindowHit(int number, int* start, int* length) {
    return guarded([&] {
        if (!start || !length) throw EngineError(kInvalidArgument, "ZdbGetWindowHit");
        Window& window = shownWindow(session(), number);
        if (window.nextLine == 0 || window.nextLine > window.page.size()) return 0;
        const WindowLine& given = window.page[window.nextLine - 1];
        if (window.nextHit >= given.hits.size()) return 0;
        auto [from, bytes] = given.hits[window.nextHit++];
        *start = from;
        *length = bytes;
        return static_cast<int>(ZDB_OK);
    });
}

}  // extern "C"

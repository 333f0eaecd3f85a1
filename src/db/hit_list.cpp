// hit_list.cpp - the set-making orders (FIND, FUZZY, DISPLAY), display terms one by
// one, and the hit list of display window 1 written page by page with its hits marked.
// Invariant: every engine text is read within the buffer it was given; the page and
// line texts grow as needed, so no window size or escaping overruns anything.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/response.h"
#include "db/session_state.h"
#include "db/zolt.h"

namespace {

bool isOdd(int code) { return (code & 1) != 0; }

// The window's limits: values from the request outside them take the defaults.
constexpr int kMinRows = 2, kMaxRows = 100, kDefaultRows = 50;
constexpr int kMinColumns = 2, kMaxColumns = 10000, kDefaultColumns = 80;
// Pages turned at most per hit list.
constexpr int kMaxPageTurns = 10000;
// Bytes of a display term the engine may write.
constexpr int kTermBuffer = 1024;

}  // namespace

int Zolt::findDisplay(const char* text) {
    int result = findDisplay(text, 3);
    if (result < 0) state = result = zolt_state::kFuzzyFailed;
    return result;
}

int Zolt::findDisplay(const char* text, int mode) {
    recordCount = hitCount = 0;
    const char* word = mode == 0 ? "FIN" : mode == 3 ? "FUZ" : "DIS";
    int result = doCommand(shellSymbol(word), text);
    lastRc = result;
    if (result == ZDB_NO_HITS || result == ZDB_NO_RECORD) {
        engineError = result;
        return result;
    }
    if (result != 0) {
        state = zolt_state::kOrderFailed;
        return state;
    }
    if (mode == 0 || mode == 3) {
        if (orderType != ZDB_ORDER_FIND && orderType != ZDB_ORDER_FUZZY) {
            state = zolt_state::kFindOrderType;
            return state;
        }
        if (getSearch() != 0) {
            state = zolt_state::kFindCounts;
            return state;
        }
    } else {
        if (orderType != ZDB_ORDER_DISPLAY) {
            state = zolt_state::kDisplayOrderType;
            return state;
        }
        searchSet = hitCount = 0;
        lastRc = ZdbGetDisplay(&recordCount, &displayKind);
        if (!isOdd(lastRc)) {
            engineError = lastRc;
            state = zolt_state::kDisplayCounts;
            return state;
        }
    }
    recordId = 0;
    recordNumber = 1;
    return 0;
}

int Zolt::getDisplayTerm(StrBuf& term, int& value, int position) {
    if (position != 0) recordNumber = position;
    else position = recordNumber;
    // A thesaurus display has no count of its own here: the engine says where it ends.
    if (position > recordCount && displayKind != 2) return 0;
    value = 0;
    char text[kTermBuffer] = {0};
    int length = kTermBuffer;
    lastRc = ZdbGetDisplayTerm(termSign ? -position : position, text, &length, &value);
    if (!isOdd(lastRc)) {
        engineError = lastRc;
        state = zolt_state::kDisplayTerm;
        return state;
    }
    std::size_t size = std::clamp(length, 0, kTermBuffer);
    term = std::string_view(text, strnlen(text, size));
    ++recordNumber;
    return position;
}

int Zolt::outputFormat(const char* show, int rows, int columns, int all) {
    if (rows < kMinRows || rows > kMaxRows) rows = kDefaultRows;
    if (columns < kMinColumns || columns > kMaxColumns) columns = kDefaultColumns;
    if (rows != kDefaultRows || columns != kDefaultColumns) {
        lastRc = ZdbDefineWindow(1, rows, columns);
        if (!isOdd(lastRc)) {
            engineError = lastRc;
            state = zolt_state::kWindowRedefine;
            return state;
        }
    }

    std::string format = show ? show : "";
    std::string arguments;
    if (all == 0 || sortedFlag < 1) {
        arguments = shellSymbol("RXX");
        arguments += '=';
        arguments += shellSymbol("FRL");
        arguments += " 1 " + format;
    } else {
        arguments = shellSymbol("SOR");
        arguments += "=#0 " + format;
    }
    if (doCommand(shellSymbol("SHO"), arguments.c_str()) < 0) {
        state = zolt_state::kShowFailed;
        return state;
    }

    // A window defined by an earlier hit list of this process stays in force even
    // when this one sends no definition: the line buffer holds the widest window.
    std::vector<char> line(kMaxColumns + 1);
    StrBuf page;
    ItemText lineText;
    for (int turns = 0;; ++turns) {
        page.clear();
        for (;;) {
            std::fill(line.begin(), line.end(), '\0');
            if (ZdbGetWindowLine(1, line.data()) == 0) break;
            lineText.clear();
            lineText.text.assign(line.data(), strnlen(line.data(), line.size() - 1));
            int start = 0, length = 0;
            // A line holds at most one hit per column.
            for (int hits = 0; hits < kMaxColumns && isOdd(ZdbGetWindowHit(1, &start, &length)); ++hits)
                lineText.hits.push_back(HitSpan{start - 1, length});  // columns count from 1
            appendMarked(page, lineText, -1);
            page.appendChar('\n');
        }
        writeResponse(page.view());
        int result = doCommand(shellSymbol("SCF"), "");
        if (result < 0) {
            state = zolt_state::kForwardFailed;
            return state;
        }
        if (result == ZDB_NO_MORE_TO_SHOW || result == ZDB_END_OF_DISPLAY || turns >= kMaxPageTurns) break;
    }
    return 0;
}

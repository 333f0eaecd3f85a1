// window.cpp - parsing SHOW, and paging through the records it shows.

#include "window.h"

#include <charconv>

#include "codes.h"
#include "error.h"
#include "messages.h"
#include "text_util.h"
#include "window_lines.h"

namespace zdb {
namespace {

// The hits to mark in records of database `index` of the base, worked out once per SHOW.
const HitSpec& hitSpecFor(Session& s, Window& window, uint16_t index) {
    auto it = window.hitSpecs.find(index);
    if (it != window.hitSpecs.end()) return it->second;
    HitSpec hits;
    if (window.hitLeaves && !window.hitLeaves->empty()) {
        Search search(*s.base.dbs[index], s.views, [](int) -> std::vector<int32_t> { return {}; });
        hits = search.hitSpec(*window.hitLeaves);
    }
    return window.hitSpecs.emplace(index, std::move(hits)).first->second;
}

// Lays out the record at the window's next position into its pending lines.
void layOutNext(Session& s, Window& window, const LineFormat& format) {
    size_t number = ++window.position;
    const RecordRef ref = (*window.records)[number - 1];
    if (ref.db >= s.base.dbs.size()) throw EngineError(kInternalError, {}, "window names a closed database");
    Database& db = *s.base.dbs[ref.db];
    auto record = db.readRecord(ref.id);
    FieldText line;
    if (!record) {
        // Deleted since the set was made: its number, and the engine's word for it.
        line.text = std::to_string(number) + " " +
                    fillMessage(*catalogueText(ZDB_RECORD_GONE), std::to_string(ref.id));
    } else {
        static const Charset utf8(ZDB_CHARSET_UTF8);
        std::vector<HitWord> hits = markHits(db.schema(), *record, hitSpecFor(s, window, ref.db), utf8);
        line = recordLine(db.schema(), *record, hits, format, number);
    }
    for (WindowLine& piece : wrapLine(line, s.charset(), window.columns))
        window.pending.push_back(std::move(piece));
}

// Fills the window's next page; false when no line was left for it.
bool fillPage(Session& s, Window& window) {
    LineFormat format = parseLineFormat(window.format, s.base.dbs);
    window.page.clear();
    window.nextLine = 0;
    window.nextHit = 0;
    while (window.page.size() < static_cast<size_t>(window.rows)) {
        if (window.pending.empty()) {
            if (window.position >= window.records->size()) break;
            layOutNext(s, window, format);
            continue;
        }
        window.page.push_back(std::move(window.pending.front()));
        window.pending.pop_front();
    }
    return !window.page.empty();
}

// The next blank-separated word of `text`, which moves past it.
std::string_view nextWord(std::string_view& text) {
    text = trim(text);
    size_t end = text.find_first_of(" \t");
    std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    return word;
}

// The position n (from 1) of "FROM n" at the start of `text`, which moves past it.
size_t fromPosition(std::string_view& text) {
    std::string_view from = nextWord(text);
    if (!equalsIgnoreCase(from, "FROM")) throw EngineError(kSyntaxError, from.empty() ? "R=" : std::string(from));
    std::string_view digits = nextWord(text);
    size_t n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || n < 1)
        throw EngineError(kSyntaxError, digits.empty() ? "FROM" : std::string(digits));
    return n;
}

}  // namespace

int runShow(Session& s, std::string_view arguments) {
    if (s.base.dbs.empty()) throw EngineError(kNoBase);
    arguments = trim(arguments);
    size_t eq = arguments.find('=');
    if (eq == std::string_view::npos) throw EngineError(kSyntaxError, arguments.empty() ? "SHOW" : std::string(arguments));
    std::string list = upperCase(trim(arguments.substr(0, eq)));
    std::string_view rest = arguments.substr(eq + 1);
    Window window;
    size_t from = 1;
    if (list == "R") {
        from = fromPosition(rest);
        int number = s.set(0).number;
        const std::shared_ptr<SearchSet>& set = s.sets.at(number);
        window.records = RecordList(set, &set->records);  // shares the set, copies nothing
        window.hitLeaves = set->hitLeaves;
    } else if (list == "SORT") {
        std::string_view which = nextWord(rest);
        if (which != "#0") throw EngineError(kUnknownList, std::string(which));
        if (s.sorted.set == 0) throw EngineError(kNoSortedList);
        window.records = s.sorted.records;
        window.hitLeaves = s.sorted.hitLeaves;
    } else {
        throw EngineError(kSyntaxError, list);
    }
    std::string_view format = rest;
    window.format = std::string(trim(format));
    parseLineFormat(window.format, s.base.dbs);  // refuse an unknown format before anything is shown
    window.shown = true;
    window.rows = s.windowRows;
    window.columns = s.windowColumns;
    window.position = from - 1;
    s.window = std::move(window);
    if (s.window.position >= s.window.records->size()) {
        s.window.endReported = true;
        return ZDB_NO_MORE_TO_SHOW;
    }
    fillPage(s, s.window);
    return ZDB_OK;
}

int runForward(Session& s, std::string_view arguments) {
    if (!trim(arguments).empty()) throw EngineError(kSyntaxError, std::string(trim(arguments)));
    Window& window = s.window;
    if (!window.shown) throw EngineError(kWrongOrderType);
    if (window.endReported) {
        window.page.clear();
        return ZDB_END_OF_DISPLAY;
    }
    if (!fillPage(s, window)) {
        window.endReported = true;
        return ZDB_NO_MORE_TO_SHOW;
    }
    return ZDB_OK;
}

}  // namespace zdb

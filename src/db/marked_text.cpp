// marked_text.cpp - an item's text written as HTML with its hits marked: the one place
// where record text is escaped and hit marks are placed, for items, window lines and teasers.
// Invariant: marks and cuts fall only between whole characters of the session's set,
// so no escape sequence and no multi-byte character is ever split, and every mark
// that is opened is closed.

#include <algorithm>
#include <string>

#include "cgi/http_output.h"
#include "db/character_set.h"
#include "db/zolt.h"

namespace {

// The marks around one hit as `marking` (a hilite value) asks: hilon/hiloff (1), a
// numbered anchor that links to the next hit (2), or none.
struct HitMarks {
    Zolt& session;
    int marking;

    void open(StrBuf& out) {
        if (marking == 1) {
            out.append(session.hilon.view());
        } else if (marking == 2) {
            ++session.anchorCounter;
            out.append("<a class=\"zgwnav\" name=\"hit" + std::to_string(session.anchorCounter) +
                       "\" href=#hit" + std::to_string(session.anchorCounter + 1) + ">");
        }
    }
    void close(StrBuf& out) {
        if (marking == 1) out.append(session.hiloff.view());
        else if (marking == 2) out.append("</a>");
    }
};

}  // namespace

int Zolt::appendMarked(StrBuf& out, const ItemText& item, int limit) { return appendMarked(out, item, limit, hilite); }

int Zolt::appendMarked(StrBuf& out, const ItemText& item, int limit, int marking) {
    std::string_view text = item.text;
    std::size_t budget = limit < 0 ? text.size() : std::min<std::size_t>(static_cast<std::size_t>(limit), text.size());
    HitMarks marks{*this, marking};
    std::size_t at = 0;        // start of the next character
    std::size_t runStart = 0;  // start of the text not yet written
    std::size_t next = 0;      // the next span to open
    bool inHit = false;
    std::size_t hitEnd = 0;

    auto flushRun = [&] {
        appendHtmlText(out, text.substr(runStart, at - runStart), encoding);
        runStart = at;
    };
    // In a single-byte set nothing happens between one mark (or the limit) and the
    // next, so the bytes up to there are taken in one step instead of one by one.
    const bool singleByte = isSingleByteSet(encoding);
    auto nextStop = [&] {
        std::size_t stop = std::min(budget, text.size());
        if (inHit) stop = std::min(stop, hitEnd);
        else if (next < item.hits.size()) stop = std::min(stop, static_cast<std::size_t>(std::max(item.hits[next].start, 0)));
        return std::max(stop, at + 1);
    };
    while (at < text.size()) {
        std::size_t length = singleByte ? 1 : characterLength(text, at, encoding);
        if (at + length > budget) break;
        if (inHit && at >= hitEnd) {
            flushRun();
            marks.close(out);
            inHit = false;
        }
        while (!inHit && next < item.hits.size()) {
            const HitSpan& span = item.hits[next];
            auto start = static_cast<std::size_t>(std::max(span.start, 0));
            if (span.length <= 0 || start + static_cast<std::size_t>(span.length) <= at) {
                ++next;  // empty, or lying wholly in text already written
                continue;
            }
            if (start >= at + length) break;  // begins in a later character
            // The hit begins in this character: the mark goes before the whole character.
            flushRun();
            marks.open(out);
            inHit = true;
            hitEnd = start + static_cast<std::size_t>(span.length);
            ++next;
        }
        at = singleByte ? nextStop() : at + length;
    }
    flushRun();
    if (inHit) marks.close(out);
    return static_cast<int>(at);
}

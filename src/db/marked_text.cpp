// marked_text.cpp - an item's text written as HTML with its hits marked: the one place
// where record text is escaped and hit marks are placed, for items and window lines.
// Invariant: marks and cuts fall only between whole characters of the session's set,
// so no escape sequence and no multi-byte character is ever split, and every mark
// that is opened is closed.

#include <string>

#include "cgi/http_output.h"
#include "db/character_set.h"
#include "db/zolt.h"

namespace {

// The marks around one hit as hilite asks: hilon/hiloff (1), a numbered anchor that
// links to the next hit (2), or none.
struct HitMarks {
    Zolt& session;

    void open(StrBuf& out) {
        if (session.hilite == 1) {
            out.append(session.hilon.view());
        } else if (session.hilite == 2) {
            ++session.anchorCounter;
            out.append("<a class=\"zgwnav\" name=\"hit" + std::to_string(session.anchorCounter) +
                       "\" href=#hit" + std::to_string(session.anchorCounter + 1) + ">");
        }
    }
    void close(StrBuf& out) {
        if (session.hilite == 1) out.append(session.hiloff.view());
        else if (session.hilite == 2) out.append("</a>");
    }
};

}  // namespace

int Zolt::appendMarked(StrBuf& out, const ItemText& item, int limit) {
    std::string_view text = item.text;
    std::size_t budget = limit < 0 ? text.size() : std::min<std::size_t>(static_cast<std::size_t>(limit), text.size());
    HitMarks marks{*this};
    std::size_t at = 0;        // start of the next character
    std::size_t runStart = 0;  // start of the text not yet written
    std::size_t next = 0;      // the next span to open
    bool inHit = false;
    std::size_t hitEnd = 0;

    auto flushRun = [&] {
        appendHtmlText(out, text.substr(runStart, at - runStart), encoding);
        runStart = at;
    };
    while (at < text.size()) {
        std::size_t length = characterLength(text, at, encoding);
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
        at += length;
    }
    flushRun();
    if (inHit) marks.close(out);
    return static_cast<int>(at);
}

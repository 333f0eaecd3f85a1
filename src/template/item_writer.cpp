// item_writer.cpp - itemLooper and outputItem: the items of the field at the session's
// cursor, written under the settings of the field reference (separators, character and
// item limits, link values, byte codes, link prefix, fillers), or judged for a waiting
// ISEMPTY/NEMPTY test. Record text is data: as HTML it is escaped and its hits marked by
// the session; as a link value it is encoded; it is never written as markup.

#include <algorithm>
#include <string>

#include "cgi/ascii.h"
#include "cgi/link_value.h"
#include "cgi/response.h"
#include "config/config_syntax.h"
#include "db/session_state.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"

namespace {

// Largest piece of field text handed to the response at once (bytes).
constexpr std::size_t kOutputPiece = 4096;

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool hasNonWhite(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return !isWhite(c); });
}

// The item cut before the first `cut` character, its hits clipped to what is left.
ItemText cutItem(const ItemText& item, char cut) {
    std::size_t end = item.text.find(cut);
    if (end == std::string::npos) return item;
    ItemText shorter;
    shorter.text = item.text.substr(0, end);
    for (const HitSpan& hit : item.hits) {
        if (hit.start >= static_cast<int>(end)) break;
        shorter.hits.push_back({hit.start, std::min(hit.length, static_cast<int>(end) - hit.start)});
    }
    return shorter;
}

}  // namespace

void TemplateEngine::writeFiller(int count) {
    for (int i = 0; i < std::min(count, kMaxFiller + 1); ++i) writeText("&#160;");
}

void TemplateEngine::itemLooper() {
    Zolt& db = gw.db;
    FieldOutputSettings& s = settings;
    const bool hidden = htmlOutput == 1;
    const int keptHilite = db.hilite;
    if (hidden) db.hilite = 0;  // no hit marks while a hidden field is judged

    ItemText item;
    ItemText last;
    bool haveLast = false;
    bool sawText = false;  // an item with text that is not all white space
    int result = db.getItem(item, gw.binaryOutput);
    const bool noItem = result < 1;
    int failure = result < 0 ? result : 0;
    for (int round = 0; !noItem && round < s.itemLimit; ++round) {
        if (round > 0 && !s.numericCodes && s.hasSeparator && !item.text.empty() && htmlOutput != 1)
            writeText(s.separator);
        sawText = sawText || hasNonWhite(item.text);
        if (s.lastItemOnly) {
            last = item;
            haveLast = true;
        } else {
            result = outputItem(item);
            if (ifFlag == 1 && emptyKind == 0 && result != 0) break;
        }
        if (itemLoopFlag == PMULTI && s.getAllItems == 2) {
            multiItemRC = 1;
            s.getAllItems = 0;
        }
        if (s.getAllItems == 0) {
            advanceToNextItem();
            db.hilite = keptHilite;
            return;
        }
        result = db.getItem(item, gw.binaryOutput);
        if (result < 0) failure = result;
        if (result < 1) break;
    }

    db.hilite = keptHilite;
    if (noItem && s.filler >= 0 && htmlOutput != 1) writeFiller(s.filler + 1);
    if (haveLast) result = outputItem(last);
    if (failure < 0) outputDBerror("", true);
    if (itemLoopFlag != PMULTI && itemLoopFlag != PNOP && result == 0) itemLoopFlag = PEOF;
    if (ifFlag == 1) {
        // ISEMPTY holds when no item has text; NEMPTY when an item passed its test.
        decideEmptyTest(emptyKind == 1 ? !sawText : result > 0);
    }
}

void TemplateEngine::advanceToNextItem() {
    Zolt& db = gw.db;
    if (multiItemRC == 1 || itemLoopFlag == PNOP || db.fieldType == 1) return;
    int placed = db.setCursor();
    db.lastRc = placed;
    if (placed != 0) {
        db.state = zolt_state::kCursorProbe;
        return;
    }
    char probe[2] = {0, 0};
    int length = 1;
    db.lastRc = ZdbGetNextItem(db.cursor, probe, &length);
    if (db.lastRc == 0) itemLoopFlag = PEOF;
}

int TemplateEngine::outputItem(const ItemText& item) {
    if (gw.binaryOutput) return 1;  // getItem has written the item itself
    if (ifFlag == 1) return judgeItem(item);

    FieldOutputSettings& s = settings;
    if (s.braceMark) writeText("${{");
    ItemText shown = s.cutChar ? cutItem(item, s.cutChar) : item;
    const bool prefix = s.linkPrefix && !asciiStartsWithNoCase(shown.text, "http://");

    if (s.urlEncode) {
        printLinkValue((prefix ? "http://" : "") + shown.text);
    } else if (s.numericCodes) {
        std::string codes;
        for (char c : shown.text) codes += std::to_string(static_cast<int>(static_cast<signed char>(c)));
        writeText(codes);
    } else {
        StrBuf html;
        if (prefix) html.append("http://");
        int limit = s.charLimit < 0 ? -1 : std::max(0, s.charLimit - s.charCount);
        s.charCount += gw.db.appendMarked(html, shown, limit);
        for (std::string_view rest = html.view(); !rest.empty(); rest.remove_prefix(std::min(rest.size(), kOutputPiece)))
            writeText(rest.substr(0, kOutputPiece));
    }
    if (s.filler >= 0 && htmlOutput != 1 && static_cast<int>(shown.text.size()) <= s.filler) writeText("&#160;");
    return 1;
}

int TemplateEngine::judgeItem(const ItemText& item) {
    const std::string& text = item.text;
    if (emptyKind == 1) return hasNonWhite(text) ? 0 : 1;
    if (text.empty()) return 0;
    if (!settings.comparison) return hasNonWhite(text) ? 1 : 0;
    switch (settings.comparisonLetter) {
        case 'D':
            return fieldDate(text) == comparisonNumber(settings.comparisonText) ? 0 : 1;
        case 'C': case 'B': case 'E':
            return dateCondition(text);
        default:
            return 1;
    }
}

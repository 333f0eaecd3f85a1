// Tests of appendMarked, the one writer of record text as HTML: escaping per character
// set, hit marks, and the character limit, which never splits an escape or a
// multi-byte character and never leaves a mark open. Markup and hits in Latin-1 text,
// and anchors numbered across items, are checked in whole pages (SearchPage,
// ResultPage).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/zolt.h"

namespace {

struct MarkCase {
    const char* name;
    int encoding;
    int hilite;
    std::string text;
    std::vector<HitSpan> hits;
    int limit;
    std::string html;
    int taken;
};

TEST(AppendMarked, EscapingMarksAndLimits) {
    const std::string e9 = "\xC3\xA9";      // é in UTF-8
    const std::string kanji = "\xE6\xBC\xA2";  // 漢 in UTF-8
    const MarkCase cases[] = {
        {"Latin-1 letters as entities, other bytes kept", 1, 0, "K\xE4se \xA9", {}, -1, "K&auml;se \xA9", 6},
        {"multi-byte set: bytes as they stand, markup escaped", 16, 0, "<" + e9 + ">", {}, -1,
         "&lt;" + e9 + "&gt;", 4},
        {"a hit holding markup is escaped inside the mark", 1, 1, "x<y", {{1, 1}}, -1, "x<b>&lt;</b>y", 3},
        {"limit cuts before an escape, never inside it", 1, 0, "ab<cd", {}, 3, "ab&lt;", 3},
        {"limit inside a hit closes the mark", 1, 1, "abcdef", {{2, 4}}, 4, "ab<b>cd</b>", 4},
        {"limit never splits a UTF-8 character", 16, 0, "a" + kanji + "b", {}, 3, "a", 1},
        {"a hit starting inside a character marks the whole character", 16, 1, "a" + e9 + "b", {{2, 1}}, -1,
         "a<b>" + e9 + "</b>b", 4},
        {"Shift-JIS: a trail byte that looks like ASCII stays in its character", 20, 1, "\x83\x41x", {{1, 1}}, -1,
         "<b>\x83\x41</b>x", 3},
        {"GBK: two-byte characters are cut whole", 18, 0, "\xD6\xD0\xCE\xC4", {}, 3, "\xD6\xD0", 2},
        {"EUC-JP: three-byte characters are cut whole", 19, 0, "\x8F\xA1\xA1z", {}, 2, "", 0},
        {"a hit past the text is not marked", 1, 1, "abc", {{5, 2}}, -1, "abc", 3},
        {"overlapping hits: the second opens where the first closes; empty ones vanish", 1, 1, "abcdefgh",
         {{1, 3}, {2, 4}, {7, 0}}, -1, "a<b>bcd</b><b>ef</b>gh", 8},
        {"a limit before the next hit ends the text unmarked", 1, 1, "abcdef", {{4, 2}}, 3, "abc", 3},
        {"a hit of 300 bytes is marked whole", 1, 1, std::string(300, 'w'), {{0, 300}}, -1,
         "<b>" + std::string(300, 'w') + "</b>", 300},
    };
    for (const auto& c : cases) {
        Zolt db;
        db.encoding = c.encoding;
        db.hilite = c.hilite;
        StrBuf out;
        int taken = db.appendMarked(out, ItemText{c.text, c.hits}, c.limit);
        EXPECT_EQ(out.view(), c.html) << c.name;
        EXPECT_EQ(taken, c.taken) << c.name;
    }
}

}  // namespace

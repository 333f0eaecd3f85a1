// Tests of the small containers where a fault would corrupt text or find the wrong
// pair: StrBuf appending (its own text too) and the case rule of the name lookups.

#include <gtest/gtest.h>

#include <string>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"

TEST(StrBuf, AppendCountsOwnTextCopiesAndMoves) {
    StrBuf text("ab");
    text.append("cdef", 2);
    text.append("xyz", -1);  // negative: the whole text
    text.append(nullptr, 3);
    EXPECT_EQ(text.view(), "abcdxyz");

    StrBuf own("abc");
    for (int i = 0; i < 10; ++i) own.append(own.view());  // reads what it grows
    std::string expected;
    for (int i = 0; i < 1024; ++i) expected += "abc";
    EXPECT_EQ(own.view(), expected);

    StrBuf a("first");
    StrBuf b(std::move(a));
    EXPECT_STREQ(a.c_str(), "");  // NOLINT(bugprone-use-after-move): moved-from stays valid
    a.append("again");
    EXPECT_EQ(a.view(), "again");
    EXPECT_EQ(b.view(), "first");
}

TEST(PairList, NamesCompareWithoutCaseOfAsciiLettersOnly) {
    NamedList<int> list;
    addPair(list, StrBuf("Docs"), 1);
    addPair(list, StrBuf("DOCS"), 2);
    addPair(list, StrBuf("\xC4pfel"), 3);  // Latin-1 A umlaut
    EXPECT_EQ(findByName(list, "docs"), 0) << "the first pair wins";
    EXPECT_EQ(findByName(list, "doc"), -1);
    EXPECT_EQ(findByName(list, "\xC4PFEL"), 2);
    EXPECT_EQ(findByName(list, "\xE4pfel"), -1);
}

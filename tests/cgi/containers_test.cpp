// Tests of the small containers: StrBuf's growth rule and appending, PtrArray's slot
// growth and removal, and the case rule of the name lookups.

#include <gtest/gtest.h>

#include <string>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"

TEST(StrBuf, GrowthAdds512Below1025And1024From1025) {
    StrBuf text;
    EXPECT_EQ(text.capacity(), 1);  // the terminator
    EXPECT_STREQ(text.c_str(), "");
    text.append("0123456789", 10);
    EXPECT_EQ(text.capacity(), 522);
    text.append(std::string(501, 'x'));  // needs 511 < 522: no growth
    EXPECT_EQ(text.capacity(), 522);
    text.append(std::string(11, 'z'));  // needs 522 >= 522: grows by 512
    EXPECT_EQ(text.capacity(), 522 + 512);

    StrBuf large(std::string(1099, 'a'));  // made from a text: exactly its size
    ASSERT_EQ(large.capacity(), 1100);
    large.appendChar('b');  // needs 1,100 >= 1,100: grows by 1,024
    EXPECT_EQ(large.capacity(), 1100 + 1024);
    EXPECT_EQ(large.view(), std::string(1099, 'a') + "b");
}

TEST(StrBuf, AppendCountsOwnTextCopiesAndMoves) {
    StrBuf text("ab");
    text.append("cdef", 2);
    text.append("xyz", -1);  // negative: the whole text
    text.append(nullptr, 3);
    EXPECT_EQ(text.view(), "abcdxyz");

    StrBuf own("abc");
    for (int i = 0; i < 10; ++i) own.append(own.view());  // reads what it grows
    EXPECT_EQ(own.view(), [] { std::string s; for (int i = 0; i < 1024; ++i) s += "abc"; return s; }());

    StrBuf a("first");
    StrBuf b(a);
    b.append("!");
    EXPECT_EQ(a.view(), "first");
    StrBuf c(std::move(b));
    EXPECT_EQ(c.view(), "first!");
    EXPECT_STREQ(b.c_str(), "");  // NOLINT(bugprone-use-after-move): moved-from stays valid
    b.append("again");
    EXPECT_EQ(b.view(), "again");
}

TEST(PtrArray, GrowsBy512SlotsAndRemovesInOrder) {
    PtrArray<int> array;
    EXPECT_EQ(array.capacity(), 0);
    for (int i = 0; i < 512; ++i) array.add(i);
    EXPECT_EQ(array.capacity(), 512);
    array.add(512);  // the 513th
    EXPECT_EQ(array.capacity(), 1024);
    EXPECT_EQ(array.removeAt(513), nullptr);
    EXPECT_EQ(array.removeAt(-1), nullptr);
    auto removed = array.removeAt(1);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(*removed, 1);
    ASSERT_EQ(array.size(), 512);
    for (int i = 1; i < 512; ++i) ASSERT_EQ(*array.at(i), i + 1);
    EXPECT_EQ(array.at(512), nullptr);
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

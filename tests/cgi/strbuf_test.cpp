// Tests of StrBuf: construction, the growth rule, appending.

#include <gtest/gtest.h>

#include <string>

#include "cgi/strbuf.h"

TEST(StrBuf, EmptyOwnsOneByte) {
    StrBuf text;
    EXPECT_EQ(text.length(), 0);
    EXPECT_EQ(text.capacity(), 1);
    EXPECT_STREQ(text.c_str(), "");
}

TEST(StrBuf, MadeFromTextHasExactCapacity) {
    StrBuf text("hello");
    EXPECT_EQ(text.length(), 5);
    EXPECT_EQ(text.capacity(), 6);
    text.assign("a longer text");
    EXPECT_EQ(text.capacity(), 14);
}

TEST(StrBuf, GrowthAddsFiveHundredTwelveBelow1025) {
    StrBuf text;
    text.append("0123456789", 10);
    EXPECT_EQ(text.capacity(), 522);
    EXPECT_EQ(text.view(), "0123456789");
    // No growth while the need stays below the capacity.
    text.append(std::string(500, 'x'));
    EXPECT_EQ(text.capacity(), 522);
    text.append("y", 1);  // needs 511 < 522
    text.append(std::string(11, 'z'));  // needs 522 >= 522: grows
    EXPECT_EQ(text.capacity(), 522 + 512);
}

TEST(StrBuf, GrowthAddsThousandTwentyFourFrom1025) {
    StrBuf text(std::string(1099, 'a'));  // capacity 1,100
    ASSERT_EQ(text.capacity(), 1100);
    text.appendChar('b');  // needs 1,100 >= 1,100
    EXPECT_EQ(text.capacity(), 1100 + 1024);
    EXPECT_EQ(text.length(), 1100);
    EXPECT_EQ(text.view().back(), 'b');
}

TEST(StrBuf, AppendCounts) {
    StrBuf text("ab");
    text.append("cdef", 2);
    EXPECT_EQ(text.view(), "abcd");
    text.append("xyz", -1);  // negative: the whole text
    EXPECT_EQ(text.view(), "abcdxyz");
    text.append(nullptr, 3);
    EXPECT_EQ(text.view(), "abcdxyz");
}

TEST(StrBuf, AppendOfItsOwnText) {
    StrBuf text("abc");
    for (int i = 0; i < 10; ++i) text.append(text.view());
    EXPECT_EQ(text.length(), 3 * 1024);
    EXPECT_EQ(text.view().substr(0, 6), "abcabc");
}

TEST(StrBuf, CopyAndMoveKeepValidTexts) {
    StrBuf a("first");
    StrBuf b(a);
    b.append("!");
    EXPECT_EQ(a.view(), "first");
    EXPECT_EQ(b.view(), "first!");
    StrBuf c(std::move(b));
    EXPECT_EQ(c.view(), "first!");
    EXPECT_STREQ(b.c_str(), "");  // NOLINT(bugprone-use-after-move): moved-from stays valid
    b.append("again");
    EXPECT_EQ(b.view(), "again");
    c.clear();
    EXPECT_EQ(c.length(), 0);
    EXPECT_STREQ(c.c_str(), "");
}

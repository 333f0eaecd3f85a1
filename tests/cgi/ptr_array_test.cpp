// Tests of PtrArray and the pair lists: slot growth, removal, lookups.

#include <gtest/gtest.h>

#include <string>

#include "cgi/ptr_array.h"

TEST(PtrArray, StartsEmptyAndGrowsBy512Slots) {
    PtrArray<int> array;
    EXPECT_EQ(array.size(), 0);
    EXPECT_EQ(array.capacity(), 0);
    array.add(0);
    EXPECT_EQ(array.capacity(), 512);
    for (int i = 1; i < 512; ++i) array.add(i);
    EXPECT_EQ(array.capacity(), 512);
    array.add(512);  // the 513th
    EXPECT_EQ(array.capacity(), 1024);
    ASSERT_EQ(array.size(), 513);
    for (int i = 0; i < 513; ++i) ASSERT_EQ(*array.at(i), i);
}

TEST(PtrArray, RemoveAtKeepsOrderAndRefusesBadPositions) {
    PtrArray<std::string> array;
    for (const char* s : {"a", "b", "c"}) array.add(std::string(s));
    EXPECT_EQ(array.removeAt(3), nullptr);
    EXPECT_EQ(array.removeAt(-1), nullptr);
    EXPECT_EQ(array.size(), 3);
    auto removed = array.removeAt(1);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(*removed, "b");
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(*array.at(0), "a");
    EXPECT_EQ(*array.at(1), "c");
    EXPECT_EQ(array.at(2), nullptr);
}

TEST(PairList, FindByNameIgnoresCaseAndFindsTheFirst) {
    NamedList<StrBuf> list;
    EXPECT_EQ(findByName(list, "docs"), -1);
    addPair(list, StrBuf("Docs"), StrBuf("/srv/docs"));
    addPair(list, StrBuf("news"), StrBuf("/srv/news"));
    addPair(list, StrBuf("DOCS"), StrBuf("/srv/other"));
    EXPECT_EQ(findByName(list, "docs"), 0);
    EXPECT_EQ(findByName(list, "NEWS"), 1);
    EXPECT_EQ(findByName(list, "doc"), -1);
    ASSERT_NE(findValueByName(list, "dOcS"), nullptr);
    EXPECT_EQ(findValueByName(list, "dOcS")->view(), "/srv/docs");
}

TEST(PairList, CaseRuleCoversOnlyAsciiLetters) {
    NamedList<int> list;
    addPair(list, StrBuf("\xC4pfel"), 1);  // Latin-1 A umlaut
    EXPECT_EQ(findByName(list, "\xE4pfel"), -1);
    EXPECT_EQ(findByName(list, "\xC4PFEL"), 0);
}

TEST(PairList, SetByNumberReplacesOrAppends) {
    NumberedList<StrBuf> list;
    EXPECT_FALSE(setByNumber(list, 2, StrBuf("two")).has_value());
    EXPECT_FALSE(setByNumber(list, 1, StrBuf("one")).has_value());
    auto old = setByNumber(list, 2, StrBuf("TWO"));
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->view(), "two");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(0)->key, 2);
    EXPECT_EQ(list.at(0)->value.view(), "TWO");
}

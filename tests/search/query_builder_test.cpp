// Tests of the query text built from form fields and of the search text shown back.

#include <gtest/gtest.h>

#include "search/query_builder.h"

namespace {

TEST(QueryBuilder, FieldsBecomeCcl) {
    struct Case { const char* name; std::vector<QueryField> fields; bool fuzz; std::string ccl; };
    const Case cases[] = {
        {"a named field gets =, one starting with an operator does not", {{"title", "abc"}, {"year", ">1990"}},
         false, "title=abc AND year>1990"},
        {"the operator may follow white space; the value stays whole", {{"year", "  <= 5"}}, false, "year  <= 5"},
        {"free text with a blank goes in parentheses", {{"", "big cats"}}, false, "(big cats)"},
        {"a blank beside an operator character does not", {{"", "a =b"}}, false, "a =b"},
        {"${{ asks for a quoted phrase", {{"", "${{big cats"}}, false, "\"big cats\""},
        {"fuzz wraps every value after name and =", {{"ti", "cat"}, {"", "big dog"}}, true,
         "ti=FUZZY(cat) AND FUZZY(big dog)"},
        {"free text through the field view", {{"", "cat", true}, {"", "dog"}}, false, "TPH=cat AND dog"},
        {"no fields", {}, false, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(buildQuery(c.fields, QueryWords{"AND", "FUZZY"}, c.fuzz), c.ccl) << c.name;
}

TEST(QueryBuilder, SearchTextShownToTheUser) {
    EXPECT_EQ(searchTextOf("TPH=cat AND TPH=dog", true), "cat AND dog");
    EXPECT_EQ(searchTextOf("TPH=cat", false), "TPH=cat") << "a prefix the user typed stays";
    EXPECT_EQ(searchTextOf("", false), " ");
    EXPECT_EQ(searchTextOf("TPH=", true), " ");
}

}  // namespace

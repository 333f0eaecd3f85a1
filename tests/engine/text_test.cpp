// text_test.cpp - typed values, character sets and the shared tokenizer.

#include <gtest/gtest.h>

#include "charset.h"
#include "tokenizer.h"
#include "values.h"
#include "zdb.h"

namespace {

using zdb::FieldValue;

TEST(Values, ParseEachTypeIntoItsStoredTextAndKey) {
    struct Case {
        const char* name;
        int type;
        const char* input;
        bool valid;
        const char* text;
        int64_t integer;
    };
    const Case cases[] = {
        {"integer", ZDB_FIELD_INTEGER, "1234", true, "1234", 1234},
        {"integer with blanks and plus", ZDB_FIELD_INTEGER, " +42 ", true, "42", 42},
        {"negative integer", ZDB_FIELD_INTEGER, "-7", true, "-7", -7},
        {"integer with letters", ZDB_FIELD_INTEGER, "12a", false, "", 0},
        {"integer too large", ZDB_FIELD_INTEGER, "99999999999999999999", false, "", 0},
        {"empty integer", ZDB_FIELD_INTEGER, "", false, "", 0},
        {"date dotted", ZDB_FIELD_DATE, "02.11.1991", true, "02.11.1991", 19911102},
        {"date iso", ZDB_FIELD_DATE, "2020-01-31", true, "31.01.2020", 20200131},
        {"leap day", ZDB_FIELD_DATE, "29.02.2024", true, "29.02.2024", 20240229},
        {"no leap day", ZDB_FIELD_DATE, "29.02.2023", false, "", 0},
        {"month 13", ZDB_FIELD_DATE, "01.13.2000", false, "", 0},
        {"short date", ZDB_FIELD_DATE, "1.1.2000", false, "", 0},
        {"time", ZDB_FIELD_TIME, "09:30", true, "09:30", 93000},
        {"time with seconds", ZDB_FIELD_TIME, "23:59:59", true, "23:59:59", 235959},
        {"hour 24", ZDB_FIELD_TIME, "24:00", false, "", 0},
    };
    for (const Case& c : cases) {
        auto value = zdb::parseFieldValue(c.type, c.input);
        ASSERT_EQ(value.has_value(), c.valid) << c.name;
        if (!c.valid) continue;
        EXPECT_EQ(value->text, c.text) << c.name;
        EXPECT_EQ(value->integer, c.integer) << c.name;
    }
    auto number = zdb::parseFieldValue(ZDB_FIELD_NUMBER, "12.50");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text, "12.50");
    EXPECT_DOUBLE_EQ(number->real, 12.5);
    EXPECT_FALSE(zdb::parseFieldValue(ZDB_FIELD_NUMBER, "1e999"));
    EXPECT_FALSE(zdb::parseFieldValue(ZDB_FIELD_NUMBER, "nan"));
    auto text = zdb::parseFieldValue(ZDB_FIELD_STRING, "Main/Python");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->key, "main python");
    EXPECT_EQ(text->text, "Main/Python");
}

TEST(Values, CompareNumbersAcrossKindsAndTextsByFoldedKey) {
    auto a = *zdb::parseFieldValue(ZDB_FIELD_NUMBER, "2.5");
    auto b = *zdb::parseFieldValue(ZDB_FIELD_INTEGER, "3");
    EXPECT_LT(zdb::compareValues(a, b), 0);
    EXPECT_GT(zdb::compareValues(b, a), 0);
    auto x = *zdb::parseFieldValue(ZDB_FIELD_STRING, "Émile");
    auto y = *zdb::parseFieldValue(ZDB_FIELD_STRING, "emile");
    EXPECT_EQ(zdb::compareValues(x, y), 0);
}

TEST(Charset, ConvertsToTheSessionSetWithQuestionMarksForTheRest) {
    struct Case {
        const char* name;
        int code;
        std::string utf8;
        std::string session;
    };
    const Case cases[] = {
        {"ascii in latin-1", 1, "plain", "plain"},
        {"latin-1 letters", 1, "\xC3\xBC" "ber caf\xC3\xA9", "\xFC" "ber caf\xE9"},
        {"greek in latin-1", 1, "\xCE\xB1 b", "? b"},
        {"euro sign in latin-1", 1, "\xE2\x82\xAC" "5", "?5"},
        // As iconv converted them: a broken sequence is one "?" over the length its lead
        // byte gives, and the tag characters U+E0000 to U+E007F vanish.
        {"broken utf-8 in latin-1", 1, "a\xC3(b\xE2\x82", "a?b?"},
        {"tag character in latin-1", 1, "a\xF3\xA0\x81\x81" "b", "ab"},
        {"latin-2 z caron", 2, "\xC5\xBE", "\xBE"},
        {"utf-8 unchanged", 16, "\xCE\xB1\xCE\xB2", "\xCE\xB1\xCE\xB2"},
        {"shift-jis katakana", 20, "\xE3\x82\xA2", "\x83\x41"},
    };
    for (const Case& c : cases) {
        zdb::Charset charset(c.code);
        ASSERT_TRUE(charset.valid()) << c.name;
        EXPECT_EQ(charset.toSession(c.utf8), c.session) << c.name;
        EXPECT_EQ(charset.sessionLength(c.utf8), c.session.size()) << c.name;
    }
    EXPECT_FALSE(zdb::Charset(7).valid());
}

TEST(Charset, ConvertsQueriesIntoUtf8AndRepairsBadBytes) {
    EXPECT_EQ(zdb::Charset(1).toUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(zdb::Charset(16).toUtf8("a\xFF" "b"), "a?b");
    EXPECT_EQ(zdb::Charset(16).toUtf8("\xC3"), "?");
    EXPECT_EQ(zdb::sanitizeUtf8("\xED\xA0\x80x"), "???x");  // a UTF-16 surrogate is not UTF-8
    EXPECT_TRUE(zdb::isValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(zdb::isValidUtf8("\xC0\xAF"));  // overlong slash
}

TEST(Tokenizer, FoldsCaseAndDiacriticsAndGivesByteRanges) {
    auto tokens = zdb::tokenize("\xC3\x9C" "ber libc6-dev C++");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0].term, "uber");
    EXPECT_EQ(tokens[0].start, 0u);
    EXPECT_EQ(tokens[0].end, 5u);
    EXPECT_EQ(tokens[1].term, "libc6");
    EXPECT_EQ(tokens[2].term, "dev");
    EXPECT_EQ(tokens[3].term, "c");
    EXPECT_EQ(zdb::foldedKey("  Main/PYTHON "), "main python");
    std::string longWord(zdb::kMaxWordBytes + 1, 'a');
    EXPECT_TRUE(zdb::tokenize(longWord).empty());
}

// A text of ASCII alone is cut without FTS5; the same text with a non-ASCII word after
// it goes through FTS5 and must give the same words before that one.
TEST(Tokenizer, AsciiTextIsCutAsFts5CutsIt) {
    std::string everyByte;
    for (int c = 0; c < 128; ++c) everyByte += std::string("aB") + static_cast<char>(c) + "9z ";
    const std::string texts[] = {everyByte, "Mixed-Case_words, digits 42x\ttabs\nline", "",
                                 std::string(zdb::kMaxWordBytes, 'Q') + " " + std::string(zdb::kMaxWordBytes + 1, 'q') + " ok"};
    for (const std::string& text : texts) {
        auto ascii = zdb::tokenize(text);
        auto fts5 = zdb::tokenize(text + " \xC3\xA9");
        ASSERT_FALSE(fts5.empty());
        EXPECT_EQ(fts5.back().term, "e");
        fts5.pop_back();
        ASSERT_EQ(ascii.size(), fts5.size()) << text;
        for (size_t i = 0; i < ascii.size(); ++i) {
            EXPECT_EQ(ascii[i].term, fts5[i].term) << text;
            EXPECT_EQ(ascii[i].start, fts5[i].start) << text;
            EXPECT_EQ(ascii[i].end, fts5[i].end) << text;
        }
    }
}

}  // namespace

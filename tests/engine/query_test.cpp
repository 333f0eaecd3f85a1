// query_test.cpp - the query language: trees for good queries, the code and the
// word named for bad ones.

#include <gtest/gtest.h>

#include "codes.h"
#include "error.h"
#include "query.h"

namespace {

using zdb::NodeKind;
using zdb::QueryPtr;

// A compact picture of a tree: W(term), P(a b), T(prefix), F(words), C(field op value),
// S(n), R(a-b), and operators around their operands; a qualifier as "FIELD:".
std::string show(const QueryPtr& node) {
    if (!node) return "-";
    std::string q = node->qualifier.empty() ? "" : node->qualifier + ":";
    auto join = [](const std::vector<std::string>& terms) {
        std::string out;
        for (const auto& t : terms) out += (out.empty() ? "" : " ") + t;
        return out;
    };
    switch (node->kind) {
    case NodeKind::Word: return q + "W(" + join(node->terms) + ")";
    case NodeKind::Phrase: return q + "P(" + join(node->terms) + ")";
    case NodeKind::Truncation: return q + "T(" + join(node->terms) + ")";
    case NodeKind::Fuzzy: return q + "F(" + join(node->terms) + ")";
    case NodeKind::Compare: {
        const char* ops[] = {"=", "<>", "<", "<=", ">", ">=", "^"};
        return "C(" + node->qualifier + ops[static_cast<int>(node->op)] + node->value + ")";
    }
    case NodeKind::SetRef: return "S(" + std::to_string(node->set) + ")";
    case NodeKind::RecordIds:
        return "R(" + std::to_string(node->idFrom) + "-" + std::to_string(node->idTo) + ")";
    case NodeKind::And: return "AND(" + show(node->left) + "," + show(node->right) + ")";
    case NodeKind::Or: return "OR(" + show(node->left) + "," + show(node->right) + ")";
    case NodeKind::AndNot: return "ANDNOT(" + show(node->left) + "," + show(node->right) + ")";
    case NodeKind::Not: return "NOT(" + show(node->left) + ")";
    }
    return "?";
}

TEST(QueryParser, BuildsTheTreeOfEachForm) {
    struct Case {
        const char* query;
        const char* tree;
    };
    const Case cases[] = {
        {"editor", "W(editor)"},
        {"text editor", "AND(W(text),W(editor))"},
        {"a OR b c", "OR(W(a),AND(W(b),W(c)))"},
        {"(a OR b) c", "AND(OR(W(a),W(b)),W(c))"},
        {"a NOT b", "ANDNOT(W(a),W(b))"},
        {"NOT a", "NOT(W(a))"},
        {"a AND NOT b", "AND(W(a),NOT(W(b)))"},
        {"libc6-dev", "P(libc6 dev)"},
        {"TI=abc", "TI:W(abc)"},
        {"TI = abc", "TI:W(abc)"},
        {"TI=(a OR b)", "OR(TI:W(a),TI:W(b))"},
        {"TI=(a AU=b)", "AND(TI:W(a),AU:W(b))"},
        {"TI=\"two words\"", "TI:P(two words)"},
        {"YEAR>1990", "C(YEAR>1990)"},
        {"DAY<=01.02.2003", "C(DAY<=01.02.2003)"},
        {"s=3 AND R=17", "AND(S(3),R(17-17))"},
        {"R=5-9", "R(5-9)"},
        {"FUZZY(editr compiler)", "F(editr compiler)"},
        {"TI=FUZZY(editr)", "TI:F(editr)"},
    };
    for (const Case& c : cases) EXPECT_EQ(show(zdb::parseQuery(c.query)), c.tree) << c.query;
}

TEST(QueryParser, NamesTheWordAtFault) {
    struct Case {
        const char* query;
        int code;
        const char* word;
    };
    const Case cases[] = {
        {"", zdb::kEmptyQuery, ""},
        {"&&", zdb::kEmptyQuery, ""},
        {"(a OR b", zdb::kUnbalancedParenthesis, "("},
        {"a)", zdb::kUnbalancedParenthesis, ")"},
        {"a OR", zdb::kMisplacedOperator, "OR"},
        {"AND a", zdb::kMisplacedOperator, "AND"},
        {"\"open phrase", zdb::kUnterminatedPhrase, "\"open phrase"},
        {"ab?c", zdb::kBadTruncation, "ab?c"},
        {"?", zdb::kBadTruncation, "?"},
        {"libc6-d?", zdb::kBadTruncation, "libc6-d?"},
        {"S=x", zdb::kInvalidSetNumber, "x"},
        {"S=0", zdb::kInvalidSetNumber, "0"},
        {"R=9-3", zdb::kInvalidValue, "R=9-3"},
        {"R=abc", zdb::kInvalidValue, "R=abc"},
        {"TI=", zdb::kSyntaxError, "TI="},
        {"= abc", zdb::kSyntaxError, "="},
        {"FUZZY()", zdb::kSyntaxError, "FUZZY()"},
        {"FUZZY(abc", zdb::kUnbalancedParenthesis, "FUZZY("},
    };
    for (const Case& c : cases) {
        try {
            zdb::parseQuery(c.query);
            ADD_FAILURE() << c.query << ": no error";
        } catch (const zdb::EngineError& e) {
            EXPECT_EQ(e.code(), c.code) << c.query;
            EXPECT_EQ(e.argument(), c.word) << c.query;
        }
    }
}

TEST(QueryParser, RefusesQueriesTooLongOrTooDeep) {
    std::string deep(200, '(');
    deep += "a" + std::string(200, ')');
    try {
        zdb::parseQuery(deep);
        ADD_FAILURE() << "deep query accepted";
    } catch (const zdb::EngineError& e) {
        EXPECT_EQ(e.code(), zdb::kQueryTooComplex);
    }
    try {
        zdb::parseQuery(std::string(zdb::kMaxQueryBytes + 1, 'a'));
        ADD_FAILURE() << "long query accepted";
    } catch (const zdb::EngineError& e) {
        EXPECT_EQ(e.code(), zdb::kQueryTooLong);
    }
}

TEST(QueryParser, NegatedLeavesGiveNoHits) {
    std::vector<QueryPtr> leaves;
    zdb::positiveLeaves(zdb::parseQuery("a NOT (b OR NOT c) OR NOT d"), leaves);
    std::vector<std::string> shown;
    for (const auto& leaf : leaves) shown.push_back(show(leaf));
    EXPECT_EQ(shown, (std::vector<std::string>{"W(a)", "W(c)"}));
}

TEST(QueryParser, QualifierLengthCountsNameAndOperator) {
    struct Case {
        const char* text;
        size_t length;
    };
    const Case cases[] = {{"TI=word", 3}, {"YEAR>=1990", 6}, {"  AU = x", 6},
                          {"word", 0},    {"two words", 0},  {"=x", 0}, {"a<>b", 3}};
    for (const Case& c : cases) EXPECT_EQ(zdb::qualifierLength(c.text), c.length) << c.text;
}

}  // namespace

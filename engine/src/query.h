// query.h - the query language of FIND and FUZZY, parsed into a tree.
//
//   query    := and { OR and }
//   and      := unary { [AND] unary | NOT unary }      (adjacent terms are ANDed)
//   unary    := NOT unary | primary
//   primary  := "(" query ")" | NAME op value | S=n | R=id | R=a-b
//             | word | word? | "a phrase" | FUZZY(words)
//   op       := = | < | > | <= | >= | <>
//
// Words are cut and folded by the shared tokenizer: a word that holds several
// tokens (libc6-dev) is a phrase; a word without any (a lone "&") is left out.
// Operators and qualifiers compare without regard to case. The tree holds UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database.h"

namespace zdb {

inline constexpr size_t kMaxQueryBytes = 8192;
inline constexpr int kMaxQueryDepth = 64;
inline constexpr int kMaxQueryLeaves = 256;

enum class NodeKind { Word, Phrase, Truncation, Fuzzy, Compare, SetRef, RecordIds, And, Or, AndNot, Not };

struct QueryNode {
    NodeKind kind = NodeKind::Word;
    std::string qualifier;            // field or field view; empty: all TEXT and PHRASE fields
    std::vector<std::string> terms;   // folded words: 1 (Word, Truncation prefix), several (Phrase, Fuzzy)
    CompareOp op = CompareOp::Equal;  // Compare
    std::string value;                // the value as written (qualified leaves)
    int set = 0;                      // SetRef
    int64_t idFrom = 0, idTo = 0;     // RecordIds
    std::string source;               // the word as written, for messages
    std::shared_ptr<QueryNode> left, right;

    bool isLeaf() const { return kind != NodeKind::And && kind != NodeKind::Or &&
                                 kind != NodeKind::AndNot && kind != NodeKind::Not; }
};

using QueryPtr = std::shared_ptr<QueryNode>;

// Parses `text` (UTF-8); throws EngineError naming the word at fault.
QueryPtr parseQuery(std::string_view text);

// The leaves that give hits: every leaf not under an odd number of negations,
// set references left in place (the caller replaces them by their sets' leaves).
void positiveLeaves(const QueryPtr& node, std::vector<QueryPtr>& out, bool positive = true);

// Bytes at the start of `text` that are a field qualifier with its operator ("TI=").
size_t qualifierLength(std::string_view text);

}  // namespace zdb

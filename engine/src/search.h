// search.h - evaluation of a query tree on one database of the session's base:
// the records that match, their exact hit count, BM25 scores, and the hit
// description that marks the same hits in a record's text.
//
// Hits are the places that the query's positive leaves match (leaves under an odd
// number of negations give none): every occurrence of a searched word in the
// fields searched, every word of a phrase occurrence, every item of a value field
// whose value matched. A place counts once however many leaves match it.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "database.h"
#include "query.h"
#include "values.h"

namespace zdb {

using FieldMask = std::bitset<256>;

// Field views: upper-case name -> members (field names or type names).
using FieldViews = std::map<std::string, std::vector<std::string>>;

// Hash and equality that take a string_view, so looking a word up allocates nothing.
struct TermHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// How a query's positive leaves mark hits in one database.
struct HitSpec {
    struct Phrase {
        std::vector<std::string> terms;
        FieldMask fields;
    };
    struct Value {
        int field = 0;
        CompareOp op = CompareOp::Equal;
        FieldValue value;
    };
    std::unordered_map<std::string, FieldMask, TermHash, std::equal_to<>> words;  // term -> fields where it hits
    std::vector<Phrase> phrases;
    std::vector<Value> values;
};

// True when `value` compares with `target` as `op` asks (STRING keys for Prefix).
bool valueMatches(const FieldValue& value, CompareOp op, const FieldValue& target);

// The fields that a qualifier names in one database.
struct FieldSelection {
    FieldMask words;              // word fields searched
    const Field* value = nullptr; // the value field, when the qualifier names one
    bool known = true;            // false: the database knows no such field or view
};

// The fields of `schema` that `qualifier` names: a field, a field view, or (empty)
// every TEXT and PHRASE field. Throws kWrongFieldType for a BLOB field.
FieldSelection selectFields(const Schema& schema, const FieldViews& views, std::string_view qualifier);

// Sorted record ids, shared: a word's records are handed on without a copy.
using IdList = std::shared_ptr<const std::vector<int32_t>>;

class Search {
public:
    // `setRecords(n)` gives the ids of set n in this database (throws for an unknown set).
    using SetRecords = std::function<std::vector<int32_t>(int)>;

    Search(Database& db, const FieldViews& views, SetRecords setRecords);

    // Sorted ids of the records that `node` matches.
    IdList evaluate(const QueryNode& node);
    // The hit description of `leaves` (positive leaves, set references replaced).
    HitSpec hitSpec(const std::vector<QueryPtr>& leaves);
    // The exact number of hits of `wanted` in the records `ids` (sorted).
    int64_t countHits(const HitSpec& wanted, const std::vector<int32_t>& ids);
    // BM25 scores of `ids` for the words and phrases of `wanted`.
    std::vector<double> scores(const HitSpec& wanted, const std::vector<int32_t>& ids);
    // Qualifiers of the query that this database does not know.
    const std::set<std::string>& unknownQualifiers() const { return unknown_; }

private:
    using Selection = FieldSelection;
    Selection select(const QueryNode& leaf);
    // The places of `term`, with word ordinals when `ordinals` (phrases need them).
    const TermPostings& postings(const std::string& term, bool ordinals = false);
    // The records of `term` in `fields` with its hits there (words outside phrases);
    // the hits per record only `withCounts`.
    const RecordHits& recordHits(const std::string& term, const FieldMask& fields,
                                 bool withCounts = false);
    std::vector<std::string> expand(const QueryNode& leaf);
    std::vector<std::string> fuzzyTerms(const std::string& word);
    std::optional<HitSpec::Value> valueLeaf(const QueryNode& leaf, const Field& field);
    IdList wordRecords(const std::vector<std::string>& terms, const FieldMask& fields);
    // Places (id, part, field, ordinal) of the phrase's words, for the records `ids`
    // (all records when null).
    std::vector<std::array<int64_t, 4>> phrasePlaces(const HitSpec::Phrase& phrase,
                                                     const std::vector<int32_t>* ids);
    const std::vector<ValueMatch>& valueMatches(const HitSpec::Value& value);
    // True when `term` stands at `place` (id, part, field, ordinal).
    bool hasWordAt(const std::string& term, const std::array<int64_t, 4>& place);

    Database& db_;
    const FieldViews& views_;
    SetRecords setRecords_;
    std::unordered_map<std::string, TermPostings> postings_;
    // Per term, per field mask asked for; a list keeps references valid as it grows.
    std::unordered_map<std::string, std::list<std::pair<FieldMask, RecordHits>>> recordHits_;
    std::map<std::string, std::vector<std::string>> expansions_;
    std::map<std::string, std::vector<ValueMatch>> valueMatches_;
    std::set<std::string> unknown_;
};

}  // namespace zdb

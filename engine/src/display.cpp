// display.cpp - index term lists over every database of the base, and thesaurus
// walks on a base that is one thesaurus.

#include "display.h"

#include <algorithm>
#include <map>

#include "codes.h"
#include "error.h"
#include "query.h"
#include "text_util.h"
#include "thesaurus.h"
#include "tokenizer.h"

namespace zdb {
namespace {

// "TI=start" split into the qualifier and the start; an operator other than "=" is
// an error, since a display starts at a term and compares nothing.
std::pair<std::string, std::string> splitQualifier(std::string_view arguments) {
    size_t length = qualifierLength(arguments);
    if (length == 0) return {"", std::string(trim(arguments))};
    std::string_view head = trim(arguments.substr(0, length));
    if (head.back() != '=' || (head.size() >= 2 && (head[head.size() - 2] == '<' || head[head.size() - 2] == '>')))
        throw EngineError(kSyntaxError, std::string(head));
    return {std::string(trim(head.substr(0, head.size() - 1))), std::string(trim(arguments.substr(length)))};
}

// The first word of `text`, folded as the index holds it; empty for none.
std::string firstTerm(std::string_view text) {
    std::vector<Token> tokens = tokenize(text);
    return tokens.empty() ? std::string() : tokens.front().term;
}

// The qualifier as the schemas write it when it names a field of the base; empty for
// a field view, whose name a later session may not know.
std::string fieldName(const Session& s, const std::string& qualifier) {
    for (const auto& db : s.base.dbs)
        if (const Field* field = db->schema().find(qualifier)) return field->name;
    return {};
}

// True when a DISPLAY on the base walks a thesaurus: the base is one thesaurus and
// the qualifier names no field other than its term field.
bool walksThesaurus(const Session& s, const std::string& qualifier) {
    if (s.base.dbs.size() != 1) return false;
    const Schema& schema = s.base.dbs.front()->schema();
    if (!schema.isThesaurus()) return false;
    const Field* field = schema.find(qualifier);
    return !field || field->number == schema.termField;
}

// The thesaurus's walk from the start on.
std::vector<DisplayEntry> thesaurusEntries(Session& s, const std::string& start) {
    Database& db = *s.base.dbs.front();
    db.refresh();
    Transaction snapshot(db.connection(), false);
    std::vector<DisplayEntry> entries;
    for (ThesaurusEntry& entry : thesaurusWalk(db, foldedKey(start), kMaxDisplayTerms))
        entries.push_back(DisplayEntry{std::move(entry.term), entry.id, entry.level, RecordRef{0, entry.id}});
    snapshot.commit();
    return entries;
}

// The index terms of every database of the base from the start on, their record
// counts added up: each database's first terms cover the first terms of them all.
std::vector<DisplayEntry> indexEntries(Session& s, const std::string& qualifier, const std::string& start) {
    std::map<std::string, int64_t> merged;
    bool known = false;
    for (const auto& db : s.base.dbs) {
        FieldSelection selection = selectFields(db->schema(), s.views, qualifier);
        if (!selection.known) continue;
        known = true;
        if (selection.value) throw EngineError(kWrongFieldType, selection.value->name);
        db->refresh();
        Transaction snapshot(db->connection(), false);
        for (auto& [term, records] : db->termCounts(start, selection.words, kMaxDisplayTerms))
            merged[term] += records;
        snapshot.commit();
    }
    if (!known) throw EngineError(kUnknownField, qualifier);
    std::vector<DisplayEntry> entries;
    for (auto& [term, records] : merged) {
        if (entries.size() == kMaxDisplayTerms) break;
        entries.push_back(DisplayEntry{term, records, 0, RecordRef{}});
    }
    return entries;
}

}  // namespace

int runDisplay(Session& s, std::string_view arguments) {
    if (s.base.dbs.empty()) throw EngineError(kNoBase);
    auto [qualifier, start] = splitQualifier(arguments);
    DisplayList list;
    list.qualifier = fieldName(s, qualifier);
    if (walksThesaurus(s, qualifier)) {
        list.kind = 2;
        list.entries = thesaurusEntries(s, start);
    } else {
        list.kind = 1;
        list.entries = indexEntries(s, qualifier, firstTerm(start));
    }
    s.display = std::move(list);
    return s.display.entries.empty() ? static_cast<int>(ZDB_NO_DISPLAY_HITS) : static_cast<int>(ZDB_OK);
}

std::string displaySearchTerm(const DisplayList& list, const DisplayEntry& entry) {
    // A single word of letters and digits stands as it is, unless the query language
    // reads it as an operator; anything else becomes a phrase.
    std::vector<Token> tokens = tokenize(entry.term);
    bool word = tokens.size() == 1 && tokens.front().start == 0 && tokens.front().end == entry.term.size();
    bool operatorWord = equalsIgnoreCase(entry.term, "AND") || equalsIgnoreCase(entry.term, "OR") ||
                        equalsIgnoreCase(entry.term, "NOT") || equalsIgnoreCase(entry.term, "FUZZY");
    std::string term;
    if (word && !operatorWord) {
        term = entry.term;
    } else {
        term = "\"";
        for (char c : entry.term)
            if (c != '"') term.push_back(c);
        term += "\"";
    }
    return list.qualifier.empty() ? term : list.qualifier + "=" + term;
}

}  // namespace zdb

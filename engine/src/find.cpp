// find.cpp - FIND and FUZZY: each database of the base evaluates the query in a
// read transaction of its own; the set keeps the records, the exact hit count and
// the leaves that mark its hits later.

#include "find.h"

#include <algorithm>
#include <optional>
#include <set>

#include "codes.h"
#include "error.h"
#include "record_walk.h"
#include "sqlite_util.h"

namespace zdb {
namespace {

// True when the query holds an R= leaf.
bool namesRecordIds(const QueryPtr& node) {
    if (!node) return false;
    if (node->kind == NodeKind::RecordIds) return true;
    return namesRecordIds(node->left) || namesRecordIds(node->right);
}

// True when the query holds an S= leaf.
bool namesSets(const QueryPtr& node) {
    if (!node) return false;
    if (node->kind == NodeKind::SetRef) return true;
    return namesSets(node->left) || namesSets(node->right);
}

// True when a record named by an R= leaf of the query exists in `db`.
bool anyNamedRecordExists(const QueryPtr& node, Database& db) {
    if (!node) return false;
    if (node->kind == NodeKind::RecordIds) {
        Statement stmt(db.connection(), "SELECT 1 FROM record WHERE id BETWEEN ? AND ? LIMIT 1");
        stmt.bind(1, node->idFrom).bind(2, node->idTo);
        return stmt.step();
    }
    return anyNamedRecordExists(node->left, db) || anyNamedRecordExists(node->right, db);
}

// The records of a query that is one plain word, searched in fields whose rows answer
// it from their counts and ids alone (postings.h); else nothing.
std::optional<Database::PlainWord> plainWord(Database& db, const FieldViews& views, const QueryNode& node) {
    if (node.kind != NodeKind::Word || node.terms.size() != 1) return std::nullopt;
    FieldSelection selection = selectFields(db.schema(), views, node.qualifier);
    if (!selection.known || selection.value) return std::nullopt;
    return db.plainWord(node.terms.front(), selection.words);
}

}  // namespace

LeafList hitLeavesOf(Session& session, const QueryPtr& query) {
    std::vector<QueryPtr> leaves, own;
    positiveLeaves(query, own);
    for (const QueryPtr& leaf : own) {
        if (leaf->kind == NodeKind::SetRef) {
            const SearchSet& set = session.set(leaf->set);
            if (set.hitLeaves) leaves.insert(leaves.end(), set.hitLeaves->begin(), set.hitLeaves->end());
        } else if (leaf->kind != NodeKind::RecordIds) {
            leaves.push_back(leaf);
        }
    }
    return std::make_shared<const std::vector<QueryPtr>>(std::move(leaves));
}

int runFind(Session& session, std::string_view query, bool ranked) {
    if (session.base.dbs.empty()) throw EngineError(kNoBase);
    QueryPtr tree = parseQuery(query);
    int number = session.nextSetNumber();
    if (number == 0) throw EngineError(ZDB_TOO_MANY_SETS);
    LeafList leaves = hitLeavesOf(session, tree);

    std::vector<IdList> found;                 // per database of the base
    std::optional<Database::PlainWord> word;   // a plain word's records, not yet decoded
    std::vector<std::vector<double>> scores;   // FUZZY: per database, per record
    size_t total = 0;
    int64_t hits = 0;
    std::vector<std::set<std::string>> unknown;
    bool recordsExist = false;
    ListOrigin origin;
    // Records taken from another set may have been deleted before this one was made.
    origin.fromIndex = !namesSets(tree);
    for (size_t index = 0; index < session.base.dbs.size(); ++index) {
        Database& db = *session.base.dbs[index];
        db.refresh();
        Transaction snapshot(db.connection(), false);
        noteOrigin(origin, index, db);
        // One word on one database, the commonest query: its count and hits as the index
        // rows state them, its ids decoded only as the set is read.
        if (!ranked && session.base.dbs.size() == 1 && (word = plainWord(db, session.views, *tree))) {
            total = word->ids->size();
            hits = word->hits;
            snapshot.commit();
            break;
        }
        auto setRecords = [&](int setNumber) {
            std::vector<int32_t> ids;
            const Records& records = session.set(setNumber).records;
            for (size_t i = 0; i < records.size(); ++i)
                if (records[i].db == index) ids.push_back(records[i].id);
            std::sort(ids.begin(), ids.end());
            return ids;
        };
        Search search(db, session.views, setRecords);
        IdList ids = search.evaluate(*tree);
        HitSpec wanted = search.hitSpec(*leaves);
        hits += search.countHits(wanted, *ids);
        if (ranked) scores.push_back(search.scores(wanted, *ids));
        total += ids->size();
        found.push_back(std::move(ids));
        unknown.push_back(search.unknownQualifiers());
        if (namesRecordIds(tree) && !recordsExist) recordsExist = anyNamedRecordExists(tree, db);
        snapshot.commit();
    }
    // A qualifier that no database of the base knows is an error, not an empty result.
    if (!unknown.empty()) {
        for (const std::string& name : unknown.front()) {
            bool everywhere = std::all_of(unknown.begin(), unknown.end(),
                                          [&](const auto& names) { return names.count(name) > 0; });
            if (everywhere) throw EngineError(kUnknownField, name);
        }
    }
    if (total == 0) {
        // 226 tells the caller that the records it named are gone, not merely unmatched.
        if (namesRecordIds(tree) && !recordsExist) return ZDB_NO_RECORD;
        return ZDB_NO_HITS;
    }
    auto set = std::make_shared<SearchSet>();
    set->number = number;
    set->hits = hits;
    set->hitLeaves = leaves;
    set->origin = std::move(origin);
    if (word) {
        set->records = Records(word->ids);
    } else if (found.size() == 1 && !ranked) {
        set->records = Records(std::move(found.front()));  // the search's own ids, not a copy
    } else {
        std::vector<RecordRef> refs;
        refs.reserve(total);
        for (size_t index = 0; index < found.size(); ++index)
            for (int32_t id : *found[index]) refs.push_back(RecordRef{static_cast<uint16_t>(index), id});
        if (ranked) {
            // Best first; ties keep the order of the databases and, in each, of the ids.
            std::vector<double> score;
            score.reserve(total);
            for (const auto& own : scores) score.insert(score.end(), own.begin(), own.end());
            std::vector<size_t> order(total);
            for (size_t i = 0; i < total; ++i) order[i] = i;
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return score[a] > score[b]; });
            std::vector<RecordRef> ranking;
            ranking.reserve(total);
            for (size_t i : order) ranking.push_back(refs[i]);
            refs = std::move(ranking);
        }
        set->records = Records(std::move(refs));
    }
    session.sets[number] = set;
    session.currentSet = number;
    return ZDB_OK;
}

}  // namespace zdb

// thesaurus.h - thesaurus databases: one record per term, with the field of its term
// and the fields that list its broader and its narrower terms. A term lies under
// another when it names that one as a broader term or that one names it as a
// narrower term. The relation must be a hierarchy: the load refuses a cycle, and the
// walk here guards against one all the same, so a damaged file never loops.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database.h"

namespace zdb {

// One place in the hierarchy's walk.
struct ThesaurusEntry {
    int32_t id = 0;        // the term's record
    std::string term;      // UTF-8, as stored
    int level = 0;         // 0: a top term; one more for each step down
};

// The walk of the thesaurus in `db` (top terms in index order, each followed by the
// terms under it, in index order, one level further down) from the first entry whose
// folded term begins with `startKey` on: at most `limit` entries, none when no term
// begins so. A term under several broader terms appears under each.
std::vector<ThesaurusEntry> thesaurusWalk(Database& db, const std::string& startKey, size_t limit);

// Throws kThesaurusCycle naming the terms of a cycle, or kDuplicateTerm naming a term
// that two records give, when the thesaurus in `db` is not a hierarchy.
void checkThesaurus(Database& db);

}  // namespace zdb

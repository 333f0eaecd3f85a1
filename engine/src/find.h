// find.h - the set-making command FIND (and FUZZY, ranked) over the current base.
#pragma once

#include <string_view>

#include "session.h"

namespace zdb {

// Runs `query` (UTF-8) on the session's base and makes the result the current set.
// Returns ZDB_OK, ZDB_NO_HITS, or ZDB_NO_RECORD when the query names only record
// ids that do not exist; throws for a malformed query or a full session (9506).
int runFind(Session& session, std::string_view query, bool ranked);

// The hit leaves of a query: its positive leaves with set references replaced by
// the hit leaves of those sets.
LeafList hitLeavesOf(Session& session, const QueryPtr& query);

}  // namespace zdb

// display.h - the DISPLAY command: a display list of index terms (kind 1) from a
// start term on, with the number of records of each, or of a thesaurus's hierarchy
// (kind 2). It reads index rows only, never a record's text, and holds at most
// kMaxDisplayTerms entries: more than a result page ever pages through.
#pragma once

#include <string>
#include <string_view>

#include "session.h"

namespace zdb {

inline constexpr size_t kMaxDisplayTerms = 1000;

// Runs DISPLAY `arguments` ("[qualifier=]start") on the session's base and makes the
// result the display list: ZDB_OK, or ZDB_NO_DISPLAY_HITS when no term follows the start.
int runDisplay(Session& session, std::string_view arguments);

// Term `entry` of the display list as a search term: quoted when the query language
// would read it otherwise, and qualified by the field that the display named.
std::string displaySearchTerm(const DisplayList& list, const DisplayEntry& entry);

}  // namespace zdb

// sort.h - ZdbSortRecords: the current set into sorted list 0 by one or more keys.
#pragma once

#include <string_view>

#include "session.h"

namespace zdb {

// Sorts the current set by `keys` ("FIELD", "FIELD/DESC", several joined by commas).
// Records without a value for a key come after those with one; ties keep set order.
void sortCurrentSet(Session& session, std::string_view keys);

}  // namespace zdb

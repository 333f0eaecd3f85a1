// record_walk.h - telling whether a located record was deleted since its list was
// made, without a read transaction per record: a walk (session.h) looks at each
// database once, at its first call, and answers its later calls from that look.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "session.h"

namespace zdb {

// What `list`, made from the databases' state `origin`, says of the record at
// `position` (from 1): true when it has been deleted since the list was made.
// Consecutive calls at neighbouring positions continue a walk (see Walk).
bool locatedRecordDeleted(Session& s, const Records& list, const ListOrigin& origin,
                          size_t position);

// The same for `count` positions from `first` on (all within the list), as that many
// consecutive calls would answer them: element i for position first + i.
std::vector<uint8_t> locatedRecordsDeleted(Session& s, const Records& list, const ListOrigin& origin,
                                        size_t first, size_t count);

// The origin of a list that FIND is making: notes each database's last merge. Runs
// inside the read transaction in which the list's records are found.
void noteOrigin(ListOrigin& origin, size_t index, Database& db);

}  // namespace zdb

// shell_support.h - what zoltdb's shell needs beyond the C interface: making a
// record current by its id without making a search set.
#pragma once

#include <string>
#include <vector>

#include "zdb.h"

namespace zdb {

// Makes record `id` of the base's database `database` (any case; null or empty: the
// first) current in `rc`, without hits. ZDB_OK, ZDB_NO_RECORD, or an even code.
int shellReadRecord(ZdbRecordControl rc, const char* database, int id);

// The field names of the current record's database, in field-number order (empty
// when `rc` holds no record).
std::vector<std::string> shellFieldNames(ZdbRecordControl rc);

}  // namespace zdb

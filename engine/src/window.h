// window.h - SHOW and FORWARD: display window 1 holds the records of the current set
// (or of sorted list 0) laid out in a format, one page of at most `rows` lines at a
// time. A page lays out only its own records, so its cost follows the page, never
// the size of the set.
#pragma once

#include <string_view>

#include "session.h"

namespace zdb {

// SHOW R=FROM n [format] or SHOW SORT=#0 [format]: fills the window's first page.
// ZDB_OK, or ZDB_NO_MORE_TO_SHOW when no record stands at or after position n.
int runShow(Session& session, std::string_view arguments);

// FORWARD: the next page. ZDB_OK; ZDB_NO_MORE_TO_SHOW once the records are exhausted;
// ZDB_END_OF_DISPLAY when asked again after that; kWrongOrderType before any SHOW.
int runForward(Session& session, std::string_view arguments);

}  // namespace zdb

// error_place.h - the source unit name that the error page shows, at message level 1,
// beside the line number of a failure of the request path. Name and numbers are fixed
// texts of the error page (each failure has its own number), not places in this tree.
#pragma once

inline constexpr const char* kUnitHtml = "src/zgwhtml";  // parameters, login, database, commands

// login_form.h - the login page that answers a request the engine refused: the
// installation's login file with the application, the database, the message and the
// refused request's parameters (as hidden fields) filled in.
// Invariant: every text filled in is escaped for HTML, so request text stays inert.
#pragma once

#include <string_view>

#include "cgi/entry_list.h"

inline constexpr std::size_t kLoginPieceLimit = 511;  // characters read at a time

// Writes the whole response: the HTML header, then the login file with its variables
// replaced, or a short "File not found" page naming the path. `request` is normally
// cgiEntries; `message` may be empty.
void PrintPasswdForm(std::string_view loginFile, std::string_view message,
                     const EntryList& request = cgiEntries);

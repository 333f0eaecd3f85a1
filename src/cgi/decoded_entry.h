// decoded_entry.h - how the decoders hand a decoded pair to an entry list.
// Invariant: no entry made here holds a NUL byte, so every later stage sees the
// same text whether it reads the bytes or the C string.
#pragma once

#include <string_view>

#include "cgi/entry_list.h"

// The text up to its first NUL byte (all of it when it has none).
std::string_view cutAtNul(std::string_view text);

// Inserts (name, value), each cut at its first NUL, behind `after` and returns the new
// entry; with debugging on writes "<kind> "name" = "value"" to the debug log (for a
// password name "(n bytes, not shown)" in place of the value).
Entry* insertDecoded(EntryList& list, Entry* after, std::string_view name,
                     std::string_view value, const char* kind);

// Writes every entry of `list` to the debug log as insertDecoded does (debugging on only).
void logEntries(const EntryList& list, const char* kind);

// True for names whose values are passwords: the debug log shows only their length.
bool isPasswordName(std::string_view name);

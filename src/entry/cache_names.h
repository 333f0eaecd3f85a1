// cache_names.h - the names of page-cache files that a request may name: only the
// forms this program writes itself, so that a name from the request can never reach
// any other file (no "..", no absolute path, no backslash, no other directory).
#pragma once

#include <string_view>

// True for an id-file name "<slot>/<seconds>_<pid>" (slot 0 to 59 as "%d").
bool isIdsName(std::string_view name);

// True for a URL-stack file name "<slot>/" followed by "<stamp>", "<n>.<stamp>",
// "D.<stamp>" or "F<n>.<stamp>", the stamp being "<seconds>_<pid>".
bool isUrlSaveName(std::string_view name);

// True for a record position as the links write it: decimal digits only, at most 9.
bool isRecordPosition(std::string_view key);

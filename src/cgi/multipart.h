// multipart.h - decoding of a multipart/form-data request body (forms with uploads)
// into an entry list; uploaded files are stored in the upload directory.
// Invariant: the body is read in lines of at most 512 bytes, whatever the client sends.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cgi/entry_list.h"

inline constexpr std::size_t kMultipartLineLimit = 512;  // bytes per line piece
inline constexpr std::size_t kFieldNameColumn = 38;      // behind: ...form-data; name="

// The boundary text of a multipart CONTENT_TYPE: everything behind "boundary="; empty
// when there is none (then no line of the body could be recognised as a boundary).
std::string multipartBoundary(std::string_view contentType);

// Empties `list` and fills it from the body on `input` until its end: a field becomes
// (name, value); an upload becomes (name, file name by the agent rule) and its bytes go
// to a file in `uploadDirectory`. Returns the number of entries. Without a boundary
// nothing is read and the result is 0. Throws CgiFailure when an upload cannot be stored.
int decodeMultipart(EntryList& list, std::FILE* input, std::string_view contentType,
                    const char* userAgent, const std::string& uploadDirectory);

// character_set.h - how many bytes one character takes in the session's character
// set, so that text is cut and marked only between whole characters.
// Invariant: the answer is at least 1 and never reaches past the end of the text.
#pragma once

#include <cstddef>
#include <string_view>

// Session character-set codes above this are multi-byte sets (their bytes are copied
// as they stand; the Latin-1 letter entities apply only up to it).
inline constexpr int kLastSingleByteEncoding = 3;

// The length in bytes of the character that begins at byte `at` of text (at < size)
// in the set `encoding`: UTF-8 (16), GBK (18, with the four-byte GB18030 form),
// EUC-JP (19) and Shift-JIS (20) by their lead and trail bytes; 1 for single-byte sets,
// for a byte that begins no valid sequence, and for a sequence cut by the text's end.
std::size_t characterLength(std::string_view text, std::size_t at, int encoding);

// True when every character of `encoding` is one byte (characterLength always gives 1).
bool isSingleByteSet(int encoding);

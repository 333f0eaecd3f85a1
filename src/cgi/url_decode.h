// url_decode.h - decoding of URL-encoded request text (query strings, POST bodies,
// the interactive console string) into an entry list.
// Invariant: the decoder never reads outside its input, whatever the input holds.
#pragma once

#include <string>
#include <string_view>

#include "cgi/entry_list.h"

// Decodes one lexeme: every "+" becomes a blank, then every "%" with two characters
// behind it becomes one byte; a "%" with fewer than two characters left stays as it is.
std::string decodeLexeme(std::string_view lexeme);

// Empties `list` and fills it with the pairs of `input` in input order. Returns the number
// of pairs, or -1 when a name has no value ("a&b=1", "a=1&b") unless the "=" or "&" behind
// it is the input's last character ("a=", "a&"); the pairs up to and including that name,
// with an empty value, stay in the list.
int decodeUrlEncoded(EntryList& list, std::string_view input);

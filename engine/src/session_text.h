// session_text.h - UTF-8 text handed out in the session's character set, with the
// places that chosen UTF-8 offsets take in the converted text. Outputs that report
// positions (window lines, focus excerpts) cut their UTF-8 text only on character
// boundaries and convert it piece by piece: the sets offered are stateless, so the
// pieces joined are the whole text converted, and no cut splits a character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "charset.h"

namespace zdb {

struct SessionText {
    std::string text;              // in the session's character set
    std::vector<size_t> offsets;   // offsets[i]: the byte of `text` where cut i lands
};

// `utf8` converted, with the places of `cuts` (ascending UTF-8 offsets on character
// boundaries, at most utf8.size()).
SessionText toSessionText(const Charset& charset, std::string_view utf8, const std::vector<size_t>& cuts);
// The character boundaries of `utf8`, 0 and utf8.size() included.
std::vector<size_t> characterBoundaries(std::string_view utf8);
// `utf8` in the session's set, cut at a character boundary to at most `limit` bytes.
std::string fitSession(const Charset& charset, std::string_view utf8, size_t limit);

}  // namespace zdb

// focus.h - focus excerpts: at most `size` bytes (in the session's character set) of
// a field's text around its densest cluster of hits, or its start without hits. An
// excerpt begins at a word and ends after one, so it never cuts a word or a
// character; only a single word longer than the excerpt is cut, at a character.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "charset.h"
#include "field_text.h"

namespace zdb {

struct Excerpt {
    std::string text;                          // in the session's character set
    std::vector<std::pair<int, int>> hits;     // (start from 0, length) in bytes of `text`
};

// The excerpt of `field` of at most `size` bytes of `charset`.
Excerpt focusExcerpt(const FieldText& field, size_t size, const Charset& charset);

}  // namespace zdb

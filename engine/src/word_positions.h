// word_positions.h - walks the words of a field's content with their ordinals.
// Indexing and hit marking both walk content through here, so the ordinals that
// the index stores are exactly those that hit marking finds again.
#pragma once

#include <cstdint>
#include <string_view>

#include "record.h"
#include "tokenizer.h"

namespace zdb {

class WordVisitor {
public:
    virtual ~WordVisitor() = default;
    // One word: its folded term, the paragraph and item holding it, its byte range
    // in the item's UTF-8 text, and its ordinal within the field.
    virtual void word(std::string_view term, int paragraph, int item, size_t start, size_t end,
                      uint32_t ordinal) = 0;
};

// Visits every word of `content` in order; returns the number of words.
uint32_t visitWords(const FieldContent& content, WordVisitor& visitor);

}  // namespace zdb

// tokenizer.h - the one word tokenizer of the engine, shared by indexing, queries
// and hit marking, so that the words marked in a record are exactly those that
// matched. It is SQLite FTS5's unicode61 with remove_diacritics 2: letters and
// digits form words; case and diacritics are folded away ("Über" -> "uber").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zdb {

// Words longer than this (in bytes, folded) are not indexed and never match:
// they are noise such as encoded data, and would only swell the word list.
inline constexpr size_t kMaxWordBytes = 100;

struct Token {
    std::string term;   // the folded word
    size_t start;       // byte offset of the word in the text
    size_t end;         // byte offset just past it
};

// Calls sink(term, start, end) for each word of `utf8`, in text order.
class TokenSink {
public:
    virtual ~TokenSink() = default;
    virtual void word(std::string_view term, size_t start, size_t end) = 0;
};

void tokenize(std::string_view utf8, TokenSink& sink);
// The words of `utf8`.
std::vector<Token> tokenize(std::string_view utf8);
// The folded words of `utf8` joined by single blanks: the key of a STRING value.
std::string foldedKey(std::string_view utf8);

}  // namespace zdb

// config_syntax.h - the argument readers of a configuration line: word, rest, line
// and message, and the number reader. Every reader returns a view into the line it
// was given and never looks past its end.
#pragma once

#include <cstddef>
#include <string_view>

// Keyword given to a line that holds no word at all: it matches no keyword.
inline constexpr std::string_view kNoKeyword = "__cant_be_true_baby__";

// The next word of text from pos on, words being separated by any of `separators`;
// pos moves past the word. Empty when no word is left.
std::string_view takeWord(std::string_view text, std::size_t& pos,
                          std::string_view separators = " \t\r\n");

// From pos: leading blanks and tabs skipped, up to the first tab, carriage return or
// line feed, trailing white space removed; blanks inside stay.
std::string_view restText(std::string_view text, std::size_t pos);

// An optionally signed decimal integer from the start of word; 0 without leading
// digits; values beyond int are held at INT_MIN or INT_MAX.
int readNumber(std::string_view word);

// One configuration line split into its keyword and its arguments.
class ConfigLine {
public:
    explicit ConfigLine(std::string_view text);

    // The first word, or kNoKeyword when the line has none.
    std::string_view keyword() const { return keyword_; }
    // The next word after the keyword or the previous word; empty when none is left.
    std::string_view word() { return takeWord(text_, pos_); }
    // The rest of the line after the keyword (see restText).
    std::string_view rest() const { return restText(text_, keywordEnd_); }
    // The rest after the single separator that ended the keyword, up to CR or LF.
    std::string_view line() const;
    // As rest, but up to CR or LF only, then one leading and one trailing '"' removed.
    std::string_view message() const;

private:
    std::string_view text_;
    std::string_view keyword_;
    std::size_t keywordEnd_ = 0;  // position just past the keyword
    std::size_t pos_ = 0;         // where the next word() starts looking
};

// show_string.cpp - parseShowstr: the ${ZOLTSHOW} value carries the display format
// of the hit list and, inside it, HTML= and OOHTML= words that name templates. The
// words are taken out into their names; everything else is the display format.

#include "cgi/ascii.h"
#include "entry/zoltgw.h"

namespace {

// Takes the word of a keyword found at pos: skips the keyword, then blanks and "="
// signs, appends the following non-blank characters to name and skips the one blank
// that ended them. pos moves past all of it, never past the end of the text.
void takeKeywordWord(std::string_view text, std::size_t& pos, std::size_t keywordLength, StrBuf& name) {
    pos += keywordLength;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '=')) ++pos;
    std::size_t start = pos;
    while (pos < text.size() && text[pos] != ' ') ++pos;
    name.append(text.substr(start, pos - start));
    if (pos < text.size()) ++pos;  // the blank that ended the word
}

}  // namespace

void zoltgw::parseShowstr(std::string_view value, StrBuf& htmlName, StrBuf& ooHtmlName) {
    StrBuf& show = findresult.showString;
    show.clear();
    std::size_t pos = 0;
    while (pos < value.size()) {
        std::string_view rest = value.substr(pos);
        if (asciiStartsWithNoCase(rest, "OOHTML")) {
            takeKeywordWord(value, pos, 6, ooHtmlName);
        } else if (asciiStartsWithNoCase(rest, "HTML")) {
            takeKeywordWord(value, pos, 4, htmlName);
        } else {
            show.appendChar(value[pos]);
            ++pos;
        }
    }
}

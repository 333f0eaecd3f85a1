// text_pieces.h - splitting a request value into pieces at separator characters,
// the way the request's compound values (${ZGWIDS}, ${ZOLTVFLD}, a list of databases)
// are taken apart. Empty pieces fall away; every piece is a view into the text given.
#pragma once

#include <string_view>
#include <vector>

// The non-empty runs of text between any of the characters in `separators`, in order.
inline std::vector<std::string_view> splitPieces(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of(separators, at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) pieces.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return pieces;
}

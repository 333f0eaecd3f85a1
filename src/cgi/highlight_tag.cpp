// highlight_tag.cpp - checking the hit markup that a request asks for. A link that
// sets ${HILITEATTR} to <img src=x onerror=...> or <script> would otherwise run its
// script in every page that shows hits; only inert formatting tags pass.

#include "cgi/highlight_tag.h"

#include "cgi/ascii.h"

namespace {

constexpr std::string_view kElements[] = {
    "b",    "i",    "u",    "em",  "strong", "span", "font", "mark", "big", "small", "tt",  "code",
    "s",    "strike", "sup", "sub", "ins",   "del",  "cite", "q",    "kbd", "samp",  "var", "dfn", "abbr"};
constexpr std::string_view kAttributes[] = {"class", "id",   "style", "title", "color",
                                            "size",  "face", "lang",  "dir"};

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A character an attribute value may hold: nothing that ends the value, opens markup,
// an entity, or a function call such as url( or expression(.
bool isValueChar(char c) {
    if (isLetter(c) || isDigit(c)) return true;
    switch (c) {
        case ' ': case '#': case ':': case ';': case '-': case '.': case ',': case '%': case '_': return true;
        default: return false;
    }
}

bool isListed(std::string_view word, const std::string_view* list, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (asciiEqualNoCase(word, list[i])) return true;
    return false;
}

// Reads a name of letters and digits (beginning with a letter) at pos.
std::string_view takeName(std::string_view text, std::size_t& pos) {
    std::size_t start = pos;
    if (pos < text.size() && isLetter(text[pos])) {
        while (pos < text.size() && (isLetter(text[pos]) || isDigit(text[pos]))) ++pos;
    }
    return text.substr(start, pos - start);
}

// Reads an attribute value at pos: quoted with " or ', or unquoted up to a blank or ">".
bool takeValue(std::string_view text, std::size_t& pos) {
    if (pos >= text.size()) return false;
    char quote = text[pos];
    if (quote == '"' || quote == '\'') {
        ++pos;
        while (pos < text.size() && text[pos] != quote) {
            if (!isValueChar(text[pos])) return false;
            ++pos;
        }
        if (pos >= text.size()) return false;
        ++pos;
        return true;
    }
    std::size_t start = pos;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '>') {
        if (!isValueChar(text[pos])) return false;
        ++pos;
    }
    return pos > start;
}

bool isSafeStartTag(std::string_view text) {
    std::size_t pos = 0;
    if (text.empty() || text[pos++] != '<') return false;
    if (!isListed(takeName(text, pos), kElements, std::size(kElements))) return false;
    for (;;) {
        std::size_t blanks = pos;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        if (pos >= text.size()) return false;
        if (text[pos] == '>') return pos + 1 == text.size();
        if (pos == blanks) return false;  // an attribute must follow white space
        if (!isListed(takeName(text, pos), kAttributes, std::size(kAttributes))) return false;
        if (pos >= text.size() || text[pos++] != '=') return false;
        if (!takeValue(text, pos)) return false;
    }
}

bool isPlainText(std::string_view text) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
        switch (c) {
            case '<': case '>': case '&': case '"': case '\'': return false;
            default: break;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> closingTagFor(std::string_view startTag) {
    if (startTag.empty()) return std::nullopt;
    std::string_view rest = startTag.substr(1);
    std::size_t end = rest.find_first_of(" \t%>");
    std::string_view name = rest.substr(0, end);
    if (name.empty()) return std::nullopt;
    return "</" + std::string(name) + ">";
}

bool isRequestHighlightAllowed(std::string_view value) {
    return isPlainText(value) || isSafeStartTag(value);
}

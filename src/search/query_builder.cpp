// query_builder.cpp - form fields to CCL text, and the search text shown to the user.

#include "search/query_builder.h"

namespace {

// A value that starts with "${{" asks to be searched as a quoted phrase.
constexpr std::string_view kPhraseMark = "${{";

bool startsWithOperator(std::string_view value) {
    std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    char c = value[first];
    return c == '<' || c == '>' || c == '=';
}

void appendValue(std::string& ccl, std::string_view value, const QueryWords& words, bool fuzz) {
    if (fuzz) {
        ccl += words.fuzzy;
        ccl += '(';
        ccl += value;
        ccl += ')';
    } else if (value.substr(0, kPhraseMark.size()) == kPhraseMark) {
        ccl += '"';
        ccl += value.substr(kPhraseMark.size());
        ccl += '"';
    } else if (value.find(' ') != std::string_view::npos && value.find_first_of("=<>") == std::string_view::npos) {
        ccl += '(';
        ccl += value;
        ccl += ')';
    } else {
        ccl += value;
    }
}

}  // namespace

std::string buildQuery(const std::vector<QueryField>& fields, const QueryWords& words, bool fuzz) {
    std::string ccl;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const QueryField& field = fields[i];
        if (i > 0) {
            ccl += ' ';
            ccl += words.andOr;
            ccl += ' ';
        }
        if (field.name.empty()) {
            if (field.fieldView) ccl += kFieldViewPrefix;
        } else {
            ccl += field.name;
            if (!startsWithOperator(field.value)) ccl += '=';
        }
        appendValue(ccl, field.value, words, fuzz);
    }
    return ccl;
}

std::string searchTextOf(std::string_view ccl, bool fieldViewUsed) {
    std::string text(ccl);
    if (fieldViewUsed)
        for (std::size_t at = text.find(kFieldViewPrefix); at != std::string::npos; at = text.find(kFieldViewPrefix, at))
            text.erase(at, kFieldViewPrefix.size());
    if (text.empty()) text.push_back(' ');
    return text;
}

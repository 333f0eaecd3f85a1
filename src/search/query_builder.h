// query_builder.h - the CCL text of a search from the request's form fields: a pure
// function of its inputs, so that every rule of quoting and joining is tested alone.
// Invariant: every field's value reaches the text whole, in request order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One form field of the search: the free text has an empty name.
struct QueryField {
    std::string_view name;
    std::string_view value;
    bool fieldView = false;  // free text searched through the TPH field view ("TPH=" before it)
};

// The session-language words that the text is built with.
struct QueryWords {
    std::string_view andOr;  // joins the fields (AND, OR ...)
    std::string_view fuzzy;  // wraps every value when fuzz is set
};

// The prefix that puts free text into the TPH field view; taken out of the search
// text shown to the user.
inline constexpr std::string_view kFieldViewPrefix = "TPH=";

// The CCL text: fields joined by " andOr "; a named field as name, "=" unless the
// value starts (after white space) with "<", ">" or "=", then the value: with fuzz
// FUZZY(value); a value starting "${{" as the rest in double quotes; a value with a
// blank and none of "=<>" in parentheses; else as it stands.
std::string buildQuery(const std::vector<QueryField>& fields, const QueryWords& words, bool fuzz);

// The text with every kFieldViewPrefix taken out; one blank when nothing is left.
std::string searchTextOf(std::string_view ccl, bool fieldViewUsed);

// variable_table.h - the fixed names of the template's variables: one entry per name with
// the engine's action for it and the argument that selects among the action's kinds.
// Names compare without regard to case; a text that matches none is a field reference.
#pragma once

#include <string_view>

#include "template/template_engine.h"

// Which number a number variable writes.
enum class NumberValue { kMaxPage, kPosition, kPart, kHits, kRecords };

// Which link a navigation variable writes.
enum class LinkKind { kNextRecord, kForward, kNextPart, kPreviousRecord, kBackward, kPreviousPart };

// Which record link ${ZOLTSTRING} and ${ZOLTVIEW} end in.
enum class FieldLink { kBinaryField, kView };

// Which link back to a search result: ${ZOLTCUR}, ${ZOLTCURX}, ${ZOLTSLI}.
enum class SearchLink { kCurrent, kCurrentWithScript, kPageStart };

// What a URL-stack variable does in this build.
enum class UrlStackAction { kPass, kClear, kLater };

struct VariableEntry {
    std::string_view name;                                   // as the template writes it
    void (TemplateEngine::*action)(std::string_view text, int argument);
    int argument = 0;                                        // one of the enums above
    bool runsHidden = false;                                 // acts while output is hidden
};

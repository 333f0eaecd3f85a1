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

// What a URL-stack variable does: save this page with the stack, link back to an entry
// of the stack (the numbered link is ${FROMURL...}, matched as a prefix), pass the
// stack on, or clear it.
enum class UrlStackAction {
    kSaveSlice,     // ${SURLSLI}: this page from its first record
    kSaveCurrent,   // ${SURLCUR}: this page at the current record
    kSaveDummy,     // ${SURLDUM}: as ${SURLCUR}, or the empty result, without the name
    kLinkNumbered,  // ${FROMURL}, ${FROMURL.n}
    kLinkLast,      // ${FROMHTML}
    kLinkFirst,     // ${FROMFIRST}
    kLinkThird,     // ${FROMTHIRD}
    kPass,          // ${PASSURL}, ${PASSHTML}
    kNothing,       // ${PASSURLD}: recognised, writes nothing
    kClear,         // ${CLRURLS}
};

struct VariableEntry {
    std::string_view name;                                   // as the template writes it
    void (TemplateEngine::*action)(std::string_view text, int argument);
    int argument = 0;                                        // one of the enums above
    bool runsHidden = false;                                 // acts while output is hidden
};

// highlight_tag.h - the markup that a request may ask to wrap around hits
// (${HILITEATTR}). The page writes it as it stands, around every hit, so a request
// value is taken only when it cannot carry script: plain text without markup
// characters, or one start tag of a formatting element with plain attributes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The end tag that closes `startTag`: "</", the text from its second character up to
// a blank, tab, "%" or ">", and ">". Nothing when that text is empty.
std::optional<std::string> closingTagFor(std::string_view startTag);

// True when a request may set `value` as the hit markup: text without "<", ">", "&",
// quotes or control characters, or a single start tag such as <b>, <span class="hit">
// or <font color=red> (formatting elements only; the attributes class, id, style,
// title, color, size, face, lang and dir, with values of letters, digits, blanks and
// # : ; - . , % _ only).
bool isRequestHighlightAllowed(std::string_view value);

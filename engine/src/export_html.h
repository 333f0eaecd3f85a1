// export_html.h - a document held in a BLOB as an HTML page: HTML as it is, other
// text escaped in a <pre>, an image as an <img> with a data URL; optionally followed
// by a text field's items with their hits marked. The page is UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "field_text.h"

namespace zdb {

// The page of `bytes` of content type `type`, with `text` after it when not null.
// Throws kCannotConvert for a type that is neither text nor an image.
std::string documentHtml(std::string_view bytes, std::string_view type, const FieldText* text);

// `text` with the characters that HTML text and attribute values give a meaning
// (& < > " ') written as entities: the one escaper of the engine's HTML.
std::string escapeHtml(std::string_view text);

}  // namespace zdb

// field_value.cpp - taking ${ZOLTVFLD} and ${ZOLTPIFE} values apart.

#include "entry/field_value.h"

#include "cgi/text_pieces.h"
#include "config/config_syntax.h"

FieldValue parseFieldValue(std::string_view value) {
    FieldValue parsed;
    std::vector<std::string_view> pieces = splitPieces(value, ".\n");
    std::size_t next = 0;
    if (!pieces.empty()) {
        parsed.part = readNumber(pieces[0]);
        if (parsed.part != 0) ++next;  // the first piece was the part number
    }
    if (next < pieces.size()) parsed.field = pieces[next++];
    for (; next < pieces.size(); ++next) parsed.words.emplace_back(pieces[next]);
    return parsed;
}

ViewField parseViewField(std::string_view value) {
    FieldValue parsed = parseFieldValue(value);
    ViewField view{parsed.part, parsed.field, {}, !parsed.words.empty()};
    if (view.hasTextField) view.textField = parsed.words.front();
    return view;
}

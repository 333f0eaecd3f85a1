// view_field.cpp - taking a ${ZOLTVFLD} value apart into part, field and text field.

#include "entry/view_field.h"

#include <vector>

#include "cgi/text_pieces.h"
#include "config/config_syntax.h"

ViewField parseViewField(std::string_view value) {
    ViewField view;
    std::vector<std::string_view> pieces = splitPieces(value, ".\n");
    std::size_t next = 0;
    if (!pieces.empty()) {
        view.part = readNumber(pieces[0]);
        if (view.part != 0) ++next;  // the first piece was the part number
    }
    if (next < pieces.size()) view.field = pieces[next++];
    if (next < pieces.size()) {
        view.textField = pieces[next];
        view.hasTextField = true;
    }
    return view;
}

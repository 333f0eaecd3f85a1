// view_field.h - the ${ZOLTVFLD} value of a view request taken apart: an optional
// record part number, the field that holds the document, an optional text field.
#pragma once

#include <string>
#include <string_view>

struct ViewField {
    int part = 0;              // record part (0: none)
    std::string field;         // field holding the document
    std::string textField;     // text field whose hits the view marks
    bool hasTextField = false;
};

// Longest ${ZOLTVFLD} value a view request takes (characters).
inline constexpr std::size_t kViewFieldNameMax = 127;

// Splits value at "." and line feeds (empty pieces fall away): a first piece that reads
// as a number other than 0 is the part and the next piece the field; otherwise the
// first piece is the field. The piece after the field, if any, is the text field.
ViewField parseViewField(std::string_view value);

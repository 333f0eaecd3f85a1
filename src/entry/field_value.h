// field_value.h - the values of ${ZOLTVFLD} (a view) and ${ZOLTPIFE} (a binary field)
// taken apart: an optional record part number, a field of the record, then words of
// the request's own (the view's text field; the binary field's subtype and type).
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct FieldValue {
    int part = 0;                      // record part (0: none)
    std::string field;                 // the field named
    std::vector<std::string> words;    // the pieces after the field, in order
};

// Splits value at "." and line feeds (empty pieces fall away): a first piece that reads
// as a number other than 0 is the part and the next piece the field; otherwise the
// first piece is the field. The pieces after the field are its words.
FieldValue parseFieldValue(std::string_view value);

struct ViewField {
    int part = 0;              // record part (0: none)
    std::string field;         // field holding the document
    std::string textField;     // text field whose hits the view marks
    bool hasTextField = false;
};

// Longest ${ZOLTVFLD} value a view request takes (characters).
inline constexpr std::size_t kViewFieldNameMax = 127;

// A ${ZOLTVFLD} value: the field's first word, if any, is the text field.
ViewField parseViewField(std::string_view value);

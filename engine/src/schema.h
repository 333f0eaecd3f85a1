// schema.h - a database's fields and display formats as the engine sees them.
// Field numbers run 1, 2, 3 ... in schema order; names compare without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zdb.h"

namespace zdb {

inline constexpr int kMaxFields = 250;

struct Field {
    int number = 0;       // 1, 2, 3 ... in schema order
    std::string name;     // as the schema writes it
    int type = 0;         // ZDB_FIELD_TEXT ... ZDB_FIELD_BLOB
    int flags = 0;        // ZDB_FIELD_FLAG_PART for a part field

    bool isPart() const { return (flags & ZDB_FIELD_FLAG_PART) != 0; }
    // TEXT and PHRASE fields are indexed by word.
    bool isWordField() const { return type == ZDB_FIELD_TEXT || type == ZDB_FIELD_PHRASE; }
    // INTEGER, NUMBER, DATE, TIME and STRING fields are indexed by value.
    bool isValueField() const { return type >= ZDB_FIELD_INTEGER && type <= ZDB_FIELD_STRING; }
};

struct Schema {
    std::string name;                                          // database name as created
    std::string kind = "DATABASE";                             // DATABASE or THESAURUS
    std::vector<Field> fields;                                 // in number order
    std::vector<std::pair<std::string, std::string>> formats;  // format name, line template
    // A thesaurus: the numbers of the field that holds each record's term, and of the
    // fields that list its broader and its narrower terms (0: none). A DATABASE has none.
    int termField = 0;
    int broaderField = 0;
    int narrowerField = 0;

    bool isThesaurus() const { return kind == "THESAURUS"; }
    // The line template of format `name` (any case), or null.
    const std::string* format(std::string_view name) const;
    // The field named `name` (any case), or null.
    const Field* find(std::string_view name) const;
    // The field numbered `number`, or null.
    const Field* byNumber(int number) const;
};

// The type code of a type name (any case), 0 for an unknown name.
int fieldTypeFromName(std::string_view name);
// The upper-case name of a type code.
const char* fieldTypeName(int type);
// True for names of letters, digits, "_" and "-" of 1 to 64 characters (database names).
bool isValidDatabaseName(std::string_view name);
// True for field names: a letter, then letters, digits and "_", at most 64 characters,
// and none of the words that the query language reserves.
bool isValidFieldName(std::string_view name);

}  // namespace zdb

// window_lines.h - the lines of one record in display window 1: the record's line
// built from a format, then wrapped at the window's columns. Lines count bytes of
// the session's character set and never split a character; they break after a
// blank where one lies within the line, else at the last character that fits.
#pragma once

#include <string>
#include <vector>

#include "charset.h"
#include "field_text.h"
#include "record.h"
#include "schema.h"
#include "session.h"

namespace zdb {

// How SHOW lays a record out.
struct LineFormat {
    enum class Kind { Default, Named, Fields } kind = Kind::Default;
    std::string name;                  // Named: the schema format's name
    std::vector<std::string> fields;   // Fields: field names, joined by " - "
};

// The format that SHOW's format text gives: empty for the default line, "f=NAME" for
// a format of the schema, else field names separated by blanks or commas. The text
// comes from a request: it chooses what is shown, and none of it is shown itself.
// Throws kUnknownFormat or kUnknownField when no database of `dbs` knows a name.
LineFormat parseLineFormat(std::string_view text, const std::vector<std::shared_ptr<Database>>& dbs);

// A record's line in UTF-8, with its hits as ranges. `number` is the record's
// position in the list shown (from 1); `hits` are its hits counted in UTF-8.
FieldText recordLine(const Schema& schema, const RecordContent& record, const std::vector<HitWord>& hits,
                     const LineFormat& format, size_t number);

// `line` wrapped at `columns` bytes of the session's set, hits placed in each line.
std::vector<WindowLine> wrapLine(const FieldText& line, const Charset& charset, int columns);

}  // namespace zdb

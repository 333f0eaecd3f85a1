// json_io.h - the JSON forms of schemas and records (zoltdb create, load, export).
// Input is checked whole before anything is written: a bad schema or record gives
// an InputError that names the field and what is wrong with it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "loader.h"
#include "schema.h"

namespace zdb {

class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The schema in `text`, for a database called `name` (the name in the file is ignored).
Schema parseSchemaJson(std::string_view text, const std::string& name);
// The schema as JSON text (zoltdb info).
std::string schemaToJson(const Schema& schema);
// One JSON Lines record into `out`; BLOB files are relative to `baseDir`.
void parseRecordJson(const Schema& schema, std::string_view line, const std::string& baseDir,
                     InputRecord& out);
// One record as a JSON line (without the line end); BLOBs as base64.
std::string recordToJson(const Schema& schema, const RecordContent& record,
                         const std::vector<InputBlob>& blobs);

}  // namespace zdb

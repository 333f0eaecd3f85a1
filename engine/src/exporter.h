// exporter.h - ZdbExport's converters "zolttohtml" and "zvconverttohtml": the BLOB
// that the request block carries becomes an HTML file in the directory the block's
// parameters name. The file's name cannot leave that directory (no "/", no leading
// "."), and the file is written under a temporary name and renamed, so that a
// reader (the web server) never sees half a file.
#pragma once

#include <string>
#include <string_view>

#include "session.h"

namespace zdb {

// The parameters of an export, as the converters' parameter texts give them.
struct ExportParameters {
    std::string file;        // the output file's name
    std::string directory;   // the directory it goes to
    std::string textField;   // zvconverttohtml: the text field whose content follows
    std::string templateName;
};

// Parameters "File:=NAME,Dir:=DIR[,Template:=T]" (zolttohtml) or lines
// "OUT=NAME", "DIRECTORY=DIR", "TEXTFIELD=F", "TEMPLATE=T", "FORMAT=0"
// (zvconverttohtml); throws kInvalidArgument naming a key it does not know.
ExportParameters parseExportParameters(std::string_view converter, std::string_view text);

// Runs the export that `request` describes; throws on failure.
void runExport(Session& session, const ZdbExportRequest& request);

// Writes `content` as file `name` of `directory`, whole or not at all.
void writeWhole(const std::string& directory, const std::string& name, std::string_view content);

}  // namespace zdb

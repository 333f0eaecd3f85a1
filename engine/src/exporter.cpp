// exporter.cpp - the request block read and checked, the page made, the file written.

#include "exporter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "codes.h"
#include "error.h"
#include "export_html.h"
#include "record_access.h"
#include "text_util.h"

namespace zdb {
namespace {

constexpr std::string_view kPageConverter = "zolttohtml";
constexpr std::string_view kTextConverter = "zvconverttohtml";
constexpr int kBlockVersion = 4;   // the value a caller of this block layout sets at offset 120
constexpr size_t kMaxFileName = 255;

// True for a file name that stays inside its directory and is no hidden file:
// letters, digits, ".", "_" and "-", not beginning with "." (so neither "." nor "..").
bool safeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileName || name.front() == '.') return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '_' || c == '-'))
            return false;
    return true;
}

// Sets the parameter `key` (as the converter names it) of `out` to `value`.
void setParameter(ExportParameters& out, std::string_view key, std::string_view value) {
    std::string upper = upperCase(trim(key));
    if (upper == "FILE" || upper == "OUT") out.file = std::string(value);
    else if (upper == "DIR" || upper == "DIRECTORY") out.directory = std::string(value);
    else if (upper == "TEXTFIELD") out.textField = std::string(trim(value));
    else if (upper == "TEMPLATE") out.templateName = std::string(value);
    else if (upper != "FORMAT") throw EngineError(kInvalidArgument, std::string(trim(key)));
}

// The text field's content with its hits, from the block's record control.
FieldText textFieldContent(Session& s, const ZdbExportRequest& request, const ZdbCursorData* cursor,
                           const std::string& name) {
    ZdbRecordControlData& rc = currentRecord(s, request.recordControl);
    const Field* field = rc.db->schema().find(s.charset().toUtf8(name));
    if (!field) throw EngineError(kUnknownField, name);
    loadContent(rc);
    int part = field->isPart() && cursor && cursor->rc == &rc ? cursor->part : 0;
    return fieldText(rc.content, part, field->number, utf8Hits(s, rc), "\n");
}

}  // namespace

ExportParameters parseExportParameters(std::string_view converter, std::string_view text) {
    ExportParameters out;
    if (converter == kTextConverter) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            start = end + 1;
            if (trim(line).empty()) continue;
            size_t eq = line.find('=');
            if (eq == std::string_view::npos) throw EngineError(kInvalidArgument, std::string(trim(line)));
            setParameter(out, line.substr(0, eq), line.substr(eq + 1));
        }
        return out;
    }
    // "Key:=value" pieces joined by commas; a comma that no "Key:=" follows belongs
    // to the value (a directory may hold one).
    auto startsPiece = [&](size_t at) {
        size_t i = at;
        while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z'))) ++i;
        return i > at && text.substr(i, 2) == ":=";
    };
    size_t start = 0;
    while (start < text.size()) {
        if (!startsPiece(start)) throw EngineError(kInvalidArgument, std::string(text.substr(start)));
        size_t end = start;
        while ((end = text.find(',', end)) != std::string_view::npos && !startsPiece(end + 1)) ++end;
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        size_t mark = piece.find(":=");
        setParameter(out, piece.substr(0, mark), piece.substr(mark + 2));
        start = end + 1;
    }
    return out;
}

void writeWhole(const std::string& directory, const std::string& name, std::string_view content) {
    if (!safeFileName(name)) throw EngineError(kBadFileName, name);
    struct stat info {};
    if (directory.empty() || stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw EngineError(kExportWriteFailed, directory, "not a directory: " + directory);
    std::string path = directory + "/" + name;
    std::string temporary = directory + "/." + name + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) throw EngineError(kExportWriteFailed, path, "create " + temporary + ": " + std::strerror(errno));
    size_t written = 0;
    while (written < content.size()) {
        ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    // Readable by the web server, like a file it serves.
    bool ok = written == content.size() && fchmod(fd, 0644) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
        std::string reason = std::strerror(errno);
        unlink(temporary.c_str());
        throw EngineError(kExportWriteFailed, path, "write " + path + ": " + reason);
    }
}

void runExport(Session& s, const ZdbExportRequest& request) {
    std::string_view converter(request.converter, strnlen(request.converter, sizeof request.converter));
    if (converter != kPageConverter && converter != kTextConverter)
        throw EngineError(kUnknownConverter, std::string(converter));
    if (request.value4 != kBlockVersion || request.contentSize < 0 || (request.contentSize > 0 && !request.content) ||
        !request.parameters || request.parametersSize < 1)
        throw EngineError(kInvalidArgument, "ZdbExport");
    std::string_view text(request.parameters, strnlen(request.parameters, static_cast<size_t>(request.parametersSize)));
    ExportParameters parameters = parseExportParameters(converter, text);
    if (!parameters.templateName.empty()) throw EngineError(kInvalidArgument, "Template");
    // The content type is the BLOB's, at the block's cursor.
    ZdbCursorData& cursor = s.cursor(request.cursor);
    const Field& field = cursorField(cursor);
    if (field.type != ZDB_FIELD_BLOB) throw EngineError(kNotABlobField, field.name);
    std::string type = cursor.rc->db->blobType(cursor.rc->id, effectivePart(cursor, field), field.number);
    std::string_view bytes(request.content ? request.content : "", static_cast<size_t>(request.contentSize));
    std::string page;
    if (converter == kTextConverter) {
        if (parameters.textField.empty()) throw EngineError(kInvalidArgument, "TEXTFIELD");
        FieldText content = textFieldContent(s, request, &cursor, parameters.textField);
        page = documentHtml(bytes, type, &content);
    } else {
        page = documentHtml(bytes, type, nullptr);
    }
    writeWhole(parameters.directory, parameters.file, page);
}

}  // namespace zdb

// binary_field.cpp - the response to a binary field request (${ZOLTPIFE}): the record of
// the saved result, then one header with the field's content type, then the field's
// bytes as they stand, written once by the template's field reference in binary mode.
// Invariant: the header carries a type from the configuration or a plain type/subtype
// made of the request's words, and it is written only once the field has been found:
// a failure before it is the error page, never an image header followed by HTML.

#include <optional>
#include <string>

#include "cgi/response.h"
#include "entry/field_value.h"
#include "entry/zoltgw.h"

namespace {

// Longest ${ZOLTPIFE} value taken (characters): cut, it would name another field.
constexpr int kBinaryFieldNameMax = 255;

// True for a word of a content type the request may give: letters, digits and ".+-".
// A line break would end the header and start one of the request's own.
bool isPlainTypeWord(std::string_view word) {
    if (word.empty()) return false;
    for (char c : word) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '+' || c == '-';
        if (!plain) return false;
    }
    return true;
}

// True for a configured content type that keeps the header one line.
bool isOneLine(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

// The content type of the field: image/gif without words; type/subtype for two words;
// for one word the configured type of that suffix, else image/ and the word. Nothing
// when the words are not plain or the configured type would break the header.
std::optional<std::string> contentTypeOf(const FieldValue& value, const NamedList<StrBuf>& mimeTypes) {
    if (value.words.empty()) return "image/gif";
    const std::string& subtype = value.words[0];
    if (value.words.size() >= 2) {
        const std::string& type = value.words[1];
        if (!isPlainTypeWord(type) || !isPlainTypeWord(subtype)) return std::nullopt;
        return type + "/" + subtype;
    }
    if (const StrBuf* configured = findValueByName(mimeTypes, subtype); configured && !configured->empty()) {
        if (!isOneLine(configured->view())) return std::nullopt;
        return configured->str();
    }
    if (!isPlainTypeWord(subtype)) return std::nullopt;
    return "image/" + subtype;
}

// Everything the header depends on, before anything is written: the value's length,
// the content type, the record and the field (looked up as the field reference will
// look it up: the value's part, else the current one). 0 with `type` set, or -1 with
// the error fields set.
int checkBinaryField(zoltgw& gw, const FieldValue& value, std::string& type) {
    if (gw.findresult.binaryFieldName.length() > kBinaryFieldNameMax)
        return gw.failStep("(S) Binary field name longer than 255 characters", 0);
    const std::optional<std::string> contentType = contentTypeOf(value, gw.mimeTypes);
    if (!contentType) return gw.failStep("(S) Invalid content type for a binary field", 0);
    type = *contentType;
    if (gw.readSavedRecord(0, "(S) No record for the binary field: the request names no saved result") != 0)
        return -1;
    const int found = gw.db.getField(value.field.c_str(), value.part != 0 ? value.part : gw.zgwPart);
    if (found < 0) return gw.failWithEngineMessage(0);
    if (found == 0) return gw.failStep("(S) The record has no part " + std::to_string(value.part), 0);
    return 0;
}

}  // namespace

void zoltgw::outputZoltbin() {
    const FieldValue value = parseFieldValue(findresult.binaryFieldName.view());
    std::string type;
    if (checkBinaryField(*this, value, type) != 0) {
        printStatusPage();
        return;
    }
    writeResponse("Content-Type: " + type + "\n\n");
    std::string variable = "${";
    if (value.part != 0) variable += std::to_string(value.part) + ".";
    variable += value.field + ".@}";  // a field the engine knows: letters, digits and "_"
    binaryOutput = 1;
    page.zoltVariable(variable);
    flushResponse();
    binaryOutput = 0;
}

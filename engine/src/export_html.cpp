// export_html.cpp - the HTML converters' pages.

#include "export_html.h"

#include "base64.h"
#include "charset.h"
#include "codes.h"
#include "error.h"
#include "text_util.h"

namespace zdb {
namespace {

// The media type of a content type, in lower case, without its parameters.
std::string mediaType(std::string_view type) {
    std::string out;
    for (char c : trim(type.substr(0, type.find(';')))) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return out;
}

// The value of the content type's charset parameter, or empty.
std::string charsetOf(std::string_view type) {
    std::string lower;
    for (char c : type) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    size_t at = lower.find("charset=");
    if (at == std::string::npos) return {};
    std::string_view value = trim(std::string_view(type).substr(at + 8));
    value = value.substr(0, value.find(';'));
    if (!value.empty() && value.front() == '"') value = value.substr(1, value.find('"', 1) - 1);
    return std::string(trim(value));
}

// True for a media type that may stand in a data URL as it is: letters, digits and
// the few signs media types use, so nothing can end the attribute it stands in.
bool plainMediaType(const std::string& type) {
    for (char c : type)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '+' || c == '-'))
            return false;
    return !type.empty();
}

// Text content in UTF-8: converted from its declared set, else taken as UTF-8 when
// it is valid UTF-8, else as Latin-1 (the usual set of older plain text files).
std::string textAsUtf8(std::string_view bytes, std::string_view type) {
    std::string declared = charsetOf(type);
    if (!declared.empty())
        if (auto converted = utf8FromNamedSet(declared, bytes)) return *converted;
    if (isValidUtf8(bytes)) return std::string(bytes);
    return *utf8FromNamedSet("ISO-8859-1", bytes);
}

// The text field's items as paragraphs, each hit in a <mark>.
std::string markedText(const FieldText& text) {
    std::string out = "<div class=\"zolttext\">\n";
    size_t hit = 0;
    for (const TextRange& item : text.items) {
        out += "<p>";
        size_t at = item.start;
        for (; hit < text.hits.size() && text.hits[hit].end <= item.end; ++hit) {
            const TextRange& range = text.hits[hit];
            if (range.start < at) continue;
            out += escapeHtml(std::string_view(text.text).substr(at, range.start - at));
            out += "<mark>" + escapeHtml(std::string_view(text.text).substr(range.start, range.end - range.start)) + "</mark>";
            at = range.end;
        }
        out += escapeHtml(std::string_view(text.text).substr(at, item.end - at)) + "</p>\n";
    }
    return out + "</div>\n";
}

}  // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string documentHtml(std::string_view bytes, std::string_view type, const FieldText* text) {
    std::string media = mediaType(type);
    std::string tail = text ? markedText(*text) : std::string();
    // HTML arrives byte for byte; the marked text follows it.
    if (media == "text/html") return std::string(bytes) + tail;
    std::string body;
    if (media.rfind("text/", 0) == 0) {
        body = "<pre>" + escapeHtml(textAsUtf8(bytes, type)) + "</pre>\n";
    } else if (media.rfind("image/", 0) == 0 && plainMediaType(media)) {
        body = "<img src=\"data:" + media + ";base64," + base64Encode(bytes) + "\" alt=\"\">\n";
    } else {
        throw EngineError(kCannotConvert, media.empty() ? std::string("(none)") : media);
    }
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n" + body + tail +
           "</body>\n</html>\n";
}

}  // namespace zdb

// multipart.cpp - the multipart body reader. It holds back one body line, so that the
// line break in front of a boundary line can be left out of the field or the file.
// The field name is taken from a fixed column of the Content-Disposition line, as the
// browsers of this gateway's users have always written it.

#include "cgi/multipart.h"

#include <optional>

#include "cgi/debug_log.h"
#include "cgi/decoded_entry.h"
#include "cgi/line_piece.h"
#include "cgi/platform.h"
#include "cgi/upload_store.h"

namespace {

// The line without its line end (a trailing line feed and a carriage return before it).
std::string_view withoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// The text from `start` to the next double quote, or to the end of the line's content.
std::string_view quotedFrom(std::string_view content, std::size_t start) {
    if (start >= content.size()) return {};
    auto quote = content.find('"', start);
    return content.substr(start, quote == std::string_view::npos ? std::string_view::npos
                                                                 : quote - start);
}

// The field name of a Content-Disposition line; empty when the line is too short.
std::string_view fieldName(std::string_view header) {
    return quotedFrom(withoutLineEnd(header), kFieldNameColumn);
}

// The file name of an upload's Content-Disposition line, or nothing for a plain field.
std::optional<std::string_view> uploadFileName(std::string_view header) {
    std::string_view content = withoutLineEnd(header);
    constexpr std::string_view kMarker = "filename=\"";
    auto at = content.find(kMarker);
    if (at == std::string_view::npos) return std::nullopt;
    return quotedFrom(content, at + kMarker.size());
}

// The held body line as it goes out in front of a boundary: without the line break that
// belongs to the boundary. A line without one (a piece of a longer line) stays whole.
std::string_view beforeBoundary(std::string_view held) {
    if (held.size() >= 2 && held.substr(held.size() - 2) == "\r\n") return held.substr(0, held.size() - 2);
    if (!held.empty() && held.back() == '\n') return held.substr(0, held.size() - 1);
    return held;
}

// Where the bytes of one part go: an upload file, a discarded upload, or a field value.
struct PartSink {
    bool upload = false;
    UploadFile file;    // open when the upload is stored
    std::string value;  // a field's value

    void put(std::string_view bytes) {
        if (!upload) value.append(bytes);
        else if (file.isOpen()) file.write(bytes);
    }
};

}  // namespace

std::string multipartBoundary(std::string_view contentType) {
    constexpr std::string_view kMarker = "boundary=";
    auto at = contentType.find(kMarker);
    if (at == std::string_view::npos) return {};
    return std::string(contentType.substr(at + kMarker.size()));
}

int decodeMultipart(EntryList& list, std::FILE* input, std::string_view contentType,
                    const char* userAgent, const std::string& uploadDirectory) {
    list_create(list);
    setBinaryMode(input);
    const std::string boundary = multipartBoundary(contentType);
    if (boundary.empty()) {
        // Every line would "contain" an empty boundary: refuse to guess, decode nothing.
        if (debugOn()) debugLog("zgwcgi: multipart request without a boundary, no entries");
        return 0;
    }
    if (debugOn()) debugLog("zgwcgi: multipart boundary %s", boundary.c_str());

    // The body in lines; a longer line comes in pieces of kMultipartLineLimit bytes.
    auto next = [input](std::string& line) { return readLinePiece(input, line, kMultipartLineLimit); };
    UploadDirectory uploads(uploadDirectory);
    std::string line;
    int count = 0;
    Entry* last = nullptr;
    if (!next(line)) return 0;  // the opening boundary
    while (next(line)) {
        std::string name(fieldName(line));
        PartSink sink;
        if (auto fileName = uploadFileName(line)) {
            std::string shownName = agentFileName(*fileName, userAgent);
            last = insertDecoded(list, last, name, shownName, "zgwcgi: upload");
            ++count;
            sink.upload = true;
            std::string stored = safeUploadName(cutAtNul(shownName));
            if (!stored.empty()) sink.file = uploads.create(stored);
            else if (debugOn()) debugLog("zgwcgi: upload without a usable file name is not stored");
        }
        // Further headers, up to and including the empty line.
        bool headersEnded = false;
        while (next(line)) {
            if (line.starts_with("\r\n")) { headersEnded = true; break; }
        }
        if (!headersEnded) return count;

        std::string held;
        bool holding = false;
        bool boundarySeen = false;
        while (next(line)) {
            if (line.find(boundary) != std::string::npos) {
                if (holding) sink.put(beforeBoundary(held));
                boundarySeen = true;
                break;
            }
            if (holding) sink.put(held);
            held.swap(line);
            holding = true;
        }
        if (!boundarySeen) {
            if (debugOn()) debugLog("zgwcgi: multipart body ends inside a part");
            return count;
        }
        if (sink.upload) {
            sink.file.close();
        } else {
            last = insertDecoded(list, last, name, sink.value, "zgwcgi: entry");
            ++count;
        }
    }
    return count;
}

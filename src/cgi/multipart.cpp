// multipart.cpp - the multipart body reader. It holds back only the line end in front
// of a boundary line, wherever the 512-byte pieces cut it, so that every field and
// every file is exactly what was sent.
// The field name is taken from a fixed column of the Content-Disposition line, as the
// browsers of this gateway's users have always written it.

#include "cgi/multipart.h"

#include <optional>
#include <string>

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

// The body of a part on its way out. The line end in front of the boundary belongs to
// the boundary, not to the value or the file, and it may be split over two pieces (a
// carriage return that fills a piece and its line feed in the next one). So only the
// trailing line-end bytes of what arrived so far are held back, never whole pieces:
// everything else goes out at once, and a value or file is byte for byte what was sent.
class BodyBytes {
public:
    // Takes the next piece of the body (not a boundary line); returns the bytes that
    // are now certain to belong to the part.
    std::string_view take(std::string_view piece) {
        out_.assign(held_);
        out_.append(piece);
        std::size_t keep = lineEndLength(out_);
        held_.assign(out_, out_.size() - keep, keep);
        out_.resize(out_.size() - keep);
        return out_;
    }
    // The held bytes that still belong to the part when the boundary comes: a line end
    // ("\r\n" or "\n") goes with the boundary; a lone carriage return is data.
    std::string_view atBoundary() const {
        return held_.empty() || held_.back() == '\n' ? std::string_view() : std::string_view(held_);
    }

private:
    // Length of the line end that text ends with: "\r\n" 2, "\n" 1, and a carriage
    // return 1, since its line feed may still come.
    static std::size_t lineEndLength(std::string_view text) {
        if (text.ends_with("\r\n")) return 2;
        if (text.ends_with('\n') || text.ends_with('\r')) return 1;
        return 0;
    }

    std::string held_;  // at most "\r\n"
    std::string out_;   // the bytes last released
};

// The body read in pieces of at most kMultipartLineLimit bytes, knowing which piece
// begins a line: only a piece at a line start can be the empty line that ends the
// headers, so a long header line cut just before its line end ends nothing.
struct BodyReader {
    std::FILE* input;
    std::string piece;         // the piece last read
    bool atLineStart = true;   // piece begins a line

    // Reads the next piece; false at the end of the body.
    bool next() {
        atLineStart = piece.empty() || piece.back() == '\n';
        return readLinePiece(input, piece, kMultipartLineLimit);
    }
    // Reads on to the end of the current line; false when the body ends first.
    bool skipRestOfLine() {
        while (piece.empty() || piece.back() != '\n')
            if (!next()) return false;
        return true;
    }
    // Reads the further header lines up to and including the empty line, written with
    // CR LF or a bare LF; false when the body ends first.
    bool skipHeaders() {
        while (next())
            if (atLineStart && (piece == "\r\n" || piece == "\n")) return true;
        return false;
    }
};

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

    BodyReader body{input, {}, true};
    UploadDirectory uploads(uploadDirectory);
    int count = 0;
    Entry* last = nullptr;
    if (!body.next() || !body.skipRestOfLine()) return 0;  // the opening boundary
    while (body.next()) {
        const std::string& header = body.piece;  // the Content-Disposition line
        std::string name(fieldName(header));
        PartSink sink;
        if (auto fileName = uploadFileName(header)) {
            std::string shownName = agentFileName(*fileName, userAgent);
            last = insertDecoded(list, last, name, shownName, "zgwcgi: upload");
            ++count;
            sink.upload = true;
            std::string stored = safeUploadName(cutAtNul(shownName));
            if (!stored.empty()) sink.file = uploads.create(stored);
            else if (debugOn()) debugLog("zgwcgi: upload without a usable file name is not stored");
        }
        if (!body.skipRestOfLine() || !body.skipHeaders()) return count;

        BodyBytes bytes;
        bool boundarySeen = false;
        while (body.next()) {
            if (body.piece.find(boundary) != std::string::npos) {
                sink.put(bytes.atBoundary());
                boundarySeen = true;
                break;
            }
            sink.put(bytes.take(body.piece));
        }
        if (!boundarySeen || !body.skipRestOfLine()) {
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

// session_text.cpp - piecewise conversion with offset bookkeeping.

#include "session_text.h"

namespace zdb {

SessionText toSessionText(const Charset& charset, std::string_view utf8, const std::vector<size_t>& cuts) {
    SessionText out;
    if (charset.isUtf8()) {
        out.text = std::string(utf8);
        out.offsets = cuts;
        return out;
    }
    out.offsets.reserve(cuts.size());
    size_t from = 0;
    for (size_t cut : cuts) {
        if (cut > from) {
            out.text += charset.toSession(utf8.substr(from, cut - from));
            from = cut;
        }
        out.offsets.push_back(out.text.size());
    }
    if (from < utf8.size()) out.text += charset.toSession(utf8.substr(from));
    return out;
}

std::vector<size_t> characterBoundaries(std::string_view utf8) {
    std::vector<size_t> boundaries;
    boundaries.reserve(utf8.size() + 1);
    size_t i = 0;
    while (i < utf8.size()) {
        boundaries.push_back(i);
        i += utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
    }
    boundaries.push_back(utf8.size());
    return boundaries;
}

std::string fitSession(const Charset& charset, std::string_view utf8, size_t limit) {
    std::string whole = charset.toSession(utf8);
    if (whole.size() <= limit) return whole;
    std::vector<size_t> cuts = characterBoundaries(utf8);
    SessionText text = toSessionText(charset, utf8, cuts);
    size_t keep = 0;
    for (size_t offset : text.offsets)
        if (offset <= limit) keep = offset;
    return text.text.substr(0, keep);
}

}  // namespace zdb

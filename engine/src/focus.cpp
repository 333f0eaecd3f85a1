// focus.cpp - choosing the excerpt: every word start is a candidate beginning that
// takes the words fitting after it; the one holding most hits gives the cluster, and
// the excerpt then shares the room the cluster leaves on both of its sides.

#include "focus.h"

#include <algorithm>
#include <cstdlib>

#include "session_text.h"
#include "tokenizer.h"

namespace zdb {
namespace {

// The place of a UTF-8 offset (one of `cuts`) in the converted text.
size_t placeOf(const std::vector<size_t>& cuts, const SessionText& text, size_t offset) {
    auto it = std::lower_bound(cuts.begin(), cuts.end(), offset);
    return text.offsets[static_cast<size_t>(it - cuts.begin())];
}

// The longest prefix of `utf8` from `start` that takes at most `size` session bytes,
// cut at a character: the end offset (for a first word longer than the excerpt).
size_t characterCut(const std::string& utf8, size_t start, size_t size, const Charset& charset) {
    // No character takes fewer than one byte in any set offered: 4 * size + 4 UTF-8
    // bytes hold more than `size` session bytes.
    std::string_view piece = std::string_view(utf8).substr(start, 4 * size + 4);
    std::vector<size_t> cuts = characterBoundaries(piece);
    SessionText text = toSessionText(charset, piece, cuts);
    size_t end = 0;
    for (size_t k = 0; k < cuts.size(); ++k)
        if (text.offsets[k] <= size) end = cuts[k];
    return start + end;
}

}  // namespace

Excerpt focusExcerpt(const FieldText& field, size_t size, const Charset& charset) {
    const std::string& utf8 = field.text;
    std::vector<Token> words = tokenize(utf8);
    std::vector<size_t> starts{0}, ends;
    for (const Token& word : words) {
        starts.push_back(word.start);
        ends.push_back(word.end);
    }
    ends.push_back(utf8.size());
    std::vector<size_t> cuts = starts;
    cuts.insert(cuts.end(), ends.begin(), ends.end());
    for (const TextRange& hit : field.hits) {
        cuts.push_back(hit.start);
        cuts.push_back(hit.end);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    SessionText session = toSessionText(charset, utf8, cuts);
    auto at = [&](size_t offset) { return placeOf(cuts, session, offset); };
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    // The densest cluster: for each word start, the words that fit after it; the
    // start whose window holds most hits wins (the earliest among equals).
    size_t bestCount = 0, clusterFirst = 0, clusterPast = 0;
    size_t endIndex = 0, firstHit = 0, pastHit = 0;
    for (size_t start : starts) {
        if (field.hits.empty()) break;
        while (firstHit < field.hits.size() && field.hits[firstHit].start < start) ++firstHit;
        while (endIndex < ends.size() && ends[endIndex] <= start) ++endIndex;
        if (endIndex == ends.size()) break;
        while (endIndex + 1 < ends.size() && at(ends[endIndex + 1]) - at(start) <= size) ++endIndex;
        if (at(ends[endIndex]) - at(start) > size) continue;
        pastHit = std::max(pastHit, firstHit);
        while (pastHit < field.hits.size() && field.hits[pastHit].end <= ends[endIndex]) ++pastHit;
        if (pastHit - firstHit > bestCount) {
            bestCount = pastHit - firstHit;
            clusterFirst = firstHit;
            clusterPast = pastHit;
        }
    }
    // The excerpt's start: with hits, the room the cluster leaves shared on both of its
    // sides (less before it where the text ends soon after); else the field's start.
    size_t target = 0;
    if (bestCount > 0) {
        size_t clusterStart = at(field.hits[clusterFirst].start);
        size_t slack = size - (at(field.hits[clusterPast - 1].end) - clusterStart);
        target = clusterStart > slack / 2 ? clusterStart - slack / 2 : 0;
        size_t total = at(utf8.size());
        if (total - target < size) target = total > size ? total - size : 0;
        target = std::min(target, clusterStart);
    }
    // The last word start at or before the target from which the cluster still fits,
    // else the first one after it.
    size_t bestStart = utf8.size(), bestEnd = 0;
    size_t clusterEnd = bestCount > 0 ? at(field.hits[clusterPast - 1].end) : 0;
    for (size_t start : starts) {
        if (at(start) <= target && clusterEnd <= at(start) + size) bestStart = start;
        if (at(start) >= target) {
            if (bestStart == utf8.size()) bestStart = start;
            break;
        }
    }
    // The last word end that fits after the start (ends ascend).
    for (size_t end : ends) {
        if (end <= bestStart) continue;
        if (at(end) - at(bestStart) > size) break;
        bestEnd = end;
    }
    if (bestEnd <= bestStart) {
        bestStart = words.empty() ? 0 : words.front().start;  // a first word longer than the excerpt
        bestEnd = characterCut(utf8, bestStart, size, charset);
    }
    Excerpt out;
    if (bestEnd <= bestStart) return out;
    bool onCuts = std::binary_search(cuts.begin(), cuts.end(), bestEnd);
    size_t from = at(bestStart);
    if (onCuts) {
        out.text = session.text.substr(from, at(bestEnd) - from);
    } else {
        out.text = charset.toSession(std::string_view(utf8).substr(bestStart, bestEnd - bestStart));
    }
    for (const TextRange& hit : field.hits) {
        if (hit.start < bestStart || hit.end > bestEnd || !onCuts) continue;
        out.hits.emplace_back(static_cast<int>(at(hit.start) - from), static_cast<int>(at(hit.end) - at(hit.start)));
    }
    return out;
}

}  // namespace zdb

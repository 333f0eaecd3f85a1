// summary.cpp - sentences, their scores and the choice of the summary's sentences.

#include "summary.h"

#include <algorithm>
#include <set>

#include "focus.h"
#include "tokenizer.h"

namespace zdb {
namespace {

struct Sentence {
    size_t field = 0;             // index into the fields
    size_t item = 0;              // index of the item in its field
    TextRange range;              // in the field's text
    size_t words = 0;             // different query words in it
    size_t hits = 0;
    size_t order = 0;             // position among all sentences
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Appends the sentences of `range` (one item) of `text`, blanks around them dropped.
void splitSentences(const std::string& text, TextRange range, size_t field, size_t item,
                    std::vector<Sentence>& out) {
    size_t start = range.start;
    for (size_t i = range.start; i <= range.end; ++i) {
        bool end = i == range.end ||
                   ((text[i] == '.' || text[i] == '!' || text[i] == '?') && (i + 1 == range.end || isBlank(text[i + 1])));
        if (!end) continue;
        size_t stop = i == range.end ? i : i + 1;
        size_t from = start;
        while (from < stop && isBlank(text[from])) ++from;
        size_t to = stop;
        while (to > from && isBlank(text[to - 1])) --to;
        if (to > from) out.push_back(Sentence{field, item, TextRange{from, to}, 0, 0, out.size()});
        start = stop;
    }
}

// The sentence as a field text of its own, with its hits.
FieldText sentenceText(const FieldText& field, const Sentence& sentence) {
    FieldText out;
    out.text = field.text.substr(sentence.range.start, sentence.range.end - sentence.range.start);
    for (const TextRange& hit : field.hits)
        if (hit.start >= sentence.range.start && hit.end <= sentence.range.end)
            out.hits.push_back(TextRange{hit.start - sentence.range.start, hit.end - sentence.range.start});
    return out;
}

}  // namespace

std::string makeSummary(const std::vector<FieldText>& fields, const Charset& charset) {
    std::vector<Sentence> sentences;
    for (size_t f = 0; f < fields.size(); ++f)
        for (size_t i = 0; i < fields[f].items.size(); ++i)
            splitSentences(fields[f].text, fields[f].items[i], f, i, sentences);
    for (Sentence& sentence : sentences) {
        std::set<std::string> words;
        for (const TextRange& hit : fields[sentence.field].hits) {
            if (hit.start < sentence.range.start || hit.end > sentence.range.end) continue;
            ++sentence.hits;
            words.insert(foldedKey(std::string_view(fields[sentence.field].text).substr(hit.start, hit.end - hit.start)));
        }
        sentence.words = words.size();
    }
    bool anyHits = std::any_of(sentences.begin(), sentences.end(), [](const Sentence& s) { return s.hits > 0; });
    std::vector<const Sentence*> ranked;
    for (const Sentence& sentence : sentences)
        if (!anyHits || sentence.hits > 0) ranked.push_back(&sentence);
    if (anyHits)
        std::stable_sort(ranked.begin(), ranked.end(), [](const Sentence* a, const Sentence* b) {
            return a->words != b->words ? a->words > b->words : a->hits > b->hits;
        });
    // Sentences in rank order while they fit (a separator takes up to 5 bytes); the
    // first one always, cut to size around its hits when it alone is too long.
    std::vector<std::pair<const Sentence*, std::string>> chosen;
    size_t total = 0;
    for (const Sentence* sentence : ranked) {
        if (chosen.size() == kSummarySentences) break;
        FieldText text = sentenceText(fields[sentence->field], *sentence);
        std::string converted = charset.toSession(text.text);
        if (chosen.empty()) {
            if (converted.size() > kSummaryBytes) converted = focusExcerpt(text, kSummaryBytes, charset).text;
        } else if (total + 5 + converted.size() > kSummaryBytes) {
            continue;
        }
        total += (chosen.empty() ? 0 : 5) + converted.size();
        chosen.emplace_back(sentence, std::move(converted));
    }
    std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first->order < b.first->order; });
    // Neighbouring sentences join with a blank; a gap between them shows as " ... ".
    std::string summary;
    const Sentence* previous = nullptr;
    for (const auto& [sentence, text] : chosen) {
        if (previous) summary += sentence->order == previous->order + 1 ? " " : " ... ";
        summary += text;
        previous = sentence;
    }
    return summary;
}

}  // namespace zdb

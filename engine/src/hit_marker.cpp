// hit_marker.cpp - word, phrase and value hits of one record.

#include "hit_marker.h"

#include <algorithm>
#include <bitset>
#include <tuple>

#include "word_positions.h"

namespace zdb {
namespace {

struct Place {
    int paragraph;
    int item;
    size_t start;   // UTF-8 byte range in the item
    size_t end;
    bool operator<(const Place& o) const {
        return std::tie(paragraph, item, start) < std::tie(o.paragraph, o.item, o.start);
    }
    bool operator==(const Place& o) const {
        return paragraph == o.paragraph && item == o.item && start == o.start;
    }
};

struct WordAt {
    std::string term;
    uint32_t ordinal;
    Place place;
};

class WordList : public WordVisitor {
public:
    std::vector<WordAt> words;
    void word(std::string_view term, int paragraph, int item, size_t start, size_t end,
              uint32_t ordinal) override {
        words.push_back(WordAt{std::string(term), ordinal, Place{paragraph, item, start, end}});
    }
};

// Places the hits of single words as the tokenizer hands the words over: without a
// phrase to match, the field's words need not be kept.
class WordHits : public WordVisitor {
public:
    WordHits(const HitSpec& wanted, size_t field, std::vector<Place>& places)
        : wanted_(wanted), field_(field), places_(places) {
        for (const auto& word : wanted.words)
            if (word.first.size() <= kMaxWordBytes) lengths_.set(word.first.size());
    }
    void word(std::string_view term, int paragraph, int item, size_t start, size_t end,
              uint32_t) override {
        // Most words of a record have no wanted word's length: no need to hash them.
        if (term.size() > kMaxWordBytes || !lengths_.test(term.size())) return;
        auto it = wanted_.words.find(term);
        if (it != wanted_.words.end() && it->second.test(field_))
            places_.push_back(Place{paragraph, item, start, end});
    }

private:
    const HitSpec& wanted_;
    size_t field_;
    std::vector<Place>& places_;
    std::bitset<kMaxWordBytes + 1> lengths_;  // the byte lengths of the wanted words
};

// Adds the places of word and phrase hits in a TEXT or PHRASE field.
void markWordField(const FieldContent& content, const HitSpec& wanted, std::vector<Place>& places) {
    auto field = static_cast<size_t>(content.field);
    bool phrases = std::any_of(wanted.phrases.begin(), wanted.phrases.end(), [&](const HitSpec::Phrase& phrase) {
        return phrase.fields.test(field) && !phrase.terms.empty();
    });
    if (!phrases) {
        bool words = std::any_of(wanted.words.begin(), wanted.words.end(),
                                 [&](const auto& word) { return word.second.test(field); });
        if (!words) return;  // nothing of the query is searched in this field
        WordHits hits(wanted, field, places);
        visitWords(content, hits);
        return;
    }
    WordList list;
    visitWords(content, list);
    for (const WordAt& word : list.words) {
        auto it = wanted.words.find(word.term);
        if (it != wanted.words.end() && it->second.test(field)) places.push_back(word.place);
    }
    for (const HitSpec::Phrase& phrase : wanted.phrases) {
        if (!phrase.fields.test(field) || phrase.terms.empty()) continue;
        size_t n = phrase.terms.size();
        for (size_t i = 0; i + n <= list.words.size(); ++i) {
            bool match = true;
            for (size_t k = 0; k < n && match; ++k)
                match = list.words[i + k].term == phrase.terms[k] &&
                        list.words[i + k].ordinal == list.words[i].ordinal + k;
            if (match)
                for (size_t k = 0; k < n; ++k) places.push_back(list.words[i + k].place);
        }
    }
}

// Adds the items of a value field whose value matches.
void markValueField(const Field& field, const FieldContent& content, const HitSpec& wanted,
                    std::vector<Place>& places) {
    for (size_t p = 0; p < content.paragraphs.size(); ++p) {
        const auto& items = content.paragraphs[p];
        for (size_t i = 0; i < items.size(); ++i) {
            auto value = parseFieldValue(field.type, items[i]);
            if (!value) continue;
            for (const HitSpec::Value& target : wanted.values) {
                if (target.field != field.number || !valueMatches(*value, target.op, target.value))
                    continue;
                places.push_back(Place{content.firstParagraph + static_cast<int>(p),
                                       static_cast<int>(i), 0, items[i].size()});
                break;
            }
        }
    }
}

// The item that `place` lies in.
const std::string& itemText(const FieldContent& content, const Place& place) {
    return content.paragraphs[static_cast<size_t>(place.paragraph - content.firstParagraph)]
                             [static_cast<size_t>(place.item)];
}

}  // namespace

std::vector<HitWord> markHits(const Schema& schema, const RecordContent& record,
                              const HitSpec& wanted, const Charset& charset) {
    std::vector<HitWord> hits;
    for (const FieldContent& content : record.fields) {
        const Field* field = schema.byNumber(content.field);
        if (!field) continue;
        std::vector<Place> places;
        if (field->isWordField()) markWordField(content, wanted, places);
        else if (field->isValueField()) markValueField(*field, content, wanted, places);
        if (places.empty()) continue;
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        // Positions in the session's set: convert the text between hits piece by piece.
        size_t from = 0, sessionPos = 0;
        const Place* previous = nullptr;
        for (const Place& place : places) {
            const std::string& text = itemText(content, place);
            if (!previous || previous->paragraph != place.paragraph || previous->item != place.item) {
                from = 0;
                sessionPos = 0;
            }
            std::string_view view(text);
            if (place.start < from) continue;  // overlaps the previous hit: nothing new
            sessionPos += charset.sessionLength(view.substr(from, place.start - from));
            size_t length = charset.sessionLength(view.substr(place.start, place.end - place.start));
            hits.push_back(HitWord{content.part, content.field, place.paragraph, place.item,
                                   static_cast<int>(sessionPos + 1), static_cast<int>(length)});
            sessionPos += length;
            from = place.end;
            previous = &place;
        }
    }
    return hits;
}

}  // namespace zdb

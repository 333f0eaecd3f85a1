// word_positions.cpp - ordinals: one per word, plus one between items.

#include "word_positions.h"

namespace zdb {
namespace {

class ItemSink : public TokenSink {
public:
    ItemSink(WordVisitor& visitor, int paragraph, int item, uint32_t& ordinal, uint32_t& count)
        : visitor_(visitor), paragraph_(paragraph), item_(item), ordinal_(ordinal), count_(count) {}
    void word(std::string_view term, size_t start, size_t end) override {
        visitor_.word(term, paragraph_, item_, start, end, ordinal_++);
        ++count_;
    }

private:
    WordVisitor& visitor_;
    int paragraph_;
    int item_;
    uint32_t& ordinal_;
    uint32_t& count_;
};

}  // namespace

uint32_t visitWords(const FieldContent& content, WordVisitor& visitor) {
    uint32_t ordinal = 0;
    uint32_t count = 0;
    for (size_t p = 0; p < content.paragraphs.size(); ++p) {
        const auto& items = content.paragraphs[p];
        int paragraph = content.firstParagraph + static_cast<int>(p);
        for (size_t i = 0; i < items.size(); ++i) {
            ItemSink sink(visitor, paragraph, static_cast<int>(i), ordinal, count);
            tokenize(items[i], sink);
            ++ordinal;  // the gap that keeps phrases inside one item
        }
    }
    return count;
}

}  // namespace zdb

// field_text.cpp - joining a field's items and placing its hits.

#include "field_text.h"

#include <map>
#include <utility>

namespace zdb {

FieldText fieldText(const RecordContent& record, int part, int field, const std::vector<HitWord>& hits,
                    std::string_view separator) {
    FieldText out;
    const FieldContent* content = record.find(part, field);
    if (!content) return out;
    std::map<std::pair<int, int>, size_t> itemStart;  // (paragraph, item) -> offset
    for (size_t p = 0; p < content->paragraphs.size(); ++p) {
        int paragraph = content->firstParagraph + static_cast<int>(p);
        const auto& items = content->paragraphs[p];
        for (size_t i = 0; i < items.size(); ++i) {
            if (!out.text.empty() || !out.items.empty()) out.text += separator;
            itemStart[{paragraph, static_cast<int>(i)}] = out.text.size();
            out.items.push_back(TextRange{out.text.size(), out.text.size() + items[i].size()});
            out.text += items[i];
        }
    }
    for (const HitWord& hit : hits) {
        if (hit.part != part || hit.field != field) continue;
        auto it = itemStart.find({hit.paragraph, hit.item});
        if (it == itemStart.end()) continue;
        size_t start = it->second + static_cast<size_t>(hit.position - 1);
        out.hits.push_back(TextRange{start, start + static_cast<size_t>(hit.length)});
    }
    return out;
}

}  // namespace zdb

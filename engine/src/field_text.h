// field_text.h - one field of a record as a single UTF-8 text: its items in paragraph
// and item order joined by a separator, with the places of the record's hits in it.
// Summaries, focus excerpts, window lines and exports all read fields this way, so
// their hits are exactly the hit words that ZdbGetNextHitWord reports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hit_marker.h"
#include "record.h"

namespace zdb {

struct TextRange {
    size_t start = 0;   // UTF-8 byte offsets
    size_t end = 0;
};

struct FieldText {
    std::string text;               // UTF-8
    std::vector<TextRange> hits;    // ascending, not overlapping
    std::vector<TextRange> items;   // where each item lies in `text`
};

// Field `field` of part `part` of `record`. `hits` are the record's hits counted in
// UTF-8 bytes; those of this part and field are placed in the text.
FieldText fieldText(const RecordContent& record, int part, int field, const std::vector<HitWord>& hits,
                    std::string_view separator);

}  // namespace zdb

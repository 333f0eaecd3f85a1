// hit_marker.h - the hit words of one record for a set's query.
// Walks the record's text with the same tokenizer and word ordinals as the index,
// so that the words marked are exactly those the search counted. Positions count
// bytes from 1 in the item's text as handed out in the session's character set.
#pragma once

#include <vector>

#include "charset.h"
#include "record.h"
#include "schema.h"
#include "search.h"

namespace zdb {

struct HitWord {
    int part = 0;
    int field = 0;
    int paragraph = 0;
    int item = 0;
    int position = 0;   // bytes from 1, in the session's character set
    int length = 0;     // bytes, in the session's character set
};

// The hits of `wanted` in `record`, in part, field, paragraph, item and position order.
std::vector<HitWord> markHits(const Schema& schema, const RecordContent& record,
                              const HitSpec& wanted, const Charset& charset);

}  // namespace zdb

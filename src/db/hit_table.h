// hit_table.h - the hits of the current record: one entry per hit word the engine
// gives (part, field, paragraph, item, byte position from 1, length), in its order.
// Invariant: at most kMaxHits entries, none of field 0 or length 0; entries are
// numbered from 1 for callers (0 means "none"), as the session's hitIndex counts them.
#pragma once

#include <vector>

#include "db/item_text.h"
#include "zdb.h"

struct HitEntry {
    int part = 0;
    int field = 0;
    int paragraph = 0;
    int item = 0;
    int position = 0;  // bytes from 1 in the item's text as handed out
    int length = 0;    // bytes
};

class HitTable {
public:
    // Hits kept per record: a record with more hit words marks only the first ones.
    static constexpr int kMaxHits = 499;

    // Forgets every entry.
    void clear() { entries_.clear(); }
    // Reads the hit words of the record in rc from the engine, keeping those with a
    // field and a length, up to kMaxHits; returns the number kept.
    int load(ZdbRecordControl rc);
    // Keeps one entry unless it has no field or no length or the table is full; true when kept.
    bool add(const HitEntry& entry);

    int size() const { return static_cast<int>(entries_.size()); }
    // The entry numbered `index` (from 1); index must lie in 1..size().
    const HitEntry& at(int index) const { return entries_[static_cast<std::size_t>(index - 1)]; }
    // The number of the first entry of field and part from `from` on; 0 when none.
    int firstOf(int field, int part, int from = 1) const;
    // The hits of one item (field, part, paragraph, item) as spans of its text of
    // `textLength` bytes, in table order: cut to the text, and a hit that begins
    // before the previous one ends is dropped. `last` receives the number of the last
    // entry taken (0 when none).
    std::vector<HitSpan> spansOf(int field, int part, int paragraph, int item, int textLength,
                                 int& last) const;

private:
    std::vector<HitEntry> entries_;
};

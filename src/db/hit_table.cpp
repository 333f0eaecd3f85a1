// hit_table.cpp - reading a record's hit words into the table and finding the hits
// of one item. Spans handed out always lie inside the item's text and never overlap,
// whatever positions the engine reported.

#include "db/hit_table.h"

#include <algorithm>

bool HitTable::add(const HitEntry& entry) {
    if (entry.field == 0 || entry.length == 0) return false;
    if (size() >= kMaxHits) return false;
    entries_.push_back(entry);
    return true;
}

int HitTable::load(ZdbRecordControl rc) {
    clear();
    HitEntry hit;
    while (size() < kMaxHits &&
           ZdbGetNextHitWord(rc, &hit.part, &hit.field, &hit.paragraph, &hit.item, &hit.position,
                             &hit.length) != 0)
        add(hit);
    return size();
}

int HitTable::firstOf(int field, int part, int from) const {
    for (int index = std::max(from, 1); index <= size(); ++index) {
        const HitEntry& entry = at(index);
        if (entry.field == field && entry.part == part) return index;
    }
    return 0;
}

std::vector<HitSpan> HitTable::spansOf(int field, int part, int paragraph, int item, int textLength,
                                       int& last) const {
    std::vector<HitSpan> spans;
    last = 0;
    int end = 0;  // the byte after the last span taken
    for (int index = 1; index <= size(); ++index) {
        const HitEntry& entry = at(index);
        if (entry.field != field || entry.part != part || entry.paragraph != paragraph ||
            entry.item != item)
            continue;
        last = index;
        // Positions count from 1; a hit outside the text, or one that overlaps the hit
        // before it, cannot be marked without writing text twice.
        long long start = static_cast<long long>(entry.position) - 1;
        long long stop = start + entry.length;
        if (entry.length < 0 || start < end || start >= textLength) continue;
        stop = std::min<long long>(stop, textLength);
        spans.push_back(HitSpan{static_cast<int>(start), static_cast<int>(stop - start)});
        end = static_cast<int>(stop);
    }
    return spans;
}

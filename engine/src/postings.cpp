// postings.cpp - varint coding of posting rows: record delta, part, field, count,
// then the ordinals as deltas.

#include "postings.h"

#include <algorithm>

#include "varint.h"

namespace zdb {

std::string encodePostings(const std::vector<Occurrence>& sorted) {
    std::string out;
    int32_t previousId = 0;
    for (size_t i = 0; i < sorted.size();) {
        size_t end = i;
        while (end < sorted.size() && sorted[end].id == sorted[i].id &&
               sorted[end].part == sorted[i].part && sorted[end].field == sorted[i].field)
            ++end;
        putVarint(out, static_cast<uint64_t>(sorted[i].id - previousId));
        putVarint(out, sorted[i].part);
        putVarint(out, sorted[i].field);
        putVarint(out, end - i);
        uint32_t previous = 0;
        for (size_t k = i; k < end; ++k) {
            putVarint(out, sorted[k].ordinal - previous);
            previous = sorted[k].ordinal;
        }
        previousId = sorted[i].id;
        i = end;
    }
    return out;
}

bool decodePostings(std::string_view data, int64_t segment, const StaleSet& stale,
                    TermPostings& out, bool withOrdinals) {
    size_t pos = 0;
    uint64_t id = 0;
    out.hasOrdinals = withOrdinals;
    while (pos < data.size()) {
        uint64_t delta, part, field, count;
        if (!getVarint(data, pos, delta) || !getVarint(data, pos, part) ||
            !getVarint(data, pos, field) || !getVarint(data, pos, count))
            return false;
        id += delta;
        if (id > INT32_MAX || part > UINT16_MAX || field > UINT16_MAX || count > data.size())
            return false;
        bool keep = stale.empty() || !stale.count(staleKey(segment, static_cast<int32_t>(id)));
        PostingEntry entry{static_cast<int32_t>(id), static_cast<uint16_t>(part),
                           static_cast<uint16_t>(field), static_cast<uint32_t>(count),
                           static_cast<uint32_t>(out.ordinals.size())};
        uint64_t ordinal = 0;
        for (uint64_t k = 0; k < count; ++k) {
            uint64_t step;
            if (!getVarint(data, pos, step)) return false;
            ordinal += step;
            if (keep && withOrdinals) out.ordinals.push_back(static_cast<uint32_t>(ordinal));
        }
        if (keep) out.entries.push_back(entry);
    }
    return true;
}

int64_t countPostingRecords(std::string_view data, int64_t segment, const StaleSet& stale,
                            const std::bitset<256>& fields) {
    size_t pos = 0;
    uint64_t id = 0, counted = 0;
    int64_t records = 0;
    while (pos < data.size()) {
        uint64_t delta, part, field, count;
        if (!getVarint(data, pos, delta) || !getVarint(data, pos, part) ||
            !getVarint(data, pos, field) || !getVarint(data, pos, count))
            return -1;
        id += delta;
        if (id > INT32_MAX || count > data.size()) return -1;
        // The ordinals are skipped: a varint ends at its first byte below 0x80.
        for (uint64_t k = 0; k < count; ++k) {
            while (pos < data.size() && (static_cast<unsigned char>(data[pos]) & 0x80)) ++pos;
            if (pos++ >= data.size()) return -1;
        }
        // Entries of one record follow one another (several parts or fields): count it once.
        if (id == counted || field >= fields.size() || !fields.test(field)) continue;
        if (!stale.empty() && stale.count(staleKey(segment, static_cast<int32_t>(id)))) continue;
        counted = id;
        ++records;
    }
    return records;
}

void sortPostings(TermPostings& postings) {
    auto less = [](const PostingEntry& a, const PostingEntry& b) {
        if (a.id != b.id) return a.id < b.id;
        if (a.part != b.part) return a.part < b.part;
        return a.field < b.field;
    };
    if (!std::is_sorted(postings.entries.begin(), postings.entries.end(), less))
        std::stable_sort(postings.entries.begin(), postings.entries.end(), less);
}

}  // namespace zdb

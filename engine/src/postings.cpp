// postings.cpp - varint coding of index rows: the record ids as steps, each record's
// hits, and the places (part, field, occurrences, ordinals as steps) record by record.
// Every reader checks the counts that the row states against what it decodes, so a
// damaged row is told, never read past its end.

#include "postings.h"

#include <algorithm>
#include <tuple>

#include "codes.h"
#include "error.h"
#include "varint.h"

namespace zdb {
namespace {

// Reads one varint at p (before end) into value; the next byte, or null when the
// number is truncated or overlong.
inline const unsigned char* readVarint(const unsigned char* p, const unsigned char* end,
                                       uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64 && p < end; shift += 7) {
        unsigned char byte = *p++;
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return p;
    }
    return nullptr;
}

// Reads varints one after another from a block; a failed read leaves it failed.
class BlockReader {
public:
    explicit BlockReader(std::string_view data)
        : p_(reinterpret_cast<const unsigned char*>(data.data())), end_(p_ + data.size()) {}
    uint64_t next() {
        if (p_ && p_ < end_ && *p_ < 0x80) return *p_++;  // nearly every number of a row
        uint64_t value = 0;
        if (p_) p_ = readVarint(p_, end_, value);
        return value;
    }
    bool failed() const { return !p_; }
    bool atEnd() const { return p_ == end_; }

private:
    const unsigned char* p_;
    const unsigned char* end_;
};

// Reads the record ids of a row one by one, checking that they ascend and stay ids.
class IdReader {
public:
    explicit IdReader(const PostingRow& row) : ids_(row.ids) {}
    // The next id, or 0 when the block is damaged.
    int32_t next() {
        uint64_t step = ids_.next();
        id_ += step;
        if (step == 0 || id_ > INT32_MAX || ids_.failed()) return 0;
        return static_cast<int32_t>(id_);
    }
    // True when the block ended exactly after the row's last record.
    bool complete(const PostingRow& row) const { return ids_.atEnd() && static_cast<int64_t>(id_) == row.last; }

private:
    BlockReader ids_;
    uint64_t id_ = 0;
};

bool superseded(const PostingRow& row, int32_t id) {
    return row.stale && row.stale->count(staleKey(row.segment, id));
}

// The format 1 row's entries: record step, part, field, occurrences, ordinal steps.
bool decodeFormat1(std::string_view data, TermPostings& out) {
    size_t pos = 0;
    uint64_t id = 0;
    while (pos < data.size()) {
        uint64_t delta, part, field, count;
        if (!getVarint(data, pos, delta) || !getVarint(data, pos, part) ||
            !getVarint(data, pos, field) || !getVarint(data, pos, count))
            return false;
        id += delta;
        if (id > INT32_MAX || part > UINT16_MAX || field > UINT16_MAX || count > data.size())
            return false;
        out.entries.push_back(PostingEntry{static_cast<int32_t>(id), static_cast<uint16_t>(part),
                                           static_cast<uint16_t>(field), static_cast<uint32_t>(count),
                                           static_cast<uint32_t>(out.ordinals.size())});
        uint64_t ordinal = 0;
        for (uint64_t k = 0; k < count; ++k) {
            uint64_t step;
            if (!getVarint(data, pos, step)) return false;
            ordinal += step;
            out.ordinals.push_back(static_cast<uint32_t>(ordinal));
        }
    }
    return true;
}

// Walks the places of a row record by record: visit(id, part, field, count, ordinals
// reader) for each place of a record that is not superseded; the visitor must read
// exactly `count` ordinal steps when it reads any (readAll tells). False when damaged.
template <typename Visit> bool walkPlaces(const PostingRow& row, bool readOrdinals, Visit visit) {
    IdReader ids(row);
    BlockReader places(row.places);
    for (int64_t r = 0; r < row.records; ++r) {
        int32_t id = ids.next();
        if (id == 0) return false;
        const bool keep = !superseded(row, id);
        uint64_t entries = places.next();
        if (entries == 0 || entries > row.places.size()) return false;
        for (uint64_t e = 0; e < entries; ++e) {
            uint64_t part = places.next(), field = places.next(), count = places.next();
            if (places.failed() || part > UINT16_MAX || field > UINT16_MAX || count == 0 ||
                count > row.places.size())
                return false;
            if (keep) visit(id, static_cast<uint16_t>(part), static_cast<uint16_t>(field),
                            static_cast<uint32_t>(count), places);
            if (!keep || !readOrdinals)
                for (uint64_t k = 0; k < count; ++k) places.next();
            if (places.failed()) return false;
        }
    }
    return ids.complete(row) && places.atEnd();
}

}  // namespace

EncodedRow encodePostings(const std::vector<Occurrence>& sorted) {
    EncodedRow row;
    std::bitset<256> present;
    std::string places;
    int32_t previousId = 0;
    for (size_t i = 0; i < sorted.size();) {
        const int32_t id = sorted[i].id;
        size_t recordEnd = i;
        size_t entries = 0;
        while (recordEnd < sorted.size() && sorted[recordEnd].id == id) {
            size_t end = recordEnd;
            while (end < sorted.size() && sorted[end].id == id && sorted[end].part == sorted[recordEnd].part &&
                   sorted[end].field == sorted[recordEnd].field)
                ++end;
            ++entries;
            recordEnd = end;
        }
        putVarint(row.ids, static_cast<uint64_t>(id - previousId));
        putVarint(row.counts, recordEnd - i);
        putVarint(row.places, entries);
        for (size_t k = i; k < recordEnd;) {
            size_t end = k;
            while (end < recordEnd && sorted[end].part == sorted[k].part && sorted[end].field == sorted[k].field) ++end;
            putVarint(row.places, sorted[k].part);
            putVarint(row.places, sorted[k].field);
            putVarint(row.places, end - k);
            present.set(sorted[k].field & 0xFF);
            uint32_t previous = 0;
            for (size_t o = k; o < end; ++o) {
                putVarint(row.places, sorted[o].ordinal - previous);
                previous = sorted[o].ordinal;
            }
            k = end;
        }
        ++row.records;
        row.hits += static_cast<int64_t>(recordEnd - i);
        row.last = id;
        previousId = id;
        i = recordEnd;
    }
    for (size_t field = 0; field < present.size(); ++field)
        if (present.test(field)) row.fields.push_back(static_cast<char>(field));
    return row;
}

bool convertFormat1(std::string_view data, EncodedRow& out) {
    TermPostings postings;
    if (!decodeFormat1(data, postings)) return false;
    std::vector<Occurrence> list;
    list.reserve(postings.ordinals.size());
    for (const PostingEntry& entry : postings.entries)
        for (uint32_t k = 0; k < entry.count; ++k)
            list.push_back(Occurrence{entry.id, entry.part, entry.field, postings.ordinals[entry.ordinals + k]});
    if (!std::is_sorted(list.begin(), list.end())) return false;
    out = encodePostings(list);
    return true;
}

bool rowWithin(const PostingRow& row, const std::bitset<256>& fields) {
    for (char field : row.fields)
        if (!fields.test(static_cast<unsigned char>(field))) return false;
    return true;
}

bool decodePostings(const PostingRow& row, TermPostings& out, bool withOrdinals) {
    out.hasOrdinals = withOrdinals;
    return walkPlaces(row, withOrdinals, [&](int32_t id, uint16_t part, uint16_t field, uint32_t count,
                                             BlockReader& places) {
        out.entries.push_back(PostingEntry{id, part, field, count, static_cast<uint32_t>(out.ordinals.size())});
        if (!withOrdinals) return;
        uint64_t ordinal = 0;
        for (uint32_t k = 0; k < count; ++k) {
            ordinal += places.next();
            out.ordinals.push_back(static_cast<uint32_t>(ordinal));
        }
    });
}

bool appendRecordIds(const PostingRow& row, std::vector<int32_t>& out) {
    if (row.records < 0 || static_cast<uint64_t>(row.records) > row.ids.size()) return false;
    const size_t first = out.size();
    out.resize(first + static_cast<size_t>(row.records));
    int32_t* to = out.data() + first;
    const auto* p = reinterpret_cast<const unsigned char*>(row.ids.data());
    const auto* end = p + row.ids.size();
    uint64_t id = 0;
    for (int64_t r = 0; r < row.records; ++r) {
        // Records of a common word lie close together: nearly every step is one byte.
        if (p < end && static_cast<unsigned>(*p - 1) < 0x7F) {
            id += *p++;
        } else {
            uint64_t step = 0;
            p = readVarint(p, end, step);
            if (!p || step == 0 || step > INT32_MAX) return false;
            id += step;
        }
        to[r] = static_cast<int32_t>(id);  // checked below: ids only grow, the last is checked
    }
    return p == end && static_cast<int64_t>(id) == row.last && row.last <= INT32_MAX;
}

bool decodeRecordHits(const PostingRow& row, const std::bitset<256>& fields, RecordHits& out) {
    std::vector<int32_t>& ids = *out.ids;
    const size_t first = ids.size();  // records of earlier rows are never merged with these
    if (rowWithin(row, fields)) {
        if (!out.hasCounts && !row.stale) {
            out.total += row.hits;
            return appendRecordIds(row, ids);
        }
        IdReader reader(row);
        BlockReader counts(row.counts);
        int64_t sum = 0;
        for (int64_t r = 0; r < row.records; ++r) {
            int32_t id = reader.next();
            uint64_t count = counts.next();
            if (id == 0 || count == 0 || count > static_cast<uint64_t>(row.hits)) return false;
            sum += static_cast<int64_t>(count);
            if (superseded(row, id)) continue;
            ids.push_back(id);
            out.total += static_cast<int64_t>(count);
            if (out.hasCounts) out.counts.push_back(static_cast<uint32_t>(count));
        }
        return reader.complete(row) && counts.atEnd() && !counts.failed() && sum == row.hits;
    }
    return walkPlaces(row, false, [&](int32_t id, uint16_t, uint16_t field, uint32_t count, BlockReader&) {
        if (!fields.test(field)) return;
        out.total += count;
        if (ids.size() > first && ids.back() == id) {
            if (out.hasCounts) out.counts.back() += count;
            return;
        }
        ids.push_back(id);
        if (out.hasCounts) out.counts.push_back(count);
    });
}

int64_t countPostingRecords(const PostingRow& row, const std::bitset<256>& fields) {
    if (row.records < 0) return -1;
    int64_t records = 0;
    if (rowWithin(row, fields)) {
        if (!row.stale) return row.records;
        IdReader ids(row);
        for (int64_t r = 0; r < row.records; ++r) {
            int32_t id = ids.next();
            if (id == 0) return -1;
            if (!superseded(row, id)) ++records;
        }
        return ids.complete(row) ? records : -1;
    }
    int32_t counted = 0;
    bool read = walkPlaces(row, false, [&](int32_t id, uint16_t, uint16_t field, uint32_t, BlockReader&) {
        if (id == counted || !fields.test(field)) return;  // a record's places follow one another
        counted = id;
        ++records;
    });
    return read ? records : -1;
}

void PackedIds::decodeTo(size_t i) const {
    // In runs of about a thousand: a walk asks for one id after the other, and a
    // result page walks the first thousand records of its set.
    const size_t target = std::min(count_, std::max(i + 1, decoded_.size() + 1024));
    decoded_.reserve(target);
    const auto* begin = reinterpret_cast<const unsigned char*>(steps_.data());
    const auto* p = begin + next_;
    const auto* end = begin + steps_.size();
    uint64_t id = id_;
    bool damaged = false;
    while (decoded_.size() < target) {
        uint64_t step = 0;
        if (p < end && static_cast<unsigned>(*p - 1) < 0x7F) {
            step = *p++;
        } else {
            p = readVarint(p, end, step);
            if (!p || step == 0) {
                damaged = true;
                break;
            }
        }
        id += step;
        if (id > static_cast<uint64_t>(last_)) {
            damaged = true;
            break;
        }
        decoded_.push_back(static_cast<int32_t>(id));
    }
    if (!damaged && decoded_.size() == count_ && (p != end || id != static_cast<uint64_t>(last_))) damaged = true;
    if (damaged) throw EngineError(kDatabaseFormat, database_, "damaged record ids of a word in " + database_);
    next_ = static_cast<size_t>(p - begin);
    id_ = id;
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

void sortRecordHits(RecordHits& hits) {
    std::vector<int32_t>& ids = *hits.ids;
    if (!hits.hasCounts) {
        std::sort(ids.begin(), ids.end());
        return;
    }
    std::vector<std::pair<int32_t, uint32_t>> pairs(ids.size());
    for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = {ids[i], hits.counts[i]};
    std::sort(pairs.begin(), pairs.end());
    for (size_t i = 0; i < pairs.size(); ++i) std::tie(ids[i], hits.counts[i]) = pairs[i];
}

}  // namespace zdb

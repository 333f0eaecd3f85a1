// postings.cpp - varint coding of posting rows: record delta, part, field, count,
// then the ordinals as deltas.

#include "postings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <tuple>

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

// Eight bytes from p, in memory order from the low byte.
inline uint64_t load8(const unsigned char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Reads the entries of a posting row one by one, the ordinals skipped unread (a
// varint ends at its first byte below 0x80). Most numbers of a row are one byte: an
// entry whose four numbers and up to four ordinals are one byte each is read from one
// eight-byte load (little-endian only).
class EntryReader {
public:
    explicit EntryReader(std::string_view data)
        : p_(reinterpret_cast<const unsigned char*>(data.data())), end_(p_ + data.size()) {}

    // Reads the next entry into id, field and count; false at the end of the row and
    // when the data is damaged (then damaged() is true).
    bool next() {
        if (p_ >= end_) return false;
        if constexpr (std::endian::native == std::endian::little) {
            if (end_ - p_ >= 8) {
                uint64_t head = load8(p_);
                uint64_t ordinals = (head >> 24) & 0xFF;
                // The header's four bytes and the ordinal bytes after them.
                uint64_t used = ordinals <= 4 ? ~0ULL >> (8 * (4 - ordinals)) : 0;
                if (ordinals <= 4 && (head & 0x8080808080808080ULL & used) == 0) {
                    id_ += head & 0xFF;
                    p_ += 4 + ordinals;
                    field = static_cast<size_t>((head >> 16) & 0xFF);
                    count = static_cast<uint32_t>(ordinals);
                    return setId();
                }
            }
        }
        return nextSlowly();
    }
    bool damaged() const { return damaged_; }

    // Reads entries on while they take the one-load path of next(), passing each to
    // visit(id, field, count) without storing it; stops before any other entry.
    template <typename Visit> void skim(Visit visit) {
        if constexpr (std::endian::native == std::endian::little) {
            // Per count of ordinals (0 to 4): the bytes of the header and the ordinals.
            static constexpr uint64_t kUsed[5] = {0xFFFFFFFFULL, 0xFFFFFFFFFFULL, 0xFFFFFFFFFFFFULL,
                                                  0xFFFFFFFFFFFFFFULL, ~0ULL};
            const unsigned char* p = p_;
            uint64_t at = id_;
            // An entry takes four bytes at least and adds below 128 to the id: a row that
            // could pass INT32_MAX goes to next(), which tells the damage.
            if (at + static_cast<uint64_t>(end_ - p) * 32 > INT32_MAX) return;
            while (end_ - p >= 8) {
                uint64_t head = load8(p);
                uint64_t ordinals = (head >> 24) & 0xFF;
                if (ordinals > 4 || (head & 0x8080808080808080ULL & kUsed[ordinals]) != 0) break;
                at += head & 0xFF;
                p += 4 + ordinals;
                visit(static_cast<int32_t>(at), static_cast<size_t>((head >> 16) & 0xFF),
                      static_cast<uint32_t>(ordinals));
            }
            p_ = p;
            id_ = at;
        }
    }

    int32_t id = 0;     // record
    size_t field = 0;   // field number
    uint32_t count = 0; // occurrences (ordinals)

private:
    bool setId() {
        if (id_ > INT32_MAX) return fail();
        id = static_cast<int32_t>(id_);
        return true;
    }
    bool fail() {
        damaged_ = true;
        p_ = end_;
        return false;
    }
    bool nextSlowly() {
        uint64_t delta, part, number, ordinals;
        if (!(p_ = readVarint(p_, end_, delta)) || !(p_ = readVarint(p_, end_, part)) ||
            !(p_ = readVarint(p_, end_, number)) || !(p_ = readVarint(p_, end_, ordinals)))
            return fail();
        id_ += delta;
        if (part > UINT16_MAX || number > UINT16_MAX || ordinals > static_cast<uint64_t>(end_ - p_))
            return fail();
        for (uint64_t left = ordinals; left > 0; ++p_) {
            if (p_ == end_) return fail();
            left -= *p_ < 0x80;
        }
        field = static_cast<size_t>(number);
        count = static_cast<uint32_t>(ordinals);
        return setId();
    }

    const unsigned char* p_;
    const unsigned char* end_;
    uint64_t id_ = 0;
    bool damaged_ = false;
};

}  // namespace

int64_t countPostingRecords(std::string_view data, int64_t segment, const StaleSet& stale,
                            const std::bitset<256>& fields) {
    int32_t counted = 0;
    int64_t records = 0;
    EntryReader entry(data);
    while (entry.next()) {
        // Entries of one record follow one another (several parts or fields): count it once.
        if (entry.id == counted || entry.field >= fields.size() || !fields.test(entry.field)) continue;
        if (!stale.empty() && stale.count(staleKey(segment, entry.id))) continue;
        counted = entry.id;
        ++records;
    }
    return entry.damaged() ? -1 : records;
}

namespace {

// Appends the records that `entry` skims (see EntryReader::skim) in the fields that
// `wanted` marks (fields below 128) to `ids`, and their hits to `total`. Without a
// branch on the data: a word's entries fall in and out of the searched fields and
// repeat a record (several fields) in no order a processor can predict. `last` is the
// last record appended.
void skimRecords(EntryReader& entry, const std::array<uint8_t, 128>& wanted, std::vector<int32_t>& ids,
                 int32_t& last, int64_t& total) {
    constexpr size_t kChunk = 512;
    int32_t chunk[kChunk];
    size_t n = 0;
    uint64_t sum = 0;
    entry.skim([&](int32_t id, size_t field, uint32_t count) {
        const uint32_t take = wanted[field];  // field is below 128 on this path
        sum += count & (0U - take);
        chunk[n] = id;
        n += take & static_cast<uint32_t>(id != last);
        last = take ? id : last;
        if (n == kChunk) {
            ids.insert(ids.end(), chunk, chunk + n);
            n = 0;
        }
    });
    ids.insert(ids.end(), chunk, chunk + n);
    total += static_cast<int64_t>(sum);
}

}  // namespace

bool decodeRecordHits(std::string_view data, int64_t segment, const StaleSet& stale,
                      const std::bitset<256>& fields, RecordHits& out) {
    std::vector<int32_t>& ids = *out.ids;
    const size_t first = ids.size();  // records of earlier rows are never merged with these
    const bool plain = stale.empty();
    std::array<uint8_t, 128> wanted{};
    for (size_t field = 0; field < wanted.size(); ++field) wanted[field] = fields.test(field) ? 1 : 0;
    EntryReader entry(data);
    for (;;) {
        // Nearly every entry of a real index takes the skimming path: the field test,
        // the sum and the record only.
        if (plain) {
            int32_t last = ids.size() > first ? ids.back() : 0;
            if (!out.hasCounts) {
                skimRecords(entry, wanted, ids, last, out.total);
            } else {
                entry.skim([&](int32_t id, size_t field, uint32_t count) {
                    if (!wanted[field]) return;
                    out.total += count;
                    if (id != last) {
                        ids.push_back(last = id);
                        out.counts.push_back(count);
                    } else {
                        out.counts.back() += count;
                    }
                });
            }
        }
        if (!entry.next()) break;
        if (entry.field >= fields.size() || !fields.test(entry.field)) continue;
        if (!stale.empty() && stale.count(staleKey(segment, entry.id))) continue;
        out.total += entry.count;
        if (ids.size() > first && ids.back() == entry.id) {
            if (out.hasCounts) out.counts.back() += entry.count;
            continue;
        }
        ids.push_back(entry.id);
        if (out.hasCounts) out.counts.push_back(entry.count);
    }
    return !entry.damaged();
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

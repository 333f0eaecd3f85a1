// search.cpp - leaves read the word index and the value index; AND, OR and NOT
// combine sorted id lists; hits are counted from the index without reading text.

#include "search.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "codes.h"
#include "error.h"
#include "text_util.h"

namespace zdb {
namespace {

// Most words a truncation or FUZZY() may stand for.
constexpr size_t kMaxExpansion = 2000;
constexpr size_t kMaxFuzzyTerms = 64;

std::vector<int32_t> unite(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
    std::vector<int32_t> out;
    out.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::vector<int32_t> intersect(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
    std::vector<int32_t> out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::vector<int32_t> subtract(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
    std::vector<int32_t> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : (lead & (0xFF >> (length + 1)));
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(c);
        i += length;
    }
    return out;
}

// Edit distance of a and b when it is at most `limit`, else limit + 1.
size_t boundedDistance(const std::u32string& a, const std::u32string& b, size_t limit) {
    size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) return limit + 1;
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        size_t best = row[0];
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
            diagonal = above;
            best = std::min(best, row[j]);
        }
        if (best > limit) return limit + 1;
    }
    return row[b.size()];
}

// How far a FUZZY word may be from the words it matches.
size_t fuzzyLimit(size_t codePointCount) {
    if (codePointCount <= 3) return 0;
    if (codePointCount <= 7) return 1;
    return 2;
}

// The value of `leaf` (a qualified leaf's text) for `field`, or an error naming it.
FieldValue parseLeafValue(const QueryNode& leaf, const Field& field) {
    auto value = parseFieldValue(field.type, leaf.value);
    if (!value) throw EngineError(kInvalidValue, leaf.value);
    return *value;
}

}  // namespace

bool valueMatches(const FieldValue& value, CompareOp op, const FieldValue& target) {
    if (op == CompareOp::Prefix) return value.key.compare(0, target.key.size(), target.key) == 0;
    int c = compareValues(value, target);
    switch (op) {
    case CompareOp::Equal: return c == 0;
    case CompareOp::NotEqual: return c != 0;
    case CompareOp::Less: return c < 0;
    case CompareOp::LessEqual: return c <= 0;
    case CompareOp::Greater: return c > 0;
    case CompareOp::GreaterEqual: return c >= 0;
    case CompareOp::Prefix: break;
    }
    return false;
}

Search::Search(Database& db, const FieldViews& views, SetRecords setRecords)
    : db_(db), views_(views), setRecords_(std::move(setRecords)) {}

FieldSelection selectFields(const Schema& schema, const FieldViews& views, std::string_view qualifier) {
    FieldSelection selection;
    if (qualifier.empty()) {
        for (const Field& field : schema.fields)
            if (field.isWordField()) selection.words.set(static_cast<size_t>(field.number));
        return selection;
    }
    if (const Field* field = schema.find(qualifier)) {
        if (field->isWordField()) selection.words.set(static_cast<size_t>(field->number));
        else if (field->isValueField()) selection.value = field;
        else throw EngineError(kWrongFieldType, field->name);
        return selection;
    }
    auto view = views.find(upperCase(qualifier));
    if (view != views.end()) {
        for (const std::string& member : view->second) {
            int type = fieldTypeFromName(member);
            for (const Field& field : schema.fields)
                if (field.isWordField() &&
                    (field.type == type || equalsIgnoreCase(field.name, member)))
                    selection.words.set(static_cast<size_t>(field.number));
        }
        return selection;
    }
    selection.known = false;
    return selection;
}

Search::Selection Search::select(const QueryNode& leaf) {
    Selection selection = selectFields(db_.schema(), views_, leaf.qualifier);
    if (!selection.known) unknown_.insert(leaf.qualifier);
    return selection;
}

const TermPostings& Search::postings(const std::string& term, bool ordinals) {
    auto it = postings_.find(term);
    if (it == postings_.end()) it = postings_.emplace(term, db_.postings(term, ordinals)).first;
    else if (ordinals && !it->second.hasOrdinals) it->second = db_.postings(term, true);
    return it->second;
}

const RecordHits& Search::recordHits(const std::string& term, const FieldMask& fields,
                                     bool withCounts) {
    auto& known = recordHits_[term];
    for (auto& [mask, hits] : known) {
        if (mask != fields) continue;
        if (withCounts && !hits.hasCounts) hits = db_.recordHits(term, fields, true);
        return hits;
    }
    return known.emplace_back(fields, db_.recordHits(term, fields, withCounts)).second;
}

std::vector<std::string> Search::fuzzyTerms(const std::string& word) {
    std::u32string target = codePoints(word);
    size_t limit = fuzzyLimit(target.size());
    std::vector<std::pair<size_t, std::string>> found;
    if (limit == 0) {
        found.emplace_back(0, word);
    } else {
        db_.forEachTerm([&](std::string_view term) {
            size_t distance = boundedDistance(target, codePoints(term), limit);
            if (distance <= limit) found.emplace_back(distance, std::string(term));
        });
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (found.size() > kMaxFuzzyTerms) found.resize(kMaxFuzzyTerms);
    std::vector<std::string> terms;
    for (auto& [distance, term] : found) terms.push_back(std::move(term));
    return terms;
}

std::vector<std::string> Search::expand(const QueryNode& leaf) {
    std::string key = (leaf.kind == NodeKind::Truncation ? "T:" : "F:");
    for (const std::string& term : leaf.terms) key += term + ' ';
    auto it = expansions_.find(key);
    if (it != expansions_.end()) return it->second;
    std::vector<std::string> terms;
    if (leaf.kind == NodeKind::Truncation) {
        terms = db_.termsWithPrefix(leaf.terms.front(), kMaxExpansion);
        if (terms.size() > kMaxExpansion) throw EngineError(kTooManyTerms, leaf.source);
    } else {
        for (const std::string& word : leaf.terms)
            for (std::string& term : fuzzyTerms(word)) terms.push_back(std::move(term));
        std::sort(terms.begin(), terms.end());
        terms.erase(std::unique(terms.begin(), terms.end()), terms.end());
    }
    expansions_[key] = terms;
    return terms;
}

IdList Search::wordRecords(const std::vector<std::string>& terms, const FieldMask& fields) {
    IdList ids;
    for (const std::string& term : terms) {
        IdList one = recordHits(term, fields).ids;
        ids = ids ? std::make_shared<const std::vector<int32_t>>(unite(*ids, *one)) : one;
    }
    return ids ? ids : std::make_shared<const std::vector<int32_t>>();
}

std::optional<HitSpec::Value> Search::valueLeaf(const QueryNode& leaf, const Field& field) {
    HitSpec::Value value;
    value.field = field.number;
    switch (leaf.kind) {
    case NodeKind::Compare:
        value.op = leaf.op;
        value.value = parseLeafValue(leaf, field);
        return value;
    case NodeKind::Truncation:
        if (field.type != ZDB_FIELD_STRING) throw EngineError(kWrongFieldType, field.name);
        value.op = CompareOp::Prefix;
        value.value = parseLeafValue(leaf, field);
        return value;
    case NodeKind::Word:
    case NodeKind::Phrase:
        value.value = parseLeafValue(leaf, field);
        return value;
    default:
        throw EngineError(kWrongFieldType, field.name);
    }
}

const std::vector<ValueMatch>& Search::valueMatches(const HitSpec::Value& value) {
    std::string key = std::to_string(value.field) + ':' + std::to_string(static_cast<int>(value.op)) +
                      ':' + value.value.text;
    auto it = valueMatches_.find(key);
    if (it == valueMatches_.end())
        it = valueMatches_.emplace(key, db_.matchValues(value.field, value.op, value.value)).first;
    return it->second;
}

IdList Search::evaluate(const QueryNode& node) {
    auto list = [](std::vector<int32_t> ids) { return std::make_shared<const std::vector<int32_t>>(std::move(ids)); };
    switch (node.kind) {
    case NodeKind::And: return list(intersect(*evaluate(*node.left), *evaluate(*node.right)));
    case NodeKind::Or: return list(unite(*evaluate(*node.left), *evaluate(*node.right)));
    case NodeKind::AndNot: return list(subtract(*evaluate(*node.left), *evaluate(*node.right)));
    case NodeKind::Not: return list(subtract(db_.allRecordIds(), *evaluate(*node.left)));
    case NodeKind::SetRef: return list(setRecords_(node.set));
    case NodeKind::RecordIds: {
        std::vector<int32_t> ids;
        Statement stmt(db_.connection(), "SELECT id FROM record WHERE id BETWEEN ? AND ? ORDER BY id");
        stmt.bind(1, node.idFrom).bind(2, node.idTo);
        while (stmt.step()) ids.push_back(static_cast<int32_t>(stmt.integer(0)));
        return list(std::move(ids));
    }
    default: break;
    }
    Selection selection = select(node);
    if (!selection.known) return list({});
    if (node.kind == NodeKind::Compare && !selection.value) {
        throw EngineError(kNotComparable, node.qualifier.empty() ? node.source : node.qualifier);
    }
    if (selection.value) {
        auto value = valueLeaf(node, *selection.value);
        std::vector<int32_t> ids;
        for (const ValueMatch& match : valueMatches(*value))
            if (ids.empty() || ids.back() != match.id) ids.push_back(match.id);
        return list(std::move(ids));
    }
    switch (node.kind) {
    case NodeKind::Word: return wordRecords(node.terms, selection.words);
    case NodeKind::Truncation:
    case NodeKind::Fuzzy: return wordRecords(expand(node), selection.words);
    case NodeKind::Phrase: {
        // A value without any word ("TI=&&") can only match a value field.
        if (node.terms.empty()) throw EngineError(kSyntaxError, node.source);
        HitSpec::Phrase phrase{node.terms, selection.words};
        std::vector<int32_t> ids;
        for (const auto& place : phrasePlaces(phrase, nullptr))
            if (ids.empty() || ids.back() != place[0]) ids.push_back(static_cast<int32_t>(place[0]));
        return list(std::move(ids));
    }
    default: return list({});
    }
}

std::vector<std::array<int64_t, 4>> Search::phrasePlaces(const HitSpec::Phrase& phrase,
                                                         const std::vector<int32_t>* ids) {
    std::vector<std::array<int64_t, 4>> places;
    std::vector<const TermPostings*> lists;
    for (const std::string& term : phrase.terms) postings(term, true);
    // Pointers taken only now: a reload above may have replaced an earlier term's lists.
    for (const std::string& term : phrase.terms) lists.push_back(&postings(term, true));
    auto less = [](const PostingEntry& e, const std::array<int64_t, 3>& key) {
        if (e.id != key[0]) return e.id < key[0];
        if (e.part != key[1]) return e.part < key[1];
        return e.field < key[2];
    };
    for (const PostingEntry& first : lists[0]->entries) {
        if (!phrase.fields.test(first.field)) continue;
        if (ids && !std::binary_search(ids->begin(), ids->end(), first.id)) continue;
        std::array<int64_t, 3> key{first.id, first.part, first.field};
        std::vector<const PostingEntry*> others;
        for (size_t t = 1; t < lists.size(); ++t) {
            auto& entries = lists[t]->entries;
            auto it = std::lower_bound(entries.begin(), entries.end(), key, less);
            if (it == entries.end() || it->id != first.id || it->part != first.part ||
                it->field != first.field)
                break;
            others.push_back(&*it);
        }
        if (others.size() + 1 != lists.size()) continue;
        for (uint32_t k = 0; k < first.count; ++k) {
            uint32_t start = lists[0]->ordinals[first.ordinals + k];
            bool match = true;
            for (size_t t = 1; t < lists.size() && match; ++t) {
                const auto& ordinals = lists[t]->ordinals;
                auto begin = ordinals.begin() + others[t - 1]->ordinals;
                auto end = begin + others[t - 1]->count;
                match = std::binary_search(begin, end, start + static_cast<uint32_t>(t));
            }
            if (!match) continue;
            for (size_t t = 0; t < lists.size(); ++t)
                places.push_back({first.id, first.part, first.field, start + static_cast<int64_t>(t)});
        }
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    return places;
}

HitSpec Search::hitSpec(const std::vector<QueryPtr>& leaves) {
    HitSpec wanted;
    for (const QueryPtr& leaf : leaves) {
        if (leaf->kind == NodeKind::SetRef || leaf->kind == NodeKind::RecordIds) continue;
        Selection selection = select(*leaf);
        if (!selection.known) continue;
        if (selection.value) {
            wanted.values.push_back(*valueLeaf(*leaf, *selection.value));
            continue;
        }
        switch (leaf->kind) {
        case NodeKind::Word:
            wanted.words[leaf->terms.front()] |= selection.words;
            break;
        case NodeKind::Truncation:
        case NodeKind::Fuzzy:
            for (const std::string& term : expand(*leaf)) wanted.words[term] |= selection.words;
            break;
        case NodeKind::Phrase:
            if (!leaf->terms.empty()) wanted.phrases.push_back({leaf->terms, selection.words});
            break;
        default:
            break;
        }
    }
    return wanted;
}

bool Search::hasWordAt(const std::string& term, const std::array<int64_t, 4>& place) {
    const TermPostings& list = postings(term, true);
    auto it = std::lower_bound(list.entries.begin(), list.entries.end(), place,
                               [](const PostingEntry& e, const std::array<int64_t, 4>& key) {
                                   if (e.id != key[0]) return e.id < key[0];
                                   if (e.part != key[1]) return e.part < key[1];
                                   return e.field < key[2];
                               });
    if (it == list.entries.end() || it->id != place[0] || it->part != place[1] || it->field != place[2])
        return false;
    auto begin = list.ordinals.begin() + it->ordinals;
    return std::binary_search(begin, begin + it->count, static_cast<uint32_t>(place[3]));
}

int64_t Search::countHits(const HitSpec& wanted, const std::vector<int32_t>& ids) {
    if (ids.empty()) return 0;
    int64_t hits = 0;
    for (const auto& [term, fields] : wanted.words) {
        const RecordHits& word = recordHits(term, fields);
        const std::vector<int32_t>& own = *word.ids;
        // Every record of the word in the set (a query of one word, or ORed words): all its hits.
        if (&own == &ids || std::includes(ids.begin(), ids.end(), own.begin(), own.end())) {
            hits += word.total;
            continue;
        }
        const RecordHits& counted = recordHits(term, fields, true);
        const std::vector<int32_t>& records = *counted.ids;
        size_t i = 0;
        for (size_t k = 0; k < records.size() && i < ids.size(); ++k) {
            while (i < ids.size() && ids[i] < records[k]) ++i;
            if (i < ids.size() && ids[i] == records[k]) hits += counted.counts[k];
        }
    }
    // Phrase words count unless a word leaf has counted the same place already.
    std::vector<std::array<int64_t, 4>> extra;
    for (const HitSpec::Phrase& phrase : wanted.phrases)
        for (const auto& place : phrasePlaces(phrase, &ids)) extra.push_back(place);
    std::sort(extra.begin(), extra.end());
    extra.erase(std::unique(extra.begin(), extra.end()), extra.end());
    for (const auto& place : extra) {
        bool counted = false;
        for (const auto& [term, fields] : wanted.words)
            if (fields.test(static_cast<size_t>(place[2])) && hasWordAt(term, place)) {
                counted = true;
                break;
            }
        if (!counted) ++hits;
    }
    std::vector<std::array<int32_t, 4>> items;
    for (const HitSpec::Value& value : wanted.values)
        for (const ValueMatch& match : valueMatches(value))
            if (std::binary_search(ids.begin(), ids.end(), match.id))
                items.push_back({match.id, match.part, value.field, match.item});
    std::sort(items.begin(), items.end());
    hits += static_cast<int64_t>(std::unique(items.begin(), items.end()) - items.begin());
    return hits;
}

std::vector<double> Search::scores(const HitSpec& wanted, const std::vector<int32_t>& ids) {
    std::vector<double> result(ids.size(), 0.0);
    if (ids.empty()) return result;
    const double k1 = 1.2, b = 0.75;
    double records = static_cast<double>(std::max<int64_t>(1, db_.recordCount()));
    double average = std::max(1.0, static_cast<double>(db_.totalWords()) / records);
    std::vector<uint32_t> lengths = db_.wordCounts(ids);
    auto add = [&](const std::vector<double>& tf, double df) {
        double idf = std::log(1.0 + (records - df + 0.5) / (df + 0.5));
        for (size_t i = 0; i < ids.size(); ++i) {
            if (tf[i] <= 0) continue;
            double norm = k1 * (1 - b + b * lengths[i] / average);
            result[i] += idf * tf[i] * (k1 + 1) / (tf[i] + norm);
        }
    };
    for (const auto& [term, fields] : wanted.words) {
        std::vector<double> tf(ids.size(), 0.0);
        double df = 0;
        int32_t last = 0;
        size_t i = 0;
        for (const PostingEntry& entry : postings(term).entries) {
            if (entry.id != last) ++df;
            last = entry.id;
            while (i < ids.size() && ids[i] < entry.id) ++i;
            if (i < ids.size() && ids[i] == entry.id && fields.test(entry.field)) tf[i] += entry.count;
        }
        add(tf, df);
    }
    for (const HitSpec::Phrase& phrase : wanted.phrases) {
        std::vector<double> tf(ids.size(), 0.0);
        std::vector<int32_t> holders;
        for (const auto& place : phrasePlaces(phrase, nullptr)) {
            auto id = static_cast<int32_t>(place[0]);
            if (holders.empty() || holders.back() != id) holders.push_back(id);
            auto it = std::lower_bound(ids.begin(), ids.end(), id);
            if (it != ids.end() && *it == id)
                tf[static_cast<size_t>(it - ids.begin())] += 1.0 / static_cast<double>(phrase.terms.size());
        }
        add(tf, static_cast<double>(holders.size()));
    }
    return result;
}

}  // namespace zdb

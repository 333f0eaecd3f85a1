// sort.cpp - sort keys are the first item of a field in part 0: the value of value
// fields, the folded words of text fields.

#include "sort.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "codes.h"
#include "error.h"
#include "system_db.h"
#include "text_util.h"

namespace zdb {

void sortCurrentSet(Session& s, std::string_view keys) {
    SearchSet& set = s.set(0);
    struct Key {
        std::string field;
        bool descending = false;
    };
    std::vector<Key> parsed;
    for (const std::string& piece : splitList(std::string(keys))) {
        Key key;
        size_t slash = piece.find('/');
        key.field = std::string(trim(std::string_view(piece).substr(0, slash)));
        if (slash != std::string::npos) {
            std::string_view order = trim(std::string_view(piece).substr(slash + 1));
            if (equalsIgnoreCase(order, "DESC")) key.descending = true;
            else if (!equalsIgnoreCase(order, "ASC")) throw EngineError(kUnknownSortKey, piece);
        }
        bool known = false;
        for (const auto& db : s.base.dbs) {
            const Field* field = db->schema().find(key.field);
            if (field && field->type == ZDB_FIELD_BLOB) throw EngineError(kUnknownSortKey, piece);
            known = known || field;
        }
        if (!known) throw EngineError(kUnknownSortKey, piece);
        parsed.push_back(key);
    }
    if (parsed.empty()) throw EngineError(kUnknownSortKey, std::string(keys));

    size_t count = set.records.size();
    // values[k][i]: key k of record i.
    std::vector<std::vector<std::optional<FieldValue>>> values(parsed.size(),
                                                               std::vector<std::optional<FieldValue>>(count));
    for (size_t index = 0; index < s.base.dbs.size(); ++index) {
        Database& db = *s.base.dbs[index];
        std::vector<int32_t> ids;
        std::vector<size_t> where;
        for (size_t i = 0; i < count; ++i)
            if (set.records[i].db == index) {
                ids.push_back(set.records[i].id);
                where.push_back(i);
            }
        if (ids.empty()) continue;
        Transaction snapshot(db.connection(), false);
        for (size_t k = 0; k < parsed.size(); ++k) {
            const Field* field = db.schema().find(parsed[k].field);
            if (!field) continue;
            auto found = db.firstValues(field->number, ids);
            for (size_t j = 0; j < ids.size(); ++j) values[k][where[j]] = std::move(found[j]);
        }
        snapshot.commit();
    }
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < parsed.size(); ++k) {
            const auto& x = values[k][a];
            const auto& y = values[k][b];
            if (!x || !y) {
                if (x.has_value() != y.has_value()) return x.has_value();
                continue;
            }
            int c = compareValues(*x, *y);
            if (c != 0) return parsed[k].descending ? c > 0 : c < 0;
        }
        return false;
    });
    s.sorted.set = set.number;
    s.sorted.hitLeaves = set.hitLeaves;
    s.sorted.origin = set.origin;
    std::vector<RecordRef> records;
    records.reserve(order.size());
    for (size_t i : order) records.push_back(set.records[i]);
    s.sorted.records = std::make_shared<const Records>(std::move(records));
}

}  // namespace zdb

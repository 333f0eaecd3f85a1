// thesaurus.cpp - the hierarchy of a thesaurus, built from every term record: the
// terms are few enough (a thesaurus, not a corpus) to be read whole for each walk.

#include "thesaurus.h"

#include <algorithm>
#include <map>
#include <optional>

#include "codes.h"
#include "error.h"
#include "tokenizer.h"

namespace zdb {
namespace {

// Most entries a walk visits before it gives up looking for its start: a hierarchy
// where many terms lie under many others has more paths than terms.
constexpr size_t kMaxWalkVisits = 200000;

struct Term {
    int32_t id = 0;
    std::string text;                 // the term as stored (first item of the term field)
    std::string key;                  // its folded words
    std::vector<std::string> broader; // folded keys
    std::vector<std::string> narrower;
};

// The items of `field` (paragraph 0, part 0) of `record`.
std::vector<std::string> itemsOf(const RecordContent& record, int field) {
    const FieldContent* content = field ? record.find(0, field) : nullptr;
    if (!content || content->paragraphs.empty()) return {};
    return content->paragraphs.front();
}

class Hierarchy {
public:
    explicit Hierarchy(Database& db) {
        const Schema& schema = db.schema();
        Statement stmt(db.connection(), "SELECT id, parts, data FROM record ORDER BY id");
        while (stmt.step()) {
            auto id = static_cast<int32_t>(stmt.integer(0));
            RecordContent record = decodeRecord(id, static_cast<int>(stmt.integer(1)), stmt.bytes(2), db.name());
            std::vector<std::string> term = itemsOf(record, schema.termField);
            if (term.empty() || foldedKey(term.front()).empty()) continue;  // a record without a term
            Term t{id, term.front(), foldedKey(term.front()), {}, {}};
            for (const std::string& name : itemsOf(record, schema.broaderField)) t.broader.push_back(foldedKey(name));
            for (const std::string& name : itemsOf(record, schema.narrowerField)) t.narrower.push_back(foldedKey(name));
            terms_.push_back(std::move(t));
        }
        std::sort(terms_.begin(), terms_.end(), [](const Term& a, const Term& b) {
            return a.key != b.key ? a.key < b.key : a.id < b.id;
        });
        for (size_t i = 0; i < terms_.size(); ++i) {
            auto [it, fresh] = byKey_.emplace(terms_[i].key, i);
            if (!fresh && duplicate_.empty()) duplicate_ = terms_[i].text;
        }
        children_.resize(terms_.size());
        std::vector<bool> hasParent(terms_.size(), false);
        auto link = [&](size_t parent, size_t child) {
            children_[parent].push_back(child);
            hasParent[child] = true;
        };
        for (size_t i = 0; i < terms_.size(); ++i) {
            for (const std::string& key : terms_[i].broader)
                if (auto parent = find(key)) link(*parent, i);
            for (const std::string& key : terms_[i].narrower)
                if (auto child = find(key)) link(i, *child);
        }
        // Terms sort by key, so sorting indexes sorts children in index order.
        for (auto& list : children_) {
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }
        for (size_t i = 0; i < terms_.size(); ++i)
            if (!hasParent[i]) tops_.push_back(i);
    }

    const std::string& duplicate() const { return duplicate_; }

    // The terms of a cycle, each followed by its broader term; empty when there is none.
    std::vector<std::string> cycle() const {
        enum Color : char { White, Grey, Black };
        std::vector<Color> color(terms_.size(), White);
        for (size_t root = 0; root < terms_.size(); ++root) {
            if (color[root] != White) continue;
            // Depth-first, iteratively: (term, next child to look at).
            std::vector<std::pair<size_t, size_t>> stack{{root, 0}};
            color[root] = Grey;
            while (!stack.empty()) {
                auto& [node, next] = stack.back();
                if (next == children_[node].size()) {
                    color[node] = Black;
                    stack.pop_back();
                    continue;
                }
                size_t child = children_[node][next++];
                if (color[child] == Grey) return namedCycle(stack, child);
                if (color[child] == White) {
                    color[child] = Grey;
                    stack.emplace_back(child, 0);
                }
            }
        }
        return {};
    }

    std::vector<ThesaurusEntry> walk(const std::string& startKey, size_t limit) const {
        std::vector<ThesaurusEntry> out;
        bool started = startKey.empty();
        size_t visits = 0;
        std::vector<bool> onPath(terms_.size(), false);
        struct Frame {
            size_t node;
            size_t next;
        };
        for (size_t top : tops_) {
            std::vector<Frame> stack{{top, 0}};
            onPath[top] = true;
            visit(top, 0, startKey, started, out);
            while (!stack.empty() && out.size() < limit && ++visits < kMaxWalkVisits) {
                Frame& frame = stack.back();
                if (frame.next == children_[frame.node].size()) {
                    onPath[frame.node] = false;
                    stack.pop_back();
                    continue;
                }
                size_t child = children_[frame.node][frame.next++];
                if (onPath[child]) continue;  // a cycle in a damaged file: never followed
                onPath[child] = true;
                visit(child, static_cast<int>(stack.size()), startKey, started, out);
                stack.push_back(Frame{child, 0});
            }
            for (const Frame& frame : stack) onPath[frame.node] = false;
            if (out.size() >= limit || visits >= kMaxWalkVisits) break;
        }
        if (out.size() > limit) out.resize(limit);
        return out;
    }

private:
    std::optional<size_t> find(const std::string& key) const {
        auto it = byKey_.find(key);
        if (it == byKey_.end()) return std::nullopt;
        return it->second;
    }

    void visit(size_t node, int level, const std::string& startKey, bool& started,
               std::vector<ThesaurusEntry>& out) const {
        const Term& term = terms_[node];
        if (!started && term.key.compare(0, startKey.size(), startKey) == 0) started = true;
        if (started) out.push_back(ThesaurusEntry{term.id, term.text, level});
    }

    // The cycle that closes when the top of `stack` leads back to `again`, listed
    // from `again` down and back to it: each term followed by a term it is broader
    // than; reversed, so that each term is followed by its broader term.
    std::vector<std::string> namedCycle(const std::vector<std::pair<size_t, size_t>>& stack,
                                        size_t again) const {
        std::vector<std::string> names;
        bool inside = false;
        for (const auto& [node, next] : stack) {
            inside = inside || node == again;
            if (inside) names.push_back(terms_[node].text);
        }
        names.push_back(terms_[again].text);
        std::reverse(names.begin(), names.end());
        return names;
    }

    std::vector<Term> terms_;
    std::map<std::string, size_t> byKey_;
    std::vector<std::vector<size_t>> children_;
    std::vector<size_t> tops_;
    std::string duplicate_;
};

}  // namespace

std::vector<ThesaurusEntry> thesaurusWalk(Database& db, const std::string& startKey, size_t limit) {
    return Hierarchy(db).walk(startKey, limit);
}

void checkThesaurus(Database& db) {
    Hierarchy hierarchy(db);
    if (!hierarchy.duplicate().empty()) throw EngineError(kDuplicateTerm, hierarchy.duplicate());
    std::vector<std::string> cycle = hierarchy.cycle();
    if (cycle.empty()) return;
    std::string names;
    for (const std::string& name : cycle) names += (names.empty() ? "" : " > ") + name;
    throw EngineError(kThesaurusCycle, names);
}

}  // namespace zdb

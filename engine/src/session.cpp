// session.cpp - session state and handle checks.

#include "session.h"

#include <algorithm>

#include "codes.h"
#include "error.h"

namespace zdb {
namespace {

// The process's session slot.
std::unique_ptr<Session>& holder() {
    static std::unique_ptr<Session> instance;
    return instance;
}

}  // namespace

Session::Session(std::string dataDir, std::string user, User account,
                 std::unique_ptr<Charset> charset, std::unique_ptr<SystemDb> system)
    : dataDir_(std::move(dataDir)), user_(std::move(user)), account_(std::move(account)),
      charset_(std::move(charset)), system_(std::move(system)) {}

SearchSet& Session::set(int number) {
    if (number == 0) {
        if (currentSet == 0) throw EngineError(kNoCurrentSet);
        number = currentSet;
    }
    auto it = sets.find(number);
    if (it == sets.end()) throw EngineError(kInvalidSetNumber, std::to_string(number));
    return *it->second;
}

int Session::nextSetNumber() const {
    if (sets.size() >= static_cast<size_t>(kMaxSets)) return 0;
    int next = sets.empty() ? 1 : sets.rbegin()->first + 1;
    if (next <= kMaxSets) return next;
    for (int number = 1; number <= kMaxSets; ++number)
        if (!sets.count(number)) return number;
    return 0;
}

void Session::dropSets(int from, int to) {
    for (auto it = sets.lower_bound(from); it != sets.end() && it->first <= to;) it = sets.erase(it);
    if (sorted.set >= from && sorted.set <= to) sorted = Sorted{};
    if (!sets.count(currentSet)) currentSet = sets.empty() ? 0 : sets.rbegin()->first;
}

ZdbRecordControlData& Session::recordControl(ZdbRecordControl rc) {
    for (auto& owned : recordControls)
        if (owned.get() == rc) return *owned;
    throw EngineError(kInvalidHandle);
}

ZdbCursorData& Session::cursor(ZdbCursor cursor) {
    for (auto& owned : cursors)
        if (owned.get() == cursor) return *owned;
    throw EngineError(kInvalidHandle);
}

ZdbSummaryData& Session::summary(ZdbSummary summary) {
    for (auto& owned : summaries)
        if (owned.get() == summary) return *owned;
    throw EngineError(kInvalidHandle);
}

void Session::clearResults() {
    sets.clear();
    currentSet = 0;
    sorted = Sorted{};
    display = DisplayList{};
    window = Window{};
    walk = Walk{};
}

ZdbCursorData* Session::newCursor() {
    cursors.push_back(std::make_unique<ZdbCursorData>());
    return cursors.back().get();
}

Session* currentSession() { return holder().get(); }

Session& session() {
    if (!holder()) throw EngineError(kNoSession);
    return *holder();
}

void startSession(std::unique_ptr<Session> session) { holder() = std::move(session); }

void endSession() { holder().reset(); }

}  // namespace zdb

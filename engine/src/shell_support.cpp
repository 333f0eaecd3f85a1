// shell_support.cpp - zoltdb's record lookup by id on the session's base.

#include "shell_support.h"

#include "api_state.h"
#include "session.h"
#include "text_util.h"

namespace zdb {

int shellReadRecord(ZdbRecordControl handle, const char* database, int id) {
    return guarded([&] {
        Session& s = session();
        ZdbRecordControlData& rc = s.recordControl(handle);
        if (s.base.dbs.empty()) throw EngineError(kNoBase);
        std::shared_ptr<Database> db;
        for (const auto& candidate : s.base.dbs)
            if (!database || !*database || equalsIgnoreCase(candidate->name(), database)) {
                db = candidate;
                break;
            }
        if (!db) throw EngineError(kUnknownDatabase, database ? database : "");
        auto record = db->readRecord(id);
        if (!record) return static_cast<int>(ZDB_NO_RECORD);
        uint64_t generation = rc.generation + 1;
        rc = ZdbRecordControlData{};
        rc.current = true;
        rc.db = db;
        rc.id = id;
        rc.loaded = true;
        rc.exists = true;
        rc.content = std::move(*record);
        rc.lastDatabase = db->name();
        rc.generation = generation;
        return static_cast<int>(ZDB_OK);
    });
}

std::vector<std::string> shellFieldNames(ZdbRecordControl handle) {
    std::vector<std::string> names;
    Session* s = currentSession();
    if (!s) return names;
    try {
        ZdbRecordControlData& rc = s->recordControl(handle);
        if (!rc.current) return names;
        for (const Field& field : rc.db->schema().fields) names.push_back(s->charset().toSession(field.name));
    } catch (const EngineError&) {
        names.clear();
    }
    return names;
}

}  // namespace zdb

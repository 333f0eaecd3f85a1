// engine_fixture.h - helpers for the engine's tests: a scratch data directory with a
// system database, small databases built from JSON in the test, a logged-in
// session, and running the zoltdb program. Each test ends its session.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "database.h"
#include "json_io.h"
#include "loader.h"
#include "password.h"
#include "system_db.h"
#include "zdb.h"

#include "support/scratch_dir.h"

namespace enginetest {

// A scratch directory (tests/support) with its path as a text.
struct TempDir : ScratchDir {
    std::string path = ScratchDir::path().string();
};

using ::readFile;
using ::writeFile;

// Runs `command` through the shell; its standard output and error, and its status.
struct Run {
    std::string output;
    int status = -1;
};
inline Run run(const std::string& command) {
    Run result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string zoltdb() { return std::string(ZGW_BINARY_DIR) + "/zoltdb"; }

// The schema most tests use: every field type, a part field and a BLOB.
inline const char* kPackagesSchema = R"({"name": "PACKAGES", "fields": [
  {"name": "PACKAGE", "type": "PHRASE"}, {"name": "DESCRIPTION", "type": "TEXT"},
  {"name": "CHAPTER", "type": "TEXT", "parts": true}, {"name": "YEAR", "type": "INTEGER"},
  {"name": "PRICE", "type": "NUMBER"}, {"name": "DAY", "type": "DATE"}, {"name": "HOUR", "type": "TIME"},
  {"name": "SECTION", "type": "STRING"}, {"name": "LOGO", "type": "BLOB"}],
  "formats": {"short": "{PACKAGE} - {DESCRIPTION}"}})";

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path.empty());
        UpdateRCS("ZDBS_DATA", dir.path.c_str());
        UpdateRCS("ZDBS_SIF", "");
        zdb::SystemDb::create(dir.path, true);
    }
    void TearDown() override {
        if (rc) ZdbDeleteRecordControl(&rc);
        ZdbEndZdbs(0);
    }

    // Creates database `name` from `schema` and loads `records` (JSON Lines).
    void createDatabase(const std::string& name, const std::string& schema,
                        const std::vector<std::string>& records) {
        zdb::Database::create(dir.path, zdb::parseSchemaJson(schema, name));
        addRecords(name, records);
    }
    void addRecords(const std::string& name, const std::vector<std::string>& records) {
        auto db = zdb::Database::open(dir.path, name, true);
        zdb::Loader loader(*db);
        loader.begin();
        for (const std::string& line : records) {
            zdb::InputRecord record;
            zdb::parseRecordJson(db->schema(), line, dir.path, record);
            loader.add(record);
        }
        loader.commit();
    }
    void addUser(const std::string& name, const std::string& password,
                 std::vector<std::string> databases, bool disabled = false, std::string expires = "",
                 std::string hours = "") {
        zdb::SystemDb system(dir.path, true);
        system.putUser(zdb::User{name, zdb::hashPassword(password), databases, disabled, expires, hours});
    }

    // Logs in as the public user with character set `charset` and creates a record control.
    int login(int charset = ZDB_CHARSET_UTF8, const char* user = "zoltgate", const char* password = "") {
        int code = ZdbStartZolt(user, password, ZDB_LANG_ENG, charset * 256);
        if (code & 1) ZdbCreateRecordControl(&rc);
        return code;
    }
    // Logs in (as login does) and opens the database PACKAGES.
    void open(int charset = ZDB_CHARSET_UTF8) {
        ASSERT_EQ(login(charset), ZDB_OK);
        ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    }
    // Deletes the record control and ends the session, for a test that logs in again.
    void endSession() {
        ZdbDeleteRecordControl(&rc);
        ZdbEndZdbs(0);
    }
    int ccl(const std::string& command, int* orderType = nullptr) {
        int order = 0;
        int code = ZdbExecuteCcl(command.c_str(), &order);
        if (orderType) *orderType = order;
        return code;
    }
    std::string message(int code) {
        char text[1024];
        int length = 1023;
        ZdbMessage(code, text, &length);
        return std::string(text, static_cast<size_t>(length));
    }
    struct SetInfo {
        int set = 0, records = 0, hits = 0;
    };
    SetInfo search() {
        SetInfo info;
        ZdbGetSearch(&info.set, &info.records, &info.hits);
        return info;
    }
    // Record ids of the current set, in set order.
    std::vector<int> ids() {
        std::vector<int> out;
        char database[ZDB_DATABASE_NAME_SIZE];
        for (int n = 1;; ++n) {
            int set = 0, id = 0;
            int code = ZdbGetRecordInSearchRis(rc, &set, -n, &id, database);
            if (code == 0 || !(code & 1)) break;
            out.push_back(id);
        }
        return out;
    }
    // The whole item at the cursor, read in pieces of `piece` bytes; false when none.
    bool readItem(ZdbCursor cursor, std::string& text, int piece = 1023) {
        text.clear();
        std::vector<char> buffer(static_cast<size_t>(piece) + 1);
        int code;
        do {
            int length = piece;
            code = ZdbGetNextItem(cursor, buffer.data(), &length);
            if (code == 0) return false;
            text.append(buffer.data(), static_cast<size_t>(length < 0 ? -length : length));
        } while (code == ZDB_MORE);
        return true;
    }

    TempDir dir;
    ZdbRecordControl rc = nullptr;
};

}  // namespace enginetest

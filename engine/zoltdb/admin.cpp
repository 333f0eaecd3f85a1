// admin.cpp - init, create, load, export, delete, info, users and procedures.
// A load writes batches of records in transactions: the first bad record stops it
// and nothing of its batch is written.

#include "admin.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

#include "codes.h"
#include "database.h"
#include "error.h"
#include "json_io.h"
#include "login_rules.h"
#include "loader.h"
#include "messages.h"
#include "password.h"
#include "system_db.h"
#include "text_util.h"

namespace zoltdb {
namespace {

using namespace zdb;

constexpr size_t kBatchRecords = 10000;

// The message of an engine failure, with its detail for the administrator.
std::string describe(const EngineError& error) {
    auto text = catalogueText(error.code());
    std::string message = text ? fillMessage(*text, error.argument()) : "error";
    if (!error.detail().empty()) message += " (" + error.detail() + ")";
    return message;
}

// Prints `message` as zoltdb's error line; the exit status 1.
int fail(const std::string& message) {
    std::cerr << "zoltdb: " << message << "\n";
    return 1;
}

// Runs `body`, turning engine and input errors into a message and exit status 1.
template <typename Body> int reporting(Body&& body) {
    try {
        return body();
    } catch (const EngineError& error) {
        return fail(describe(error));
    } catch (const InputError& error) {
        return fail(error.what());
    } catch (const std::exception& error) {
        return fail(error.what());
    }
}

// The whole file at `path`; throws when it cannot be read.
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError("cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The directory part of `path` ("." when it has none).
std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The progress line of a load on a terminal.
void progress(int64_t records, bool done) {
    std::cerr << "\r" << records << " records loaded" << (done ? "\n" : "") << std::flush;
}

// Opens database `name` for writing, telling when its index was rewritten into the
// present format on the way.
std::shared_ptr<Database> openForWriting(const std::string& dataDir, const std::string& name) {
    auto db = Database::open(dataDir, name, true);
    if (int from = db->upgradedFrom())
        std::cerr << "zoltdb: " << db->name() << ": word index rewritten from format " << from
                  << " into format " << kFormatVersion << "\n";
    return db;
}

}  // namespace

int initSystem(const std::string& dataDir, bool publicUser) {
    return reporting([&] {
        SystemDb::create(dataDir, publicUser);
        std::cout << "Created " << SystemDb::pathFor(dataDir)
                  << (publicUser ? " with the public user zoltgate\n" : "\n");
        return 0;
    });
}

int createDatabase(const std::string& dataDir, const std::string& name, const std::string& schemaFile) {
    return reporting([&] {
        if (!isValidDatabaseName(name))
            return fail("invalid database name '" + name + "' (letters, digits, _ and -, at most 64)");
        Schema schema;
        try {
            schema = parseSchemaJson(readFile(schemaFile), name);
        } catch (const InputError& error) {
            return fail(schemaFile + ": " + error.what());
        }
        Database::create(dataDir, schema);
        std::cout << "Created " << Database::pathFor(dataDir, name) << " with "
                  << schema.fields.size() << " fields\n";
        return 0;
    });
}

int loadRecords(const std::string& dataDir, const std::string& name, const std::string& file) {
    return reporting([&] {
        auto db = openForWriting(dataDir, name);
        std::ifstream stream;
        bool fromStdin = file == "-";
        if (!fromStdin) {
            stream.open(file, std::ios::binary);
            if (!stream) return fail("cannot read " + file);
        }
        std::istream& in = fromStdin ? std::cin : stream;
        std::string shown = fromStdin ? "<stdin>" : file;
        std::string baseDir = fromStdin ? "." : directoryOf(file);
        bool terminal = isatty(STDERR_FILENO);
        auto started = std::chrono::steady_clock::now();
        Loader loader(*db);
        std::string line;
        size_t lineNumber = 0;
        size_t inBatch = 0;
        InputRecord record;
        // The first failure stops the load; the batch it falls in is not written.
        auto stopped = [&](const std::string& where, const std::string& what) {
            loader.abort();
            if (terminal) progress(loader.committed(), true);
            return fail(where + ": " + what + " (load stopped: " + std::to_string(loader.committed()) +
                        " records of earlier batches are loaded; nothing of this batch)");
        };
        while (std::getline(in, line)) {
            ++lineNumber;
            if (trim(line).empty()) continue;
            std::string where = shown + ":" + std::to_string(lineNumber);
            try {
                parseRecordJson(db->schema(), line, baseDir, record);
                loader.add(record);
            } catch (const InputError& error) {
                return stopped(where, error.what());
            } catch (const EngineError& error) {
                return stopped(where, describe(error));
            }
            if (++inBatch == kBatchRecords) {
                try {
                    loader.commit();
                } catch (const EngineError& error) {
                    return stopped(where, describe(error));  // a thesaurus batch that breaks the hierarchy
                }
                inBatch = 0;
                if (terminal) progress(loader.committed(), false);
            }
        }
        try {
            loader.commit();
        } catch (const EngineError& error) {
            return stopped(shown, describe(error));
        }
        loader.mergeIfNeeded();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (terminal) progress(loader.committed(), true);
        std::cout << db->name() << ": " << loader.committed() << " records loaded in "
                  << static_cast<int64_t>(seconds * 1000) << " ms ("
                  << static_cast<int64_t>(seconds > 0 ? loader.committed() / seconds : 0)
                  << " records a second)\n";
        return 0;
    });
}

int exportRecords(const std::string& dataDir, const std::string& name) {
    return reporting([&] {
        auto db = Database::open(dataDir, name, false);
        Transaction snapshot(db->connection(), false);
        Statement records(db->connection(), "SELECT id, parts, data FROM record ORDER BY id");
        Statement blobs(db->connection(), "SELECT part, field, type, content FROM blob WHERE id = ? ORDER BY part, field");
        while (records.step()) {
            auto id = static_cast<int32_t>(records.integer(0));
            RecordContent content = decodeRecord(id, static_cast<int>(records.integer(1)),
                                                 records.bytes(2), db->name());
            std::vector<InputBlob> blobList;
            blobs.reset();
            blobs.bind(1, id);
            while (blobs.step())
                blobList.push_back(InputBlob{static_cast<int>(blobs.integer(0)),
                                             static_cast<int>(blobs.integer(1)),
                                             std::string(blobs.bytes(2)), std::string(blobs.bytes(3))});
            std::cout << recordToJson(db->schema(), content, blobList) << "\n";
        }
        snapshot.commit();
        std::cout.flush();
        return std::cout ? 0 : fail("cannot write the export");
    });
}

int deleteRecords(const std::string& dataDir, const std::string& name, const std::vector<std::string>& ids) {
    return reporting([&] {
        std::vector<int32_t> numbers;
        for (const std::string& text : ids) {
            int32_t id = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
            if (ec != std::errc() || end != text.data() + text.size() || id < 1)
                return fail("invalid record id '" + text + "'");
            numbers.push_back(id);
        }
        auto db = openForWriting(dataDir, name);
        Loader loader(*db);
        loader.begin();
        int missing = 0;
        for (int32_t id : numbers) {
            if (!loader.remove(id)) {
                std::cerr << "zoltdb: no record " << id << " in " << db->name() << "\n";
                ++missing;
            }
        }
        loader.commit();
        loader.mergeIfNeeded();
        std::cout << db->name() << ": " << numbers.size() - static_cast<size_t>(missing)
                  << " records deleted\n";
        return missing ? 1 : 0;
    });
}

int showInfo(const std::string& dataDir, const std::string& name) {
    return reporting([&] {
        auto db = Database::open(dataDir, name, false);
        const Schema& schema = db->schema();
        std::cout << "Database: " << schema.name << " (" << schema.kind << ")\n";
        std::cout << "Fields:\n";
        for (const Field& field : schema.fields)
            std::cout << "  " << field.number << " " << field.name << " " << fieldTypeName(field.type)
                      << (field.isPart() ? " parts" : "")
                      << (field.number == schema.termField ? " term" : "")
                      << (field.number == schema.broaderField ? " broader" : "")
                      << (field.number == schema.narrowerField ? " narrower" : "") << "\n";
        std::cout << "Formats:\n";
        for (const auto& [format, text] : schema.formats) std::cout << "  " << format << ": " << text << "\n";
        struct stat info {};
        stat(Database::pathFor(dataDir, name).c_str(), &info);
        std::cout << "Records: " << db->recordCount() << "\n";
        std::cout << "Size: " << info.st_size << " bytes\n";
        return 0;
    });
}

int addUser(const std::string& dataDir, const std::string& name, const std::string& password,
            const std::string& databases, const UserLimits& limits) {
    return reporting([&] {
        if (name.empty() || name.size() > 64 || name.find_first_of(" \t\r\n") != std::string::npos)
            return fail("invalid user name '" + name + "'");
        std::vector<std::string> list = splitList(databases);
        for (const std::string& db : list)
            if (db != "*" && !isValidDatabaseName(db)) return fail("invalid database name '" + db + "'");
        std::string expires, hours;
        if (!limits.expires.empty()) {
            auto normal = normalExpiry(limits.expires);
            if (!normal) return fail("invalid date '" + limits.expires + "' (YYYY-MM-DD or DD.MM.YYYY)");
            expires = *normal;
        }
        if (!limits.hours.empty()) {
            auto normal = normalHours(limits.hours);
            if (!normal) return fail("invalid hours '" + limits.hours + "' (HH:MM-HH:MM, two different times)");
            hours = *normal;
        }
        SystemDb system(dataDir, true);
        bool existed = system.user(name).has_value();
        system.putUser(User{name, hashPassword(password), list, limits.disabled, expires, hours});
        std::cout << (existed ? "Updated" : "Added") << " user " << name << "\n";
        return 0;
    });
}

int deleteUser(const std::string& dataDir, const std::string& name) {
    return reporting([&] {
        SystemDb system(dataDir, true);
        if (!system.deleteUser(name)) return fail("no user '" + name + "'");
        std::cout << "Deleted user " << name << "\n";
        return 0;
    });
}

int listUsers(const std::string& dataDir) {
    return reporting([&] {
        SystemDb system(dataDir, false);
        for (const User& user : system.users()) {
            std::string databases;
            for (const std::string& db : user.databases) databases += (databases.empty() ? "" : ",") + db;
            std::cout << user.name << " " << (databases.empty() ? "-" : databases)
                      << (user.disabled ? " disabled" : "")
                      << (user.expires.empty() ? "" : " expires " + user.expires)
                      << (user.hours.empty() ? "" : " hours " + user.hours) << "\n";
        }
        return 0;
    });
}

int setLogins(const std::string& dataDir, bool open) {
    return reporting([&] {
        SystemDb system(dataDir, true);
        system.setLoginsClosed(!open);
        std::cout << (open ? "Logins are open\n" : "Logins are closed: every login is refused until "
                                                    "'zoltdb logins open'\n");
        return 0;
    });
}

int addProcedure(const std::string& dataDir, const std::string& name, const std::vector<std::string>& lines) {
    return reporting([&] {
        if (!isValidFieldName(name)) return fail("invalid procedure name '" + name + "'");
        for (const char* word : {"FIND", "FUZZY", "BASE", "DELETE", "DEFINE", "DISPLAY", "SHOW", "FORWARD"})
            if (equalsIgnoreCase(name, word)) return fail("'" + name + "' is a command word");
        if (lines.empty()) return fail("a procedure needs at least one line");
        SystemDb system(dataDir, true);
        system.putProcedure(name, lines);
        std::cout << "Stored procedure " << name << " (" << lines.size() << " lines)\n";
        return 0;
    });
}

int deleteProcedure(const std::string& dataDir, const std::string& name) {
    return reporting([&] {
        SystemDb system(dataDir, true);
        if (!system.deleteProcedure(name)) return fail("no procedure '" + name + "'");
        std::cout << "Deleted procedure " << name << "\n";
        return 0;
    });
}

int listProcedures(const std::string& dataDir) {
    return reporting([&] {
        SystemDb system(dataDir, false);
        for (const auto& [name, lines] : system.procedures()) {
            std::cout << name << "\n";
            for (const std::string& line : lines) std::cout << "  " << line << "\n";
        }
        return 0;
    });
}

}  // namespace zoltdb

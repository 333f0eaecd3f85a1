// engine_bench.cpp - the engine on a real corpus (ZGW_BENCH_CORPUS, JSON Lines made
// by debian2jsonl): load rate, FIND of common, combined, rare and truncated words
// and a field comparison with their exact hit counts, ten records read with their
// hit words, a whole request, and the database size. The same searches run on the
// first quarter of the corpus, to show which costs follow the database size and
// which only the result.

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "database.h"
#include "json_io.h"
#include "loader.h"
#include "system_db.h"
#include "zdb.h"

namespace {

std::string g_dataDir;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads `lines` into a new database `name`; prints the rate and the file size.
void build(const std::string& name, const std::string& schemaFile, const std::vector<std::string>& lines) {
    zdb::Database::create(g_dataDir, zdb::parseSchemaJson(readText(schemaFile), name));
    auto db = zdb::Database::open(g_dataDir, name, true);
    auto start = std::chrono::steady_clock::now();
    zdb::Loader loader(*db);
    zdb::InputRecord record;
    size_t inBatch = 0;
    for (const std::string& line : lines) {
        zdb::parseRecordJson(db->schema(), line, ".", record);
        loader.add(record);
        if (++inBatch == 10000) {
            loader.commit();
            inBatch = 0;
        }
    }
    loader.commit();
    loader.mergeIfNeeded();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat info {};
    stat(zdb::Database::pathFor(g_dataDir, name).c_str(), &info);
    std::cout << name << ": " << lines.size() << " records loaded in " << seconds << " s = "
              << static_cast<long>(lines.size() / seconds) << " records/s; file " << info.st_size / 1024
              << " KiB\n";
}

void check(int code, const char* what) {
    if (!(code & 1)) {
        std::cerr << what << " failed with code " << code << "\n";
        std::exit(1);
    }
}

ZdbRecordControl g_rc = nullptr;

void openBase(const std::string& name) {
    int order = 0;
    check(ZdbExecuteCcl(("BASE " + name).c_str(), &order), "BASE");
}

// FIND `query` on database `name`: time per search, with records and exact hits.
void findQuery(benchmark::State& state, const std::string& name, const std::string& query) {
    openBase(name);
    std::string command = "FIND " + query;
    int set = 0, records = 0, hits = 0, order = 0;
    for (auto _ : state) {
        check(ZdbExecuteCcl(command.c_str(), &order), command.c_str());
        ZdbGetSearch(&set, &records, &hits);
        state.PauseTiming();
        ZdbExecuteCcl("DELETE S=FROM 1", &order);
        state.ResumeTiming();
    }
    state.counters["records"] = records;
    state.counters["hits"] = hits;
}

// Reads records 1..10 of a search with all their hit words and their DESCRIPTION text.
void readTen(benchmark::State& state, const std::string& name, const std::string& query) {
    openBase(name);
    int order = 0;
    check(ZdbExecuteCcl(("FIND " + query).c_str(), &order), "FIND");
    ZdbCursor cursor = nullptr;
    char buffer[1024];
    char database[ZDB_DATABASE_NAME_SIZE];
    long hitWords = 0;
    for (auto _ : state) {
        hitWords = 0;
        for (int n = 1; n <= 10; ++n) {
            int set = 0, id = 0;
            check(ZdbGetRecordInSearchRis(g_rc, &set, n, &id, database), "record");
            int part, field, paragraph, item, position, length;
            while (ZdbGetNextHitWord(g_rc, &part, &field, &paragraph, &item, &position, &length)) ++hitWords;
            for (int p = 1; ZdbSetCursor(&cursor, g_rc, 3, p, 0) == ZDB_OK; ++p) {
                int code;
                do {
                    int size = 1023;
                    code = ZdbGetNextItem(cursor, buffer, &size);
                } while (code == ZDB_MORE);
            }
        }
    }
    state.counters["hit_words"] = static_cast<double>(hitWords);
    ZdbExecuteCcl("DELETE S=FROM 1", &order);
}

// A whole request inside the process: login, BASE, FIND, ten records with hits, logout.
void request(benchmark::State& state, const std::string& name, const std::string& query) {
    ZdbDeleteRecordControl(&g_rc);
    ZdbEndZdbs(0);
    int order = 0;
    char database[ZDB_DATABASE_NAME_SIZE];
    for (auto _ : state) {
        check(ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256), "login");
        ZdbRecordControl rc = nullptr;
        ZdbCreateRecordControl(&rc);
        check(ZdbExecuteCcl(("BASE " + name).c_str(), &order), "BASE");
        check(ZdbExecuteCcl(("FIND " + query).c_str(), &order), "FIND");
        for (int n = 1; n <= 10; ++n) {
            int set = 0, id = 0;
            ZdbGetRecordInSearchRis(rc, &set, n, &id, database);
            int part, field, paragraph, item, position, length;
            while (ZdbGetNextHitWord(rc, &part, &field, &paragraph, &item, &position, &length)) {}
        }
        ZdbDeleteRecordControl(&rc);
        ZdbEndZdbs(0);
    }
    check(ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256), "login");
    ZdbCreateRecordControl(&g_rc);
}

void login(benchmark::State& state) {
    ZdbDeleteRecordControl(&g_rc);
    ZdbEndZdbs(0);
    for (auto _ : state) {
        check(ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256), "login");
        ZdbEndZdbs(0);
    }
    check(ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256), "login");
    ZdbCreateRecordControl(&g_rc);
}

}  // namespace

int main(int argc, char** argv) {
    const char* corpus = std::getenv("ZGW_BENCH_CORPUS");
    if (!corpus) {
        std::cerr << "Set ZGW_BENCH_CORPUS to a JSON Lines corpus (bench/run.sh makes one).\n";
        return 1;
    }
    std::string schema = std::string(ZGW_SOURCE_DIR) + "/tools/debian_packages.json";
    std::vector<std::string> lines;
    {
        std::ifstream in(corpus);
        std::string line;
        while (std::getline(in, line))
            if (!line.empty()) lines.push_back(line);
    }
    char pattern[] = "/tmp/zgwbench.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_dataDir = pattern;
    UpdateRCS("ZDBS_DATA", g_dataDir.c_str());
    zdb::SystemDb::create(g_dataDir, true);
    build("FULL", schema, lines);
    build("QUARTER", schema, std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(lines.size() / 4)));
    check(ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_LATIN1 * 256), "login");
    ZdbCreateRecordControl(&g_rc);

    const std::pair<const char*, const char*> queries[] = {
        {"common", "library"},
        {"common2", "package"},
        {"and", "python AND library"},
        {"rare", "tetris"},
        {"truncated", "network?"},
        {"phrase", "\"command line\""},
        {"field", "INSTALLED_SIZE>10000"},
    };
    for (const char* db : {"FULL", "QUARTER"}) {
        for (const auto& [label, query] : queries)
            benchmark::RegisterBenchmark((std::string("FIND/") + label + "/" + db).c_str(),
                                         [db = std::string(db), q = std::string(query)](benchmark::State& s) {
                                             findQuery(s, db, q);
                                         })
                ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("ReadTen/") + db).c_str(),
                                     [db = std::string(db)](benchmark::State& s) { readTen(s, db, "library"); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("Request/") + db).c_str(),
                                     [db = std::string(db)](benchmark::State& s) { request(s, db, "python library"); })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("Login", login)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ZdbDeleteRecordControl(&g_rc);
    ZdbEndZdbs(0);
    std::filesystem::remove_all(g_dataDir);
    return 0;
}

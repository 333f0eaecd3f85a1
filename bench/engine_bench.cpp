// engine_bench.cpp - the engine on a real corpus (ZGW_BENCH_CORPUS, JSON Lines made
// by debian2jsonl): load rate, FIND of common, combined, rare and truncated words
// and a field comparison with their exact hit counts, ten records read with their
// hit words, a whole request, a DISPLAY of a common prefix, a 20-line SHOW page and
// FORWARD, a summary and a focus excerpt, and the database size. The same run on the
// first quarter of the corpus shows which costs follow the database size and which
// only the result.

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "corpus.h"

namespace {

std::string g_dataDir;

// Loads `lines` into a new database `name`; prints the rate and the file size.
void build(const std::string& name, const std::vector<std::string>& lines) {
    bench::createDebianDatabase(g_dataDir, name);
    auto start = std::chrono::steady_clock::now();
    bench::loadLines(g_dataDir, name, lines);
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

// DISPLAY of the index terms from `start` on (up to the list's limit, with counts).
void display(benchmark::State& state, const std::string& name, const std::string& start) {
    openBase(name);
    std::string command = "DISPLAY " + start;
    int order = 0, count = 0, kind = 0;
    for (auto _ : state) {
        check(ZdbExecuteCcl(command.c_str(), &order), command.c_str());
        ZdbGetDisplay(&count, &kind);
    }
    state.counters["terms"] = count;
}

// Reads the window's current page with its hits; the number of lines.
int readPage() {
    char line[81];
    int lines = 0, start = 0, length = 0;
    while (ZdbGetWindowLine(1, line) & 1) {
        ++lines;
        while (ZdbGetWindowHit(1, &start, &length) & 1) {}
    }
    return lines;
}

// SHOW of the first 20-line page of a search's records (FORWARD when `forward`:
// the next page each time, the window shown again when the records run out).
void showPage(benchmark::State& state, const std::string& name, const std::string& query, bool forward) {
    openBase(name);
    int order = 0, lines = 0;
    check(ZdbExecuteCcl(("FIND " + query).c_str(), &order), "FIND");
    check(ZdbDefineWindow(1, 20, 80), "window");
    const char* show = "SHOW R=FROM 1 f=short";
    check(ZdbExecuteCcl(show, &order), show);
    for (auto _ : state) {
        if (forward) {
            int code = ZdbExecuteCcl("FORWARD", &order);
            if (code == ZDB_NO_MORE_TO_SHOW) {
                state.PauseTiming();
                check(ZdbExecuteCcl(show, &order), show);
                state.ResumeTiming();
                continue;
            }
            check(code, "FORWARD");
        } else {
            check(ZdbExecuteCcl(show, &order), show);
        }
        lines = readPage();
    }
    state.counters["lines"] = lines;
    ZdbDefineWindow(1, 50, 80);
    ZdbExecuteCcl("DELETE S=FROM 1", &order);
}

// A summary (or a focus excerpt of 200 bytes) of DESCRIPTION of records 1..10 of a search.
void summarize(benchmark::State& state, const std::string& name, const std::string& query, bool focus) {
    openBase(name);
    int order = 0;
    check(ZdbExecuteCcl(("FIND " + query).c_str(), &order), "FIND");
    ZdbCursor cursor = nullptr;
    char database[ZDB_DATABASE_NAME_SIZE];
    long bytes = 0;
    int n = 0;
    for (auto _ : state) {
        int set = 0, id = 0;
        check(ZdbGetRecordInSearchRis(g_rc, &set, n++ % 10 + 1, &id, database), "record");
        ZdbSetCursor(&cursor, g_rc, 3, 0, 0);
        if (focus) {
            int length = 0, hitCount = 0, count = 0;
            const char* text = nullptr;
            const int* hits = nullptr;
            check(ZdbGetFocus(cursor, &length, &text, &hitCount, &hits, &count, -200), "focus");
            bytes = length;
        } else {
            ZdbSummary handle = nullptr;
            const char* text = nullptr;
            ZdbStartSummarization(&handle, 1);
            ZdbAccumulateSummarization(handle, cursor);
            check(ZdbGenerateSummary(handle, &text), "summary");
            bytes = static_cast<long>(std::strlen(text));
            ZdbEndSummarization(handle);
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
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
    std::vector<std::string> lines = bench::corpusLines();
    g_dataDir = bench::scratchDataDir("zgwbench");
    build("FULL", lines);
    build("QUARTER", std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(lines.size() / 4)));
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
        auto add = [&](const char* label, auto body) {
            benchmark::RegisterBenchmark((std::string(label) + "/" + db).c_str(),
                                         [db = std::string(db), body](benchmark::State& s) { body(s, db); })
                ->Unit(benchmark::kMicrosecond);
        };
        add("Display/lib", [](benchmark::State& s, const std::string& d) { display(s, d, "lib"); });
        add("Show20", [](benchmark::State& s, const std::string& d) { showPage(s, d, "library", false); });
        add("Forward20", [](benchmark::State& s, const std::string& d) { showPage(s, d, "library", true); });
        add("Summary", [](benchmark::State& s, const std::string& d) { summarize(s, d, "library", false); });
        add("Focus200", [](benchmark::State& s, const std::string& d) { summarize(s, d, "library", true); });
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

// corpus.h - what the benchmarks share: the corpus's lines (ZGW_BENCH_CORPUS), a
// scratch data directory with the system database, and loading lines in the
// batches zoltdb load uses. Benchmark support only; never part of the engine.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "database.h"
#include "json_io.h"
#include "loader.h"
#include "system_db.h"
#include "zdb.h"

namespace bench {

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The non-empty lines of the corpus; exits with a hint when none is named.
inline std::vector<std::string> corpusLines() {
    const char* corpus = std::getenv("ZGW_BENCH_CORPUS");
    if (!corpus) {
        std::cerr << "Set ZGW_BENCH_CORPUS to a JSON Lines corpus (bench/run.sh makes one).\n";
        std::exit(1);
    }
    std::vector<std::string> lines;
    std::ifstream in(corpus);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// A new data directory under /tmp with the system database, set as ZDBS_DATA.
inline std::string scratchDataDir(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + ".XXXXXX";
    if (!mkdtemp(pattern.data())) std::exit(1);
    UpdateRCS("ZDBS_DATA", pattern.c_str());
    zdb::SystemDb::create(pattern, true);
    return pattern;
}

// Creates database `name` from the corpus's schema when it does not exist yet.
inline void createDebianDatabase(const std::string& dataDir, const std::string& name) {
    std::string schema = readText(std::string(ZGW_SOURCE_DIR) + "/tools/debian_packages.json");
    zdb::Database::create(dataDir, zdb::parseSchemaJson(schema, name));
}

// Loads `lines` into database `name` in batches of 10,000, then merges when needed.
inline void loadLines(const std::string& dataDir, const std::string& name, const std::vector<std::string>& lines) {
    auto db = zdb::Database::open(dataDir, name, true);
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
}

}  // namespace bench

// docs_and_news.h - test support: the small data directory that the request-path tests
// and the engine contract both log in to: databases docs and news with one record each
// ("Cats sleep a lot."), the public user and anna (password "right", news only).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

// Writes the schema and the record into `directory`; the zoltdb commands (arguments
// after "--data DIR") that make the data from them, in order.
inline std::vector<std::vector<std::string>> docsAndNewsCommands(const std::filesystem::path& directory) {
    const std::string schema = (directory / "docs.schema.json").string();
    const std::string records = (directory / "docs.jsonl").string();
    writeFile(schema,
              R"({"name": "DOCS", "fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"}]})");
    writeFile(records, R"({"id": 1, "TI": "Cats", "TX": "Cats sleep a lot."})" "\n");
    return {{"init"},
            {"create", "docs", "--schema", schema},
            {"create", "news", "--schema", schema},
            {"load", "docs", records},
            {"load", "news", records},
            {"user", "add", "anna", "--password", "right", "--databases", "news"}};
}

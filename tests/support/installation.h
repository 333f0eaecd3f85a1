// installation.h - test support: a scratch installation of the gateway, a directory
// with a cache directory and a configuration file whose first line names that cache;
// and the error page that the program answers with.
#pragma once

#include <string>

#include "support/scratch_dir.h"

struct Installation {
    ScratchDir root;
    std::filesystem::path cache = root / "cache";
    std::filesystem::path config = root / "zgw.conf";

    Installation() {
        std::filesystem::create_directory(cache);
        writeConfig("");
    }

    // Writes the configuration: the CACHE line of this installation, then `lines`.
    void writeConfig(const std::string& lines) const {
        writeFile(config, "CACHE " + cache.string() + "\n" + lines);
    }
};

// The whole error response for errorText; with `place` ("unit(line)"), as message
// level 1 shows it.
inline std::string errorPage(const std::string& text, const std::string& place = "") {
    return "Status: 404 Not found\nContent-Type: text/html\n\n"
           "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1><h2>" +
           text + "</h2>" + (place.empty() ? "" : "<h3>" + place + "</h3>") + "</body></html>";
}

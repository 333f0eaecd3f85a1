// request_test_support.h - a scratch installation for tests of the request path: a
// directory with a cache directory and a configuration file named by ZGW_CONF in the
// engine double, the request and cookie lists as the test gives them, the response
// captured in a file, and the process state (current directory, environment) restored.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cgi/entry_list.h"
#include "cgi/response.h"
#include "entry/zoltgw.h"
#include "zdb_double.h"

using Entries = std::vector<std::pair<std::string, std::string>>;

// Captures the response in a temporary file (a real descriptor, as standard output
// has one) for the object's lifetime.
class ResponseFile {
public:
    ResponseFile() : file_(std::tmpfile()) { setResponseStream(file_); }
    ~ResponseFile() {
        setResponseStream(nullptr);
        std::fclose(file_);
    }
    ResponseFile(const ResponseFile&) = delete;
    ResponseFile& operator=(const ResponseFile&) = delete;

    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    std::FILE* file_;
};

// Fills a list with the given pairs, in order.
inline void fillList(EntryList& list, const Entries& entries) {
    list.clear();
    Entry* last = nullptr;
    for (const auto& [name, value] : entries) last = list_insafter(list, last, name, value);
}

// The texts of a list of StrBufs.
template <class List>
std::vector<std::string> textsOf(const List& list) {
    std::vector<std::string> out;
    for (const auto& item : list) out.push_back(item->str());
    return out;
}

class RequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine().reset();
        cgiEntries.clear();
        cookieEntries.clear();
        unsetenv("REMOTE_ADDR");
        savedDirectory = std::filesystem::current_path();
        char pattern[] = "/tmp/zgwreqXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        cache = root + "/cache";
        std::filesystem::create_directory(cache);
        configPath = root + "/zgw.conf";
        writeConfig("");
        ASSERT_EQ(Zolt::sessionsStarted(), 0) << "an earlier test left a session running";
    }

    void TearDown() override {
        gw.reset();
        response.reset();
        cgiEntries.clear();
        cookieEntries.clear();
        unsetenv("REMOTE_ADDR");
        std::filesystem::current_path(savedDirectory);
        std::filesystem::remove_all(root);
    }

    // Starts again from a new installation (for tables of cases in one test).
    void fresh() {
        TearDown();
        SetUp();
    }

    // Writes the configuration: the CACHE line of this installation, then `lines`.
    void writeConfig(const std::string& lines) {
        std::ofstream(configPath, std::ios::binary) << "CACHE " << cache << "\n" << lines;
        engine().rcsFile["ZGW_CONF"] = configPath;
    }

    // A controller with its defaults and the configuration read, as cgiParse finds it.
    void configured(const Entries& request, const std::string& configLines = "") {
        writeConfig(configLines);
        fillList(cgiEntries, request);
        response = std::make_unique<ResponseFile>();
        gw = std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
        ASSERT_EQ(gw->readConfig(), 0) << gw->errorText.view();
    }

    // The whole run of a request, with the response captured.
    void runRequest(const Entries& request, const std::string& configLines = "", int commandLineMode = 1) {
        writeConfig(configLines);
        fillList(cgiEntries, request);
        response = std::make_unique<ResponseFile>();
        gw = std::make_unique<zoltgw>(commandLineMode);
    }

    // Writes a file in the cache directory, making its slot directory.
    void writeCacheFile(const std::string& name, const std::string& text) {
        std::filesystem::path path = std::filesystem::path(cache) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string written() { return response ? response->text() : std::string(); }

    static zdbdouble::Engine& engine() { return zdbdouble::engine(); }

    // The error page for errorText, at message level 0.
    static std::string errorPage(const std::string& text) {
        return "Status: 404 Not found\nContent-Type: text/html\n\n"
               "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1><h2>" +
               text + "</h2></body></html>";
    }

    std::filesystem::path savedDirectory;
    std::string root;        // scratch directory
    std::string cache;       // its cache directory
    std::string configPath;  // the configuration file
    std::unique_ptr<ResponseFile> response;
    std::unique_ptr<zoltgw> gw;
};

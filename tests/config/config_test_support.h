// config_test_support.h - a scratch installation for configuration tests: a
// directory with a cache directory, a configuration file named by ZGW_CONF in the
// engine double, and the current directory restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "cgi/entry_list.h"
#include "entry/zoltgw.h"
#include "zdb_double.h"

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        zdbdouble::engine().reset();
        cookieEntries.clear();
        savedDirectory = std::filesystem::current_path();
        char pattern[] = "/tmp/zgwconfXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        cache = root + "/cache";
        std::filesystem::create_directory(cache);
        configPath = root + "/zgw.conf";
        gw = std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
    }

    void TearDown() override {
        gw.reset();
        cookieEntries.clear();
        std::filesystem::current_path(savedDirectory);
        std::filesystem::remove_all(root);
    }

    // Starts again from a new installation (for tables of cases in one test).
    void fresh() {
        TearDown();
        SetUp();
    }

    // Writes the configuration file as given (no line end added) and reads it.
    int readConfigText(const std::string& text) {
        std::ofstream(configPath, std::ios::binary) << text;
        zdbdouble::engine().rcsFile["ZGW_CONF"] = configPath;
        return gw->readConfig();
    }

    // The CACHE line of this installation.
    std::string cacheLine() const { return "CACHE " + cache + "\n"; }

    std::filesystem::path savedDirectory;
    std::string root;        // scratch directory
    std::string cache;       // its cache directory
    std::string configPath;  // the configuration file
    std::unique_ptr<zoltgw> gw;
};

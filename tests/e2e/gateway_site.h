// gateway_site.h - end-to-end support: an installation of the gateway (configuration,
// cache, the engine's run-time configuration file naming ZGW_CONF and ZDBS_DATA, a data
// directory) in which build/zoltgate runs as a web server would start it, and build/
// zoltdb makes the databases.
#pragma once

#include <gtest/gtest.h>

#include <cctype>

#include "e2e/cgi_process.h"
#include "support/installation.h"

namespace e2e {

namespace fs = std::filesystem;

using Environment = std::vector<std::pair<std::string, std::string>>;
using Parameters = std::vector<std::pair<std::string, std::string>>;

// A query string of the parameters, every byte but letters, digits and -_.~ escaped.
inline std::string queryOf(const Parameters& parameters) {
    auto encode = [](const std::string& text) {
        static const char* hex = "0123456789ABCDEF";
        std::string out;
        for (unsigned char c : text) {
            if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                out.push_back(static_cast<char>(c));
            } else {
                out += '%';
                out += hex[c >> 4];
                out += hex[c & 15];
            }
        }
        return out;
    };
    std::string query;
    for (const auto& [name, value] : parameters)
        query += (query.empty() ? "" : "&") + encode(name) + "=" + encode(value);
    return query;
}

inline std::string zoltdbPath() { return std::string(ZGW_BINARY_DIR) + "/zoltdb"; }

class GatewaySite : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data_);
        writeRcs("ZGW_CONF=" + config_.string() + "\nZDBS_DATA=" + data_.string() + "\n");
    }

    void writeRcs(const std::string& text) { writeFile(rcs_, text); }
    void writeConfig(const std::string& lines) { site_.writeConfig(lines); }

    // Runs one GET request with this query string (and further variables).
    CgiResult getQuery(const std::string& query, Environment extra = {}) {
        Environment environment{{"REQUEST_METHOD", "GET"},
                                {"QUERY_STRING", query},
                                {"ZOLTRCS", rcs_.string()},
                                {"SCRIPT_NAME", "/cgi-bin/zoltgate"},
                                {"REMOTE_ADDR", "192.168.7.7"}};
        for (auto& variable : extra) {
            bool replaced = false;
            for (auto& have : environment)
                if (have.first == variable.first) have.second = variable.second, replaced = true;
            if (!replaced) environment.push_back(variable);
        }
        CgiRun request{zoltgatePath(), {}, std::move(environment), "", root_.string()};
        CgiResult result = runCgi(request);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.err, "");
        return result;
    }

    // Runs one GET request with the given parameters (and further variables).
    CgiResult get(const Parameters& parameters, Environment extra = {}) {
        return getQuery(queryOf(parameters), std::move(extra));
    }

    // Runs build/zoltdb on this test's data directory; true when it succeeded.
    bool zoltdb(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--data", data_.string()});
        CgiRun run{zoltdbPath(), std::move(arguments), {{"ZOLTRCS", rcs_.string()}}, input, root_.string()};
        CgiResult result = runCgi(run);
        EXPECT_EQ(result.status, 0) << "zoltdb: " << result.out << result.err;
        return result.status == 0;
    }

    Installation site_;
    const fs::path& root_ = site_.root.path();
    const fs::path& config_ = site_.config;
    const fs::path data_ = root_ / "data";
    const fs::path rcs_ = root_ / "zolt.rcs";
};

}  // namespace e2e

// gateway_site.h - end-to-end support: an installation of the gateway (configuration,
// cache, the engine's run-time configuration file naming ZGW_CONF and ZDBS_DATA, a data
// directory, a template directory) in which build/zoltgate runs as a web server would
// start it, and build/zoltdb makes the databases.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <regex>

#include "e2e/cgi_process.h"
#include "support/docs_and_news.h"
#include "support/installation.h"

namespace e2e {

namespace fs = std::filesystem;

using Environment = std::vector<std::pair<std::string, std::string>>;
using Parameters = std::vector<std::pair<std::string, std::string>>;

// Text as a query carries it: every byte but letters, digits and -_.~ escaped.
inline std::string queryEncoded(const std::string& text) {
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
}

// A query string of the parameters.
inline std::string queryOf(const Parameters& parameters) {
    std::string query;
    for (const auto& [name, value] : parameters)
        query += (query.empty() ? "" : "&") + queryEncoded(name) + "=" + queryEncoded(value);
    return query;
}

// The value of the first href attribute after `mark` in a page, as a browser reads it.
inline std::string hrefAfter(const std::string& text, const std::string& mark) {
    std::size_t at = text.find(mark);
    if (at == std::string::npos) return "";
    std::smatch match;
    std::string rest = text.substr(at);
    if (!std::regex_search(rest, match, std::regex("href=\"([^\"]*)\""))) return "";
    return std::regex_replace(match[1].str(), std::regex("&amp;"), "&");
}

// The query a browser sends for a link: the part after "?", without a fragment, with
// the characters a browser escapes in a query escaped.
inline std::string queryOfLink(const std::string& href) {
    std::size_t question = href.find('?');
    std::string query = question == std::string::npos ? "" : href.substr(question + 1);
    query = query.substr(0, query.find('#'));
    std::string sent;
    for (unsigned char c : query) {
        if (c == '{' || c == '}' || c == ' ' || c == '"' || c == '<' || c == '>' || c > 127) {
            static const char* hex = "0123456789ABCDEF";
            sent += '%';
            sent += hex[c >> 4];
            sent += hex[c & 15];
        } else {
            sent.push_back(static_cast<char>(c));
        }
    }
    return sent;
}

class GatewaySite : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data_);
        writeRcs("ZGW_CONF=" + config_.string() + "\nZDBS_DATA=" + data_.string() + "\n");
    }

    void writeRcs(const std::string& text) { writeFile(rcs_, text); }
    void writeConfig(const std::string& lines) { site_.writeConfig(lines); }

    // Runs one GET request with this query string (and further variables, none of them
    // one of the five set here).
    CgiResult getQuery(const std::string& query, Environment extra = {}) {
        Environment environment{{"REQUEST_METHOD", "GET"},
                                {"QUERY_STRING", query},
                                {"ZOLTRCS", rcs_.string()},
                                {"SCRIPT_NAME", "/cgi-bin/zoltgate"},
                                {"REMOTE_ADDR", "192.168.7.7"}};
        environment.insert(environment.end(), extra.begin(), extra.end());
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

    // The response to the link after `mark` in `page` (the first link for ""), as a
    // browser sends it, with `more` added to its query.
    std::string follow(const std::string& page, const std::string& mark, const std::string& more = "") {
        return getQuery(queryOfLink(hrefAfter(page, mark)) + more).out;
    }

    // Runs build/zoltdb on this test's data directory; true when it succeeded.
    bool zoltdb(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--data", data_.string()});
        CgiRun run{std::string(ZGW_BINARY_DIR) + "/zoltdb", std::move(arguments), {{"ZOLTRCS", rcs_.string()}}, "",
                   root_.string()};
        CgiResult result = runCgi(run);
        EXPECT_EQ(result.status, 0) << "zoltdb: " << result.out << result.err;
        return result.status == 0;
    }

    // Makes database `name` of the schema `schema` (JSON) with the records `records`
    // (JSON Lines), the system database first; true when zoltdb did it all.
    bool makeDatabase(const std::string& name, const std::string& schema, const std::string& records) {
        const std::string schemaFile = (root_ / (name + ".schema.json")).string();
        const std::string recordFile = (root_ / (name + ".jsonl")).string();
        writeFile(schemaFile, schema);
        writeFile(recordFile, records);
        if (!fs::exists(data_ / "zolt.sys") && !zoltdb({"init"})) return false;
        return zoltdb({"create", name, "--schema", schemaFile}) && zoltdb({"load", name, recordFile});
    }

    // The databases docs and news of support/docs_and_news.h with the user anna.
    bool makeDocsAndNews() {
        for (const auto& arguments : docsAndNewsCommands(root_))
            if (!zoltdb(arguments)) return false;
        return true;
    }

    // Writes the template `name` (bytes as given) into the template directory.
    void writeTemplate(const std::string& name, const std::string& text) {
        writeFile(templates_ / (name + ".zgw"), text);
    }

    // The response to a request for `parameters` with the template `text`.
    std::string page(const std::string& text, Parameters parameters, Environment extra = {}) {
        writeTemplate("t", text);
        parameters.emplace_back("${HTML}", "t");
        return get(parameters, std::move(extra)).out;
    }

    Installation site_;
    const fs::path& root_ = site_.root.path();
    const fs::path& config_ = site_.config;
    const fs::path data_ = root_ / "data";
    const fs::path rcs_ = root_ / "zolt.rcs";
    const fs::path templates_ = root_ / "templates";
};

}  // namespace e2e

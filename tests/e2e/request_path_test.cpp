// End-to-end tests of the request path: build/zoltgate run as a CGI process against a
// configuration file, a cache directory and the engine's run-time configuration file
// (ZOLTRCS naming ZGW_CONF and ZDBS_DATA), each test in a directory of its own. The
// tests that log in need databases made with build/zoltdb; without that tool they are
// skipped and say so.

#include <gtest/gtest.h>

#include <regex>

#include "e2e/cgi_process.h"
#include "support/installation.h"

namespace fs = std::filesystem;

namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;
using Parameters = std::vector<std::pair<std::string, std::string>>;

// A query string of the parameters, every byte but letters, digits and -_.~ escaped.
std::string queryOf(const Parameters& parameters) {
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

std::string zoltdbPath() { return std::string(ZGW_BINARY_DIR) + "/zoltdb"; }

// A DUMMY request without ${HTML} and without an application directory: the page
// template is looked for as ".zgw" in the cache directory, which holds none.
const std::string kNoTemplates = "(S) File not found or open failed result:  file: .*";

class RequestPath : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data_);
        writeRcs("ZGW_CONF=" + config_.string() + "\nZDBS_DATA=" + data_.string() + "\n");
    }

    void writeRcs(const std::string& text) { writeFile(rcs_, text); }
    void writeConfig(const std::string& lines) { site_.writeConfig(lines); }

    // Runs one GET request with the given parameters (and further variables).
    CgiResult get(const Parameters& parameters, Environment extra = {}) {
        Environment environment{{"REQUEST_METHOD", "GET"},
                                {"QUERY_STRING", queryOf(parameters)},
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

    // Runs build/zoltdb on this test's data directory; true when it succeeded.
    bool zoltdb(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--data", data_.string()});
        CgiRun run{zoltdbPath(), std::move(arguments), {{"ZOLTRCS", rcs_.string()}}, input, root_.string()};
        CgiResult result = runCgi(run);
        EXPECT_EQ(result.status, 0) << "zoltdb: " << result.out << result.err;
        return result.status == 0;
    }

    // A data directory with the system database, the databases docs and news with a
    // record each, and the user anna (password "right") who may open news only.
    bool makeDatabases() {
        writeFile(root_ / "schema.json",
                  R"({"name": "DOCS", "fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"}]})");
        writeFile(root_ / "records.jsonl", R"({"id": 1, "TI": "Cats", "TX": "Cats sleep a lot."})" "\n");
        const std::string schema = (root_ / "schema.json").string();
        const std::string records = (root_ / "records.jsonl").string();
        return zoltdb({"init"}) && zoltdb({"create", "docs", "--schema", schema}) &&
               zoltdb({"create", "news", "--schema", schema}) && zoltdb({"load", "docs", records}) &&
               zoltdb({"load", "news", records}) &&
               zoltdb({"user", "add", "anna", "--password", "right", "--databases", "news"});
    }

    // The login form next to the configuration file.
    void writeLoginForm() {
        writeFile(root_ / "login.zgw", "<form>${ERRMSG}|${APPL}|${BASE}|${ZGWPARAM}</form>\n");
    }

    Installation site_;
    const fs::path& root_ = site_.root.path();
    const fs::path& config_ = site_.config;
    const fs::path data_ = root_ / "data";
    const fs::path rcs_ = root_ / "zolt.rcs";
};

// Skips a test that needs the real engine when build/zoltdb is not there.
#define REQUIRE_ENGINE()                                                                       \
    do {                                                                                       \
        if (!fs::exists(zoltdbPath()))                                                         \
            GTEST_SKIP() << "needs the engine's administration tool " << zoltdbPath()          \
                         << " (the engine's login, BASE and FIND are not in this build yet)";  \
        ASSERT_TRUE(makeDatabases());                                                          \
    } while (0)

// Requests that end before the engine is needed: failures of the configuration and the
// parameters, refused clients, expired saved results and URL stacks. The message level
// comes from the configuration file, so without the file the page never shows the
// source place.
TEST_F(RequestPath, RequestsEndingWithoutALogin) {
    const std::string rcs = "ZGW_CONF=" + config_.string() + "\n";
    const std::string missing = (root_ / "no such dir" / "zgw.conf").string();
    const std::string redirect = "Location: http://www.example.org/start.html\n\n" + errorPage("OK");
    const std::string expired = " document has expired ";
    writeFile(root_ / "secret.ids", "stolen\n0,1,1,1\n");
    struct Case {
        const char* name; std::string rcs, config; Parameters request; const char* remote; std::string page;
    };
    const Case cases[] = {
        {"no parameters", rcs, "", {}, "", errorPage("(S) No arguments found")},
        {"no parameters, level 1", rcs, "MSG-LEVEL 1\n", {}, "",
         errorPage("(S) No arguments found", "src/zgwhtml(3433)")},
        {"no application and no base, level 1", rcs, "MSG-LEVEL 1\n", {{"TI", "cats"}, {"${HTML}", "list"}}, "",
         errorPage("(S) Database information missing or ${base} variable", "src/zgwhtml(3917)")},
        {"missing configuration file", "ZGW_CONF=" + missing + "\n", "", {{"${BASE}", "docs"}}, "",
         errorPage("(S) File not found or open failed [" + missing + "]")},
        {"no ZGW_CONF", "ZOLT_OTHER=1\n", "", {{"${BASE}", "docs"}}, "",
         errorPage("(S) ZGW_CONF not found in the ZOLT configuration file")},
        {"configuration path with markup", "ZGW_CONF=" + (root_ / "<b>x</b>.conf").string() + "\n", "",
         {{"${BASE}", "docs"}}, "",
         errorPage("(S) File not found or open failed [" + root_.string() + "/&lt;b&gt;x&lt;/b&gt;.conf]")},
        {"bad configuration line", rcs, "# comment\nMSG-LEVEL 0\nBOGUS word\n", {{"${BASE}", "docs"}}, "",
         errorPage("Unknown keyword \"BOGUS\" at line 4 in file " + config_.string())},
        {"refused client", rcs, "BASE docs ADDRESS 10.*.*.*\n", {{"${APPL}", "docs"}, {"TI", "cats"}}, "",
         errorPage("No access to docs")},
        {"refused client, NOTE", rcs, "BASE docs ADDRESS 10.*.*.*\nBASE docs NOTE http://www.example.org/sorry.html\n",
         {{"${APPL}", "docs"}, {"TI", "cats"}}, "",
         "Location: http://www.example.org/sorry.html\n\n" + errorPage("OK")},
        {"refused client of another network", rcs, "BASE docs ADDRESS 192.168.*.*\n",
         {{"${APPL}", "docs"}, {"${FORD}", "DUMMY"}}, "10.0.0.1", errorPage("No access to docs")},
        {"expired saved result", rcs, "", {{"${APPL}", "docs"}, {"${ZGWIDS}", "0.17/1700000000_4242"}}, "",
         errorPage(expired + " (errno=2)")},
        {"expired saved result, redirect", rcs, "BASE docs HTMLDEFAULT http://www.example.org/start.html\n",
         {{"${APPL}", "docs"}, {"${ZGWIDS}", "0.17/1700000000_4242"}}, "", redirect},
        // A name that is not the program's own is answered the same way, whatever it names.
        {"saved result beside the cache", rcs, "BASE docs HTMLDEFAULT http://www.example.org/start.html\n",
         {{"${APPL}", "docs"}, {"${ZGWIDS}", "0.../secret"}}, "", redirect},
        {"saved result by absolute path", rcs, "",
         {{"${APPL}", "docs"}, {"${ZGWIDS}", "0." + (root_ / "secret").string()}}, "",
         errorPage(expired + " (errno=2)")},
        {"expired URL stack", rcs, "", {{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "17/F2.1700000000_4242"}}, "",
         errorPage(expired)},
        {"URL stack out of the cache", rcs, "", {{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "../../etc/passwd"}}, "",
         errorPage(expired)},
        {"expired URL stack, redirect", rcs, "BASE docs HTMLDEFAULT http://www.example.org/start.html\n",
         {{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "17/1700000000_4242"}}, "", redirect},
    };
    for (const auto& c : cases) {
        writeRcs(c.rcs);
        writeConfig(c.config);
        Environment extra;
        if (*c.remote) extra.emplace_back("REMOTE_ADDR", c.remote);
        EXPECT_EQ(get(c.request, extra).out, c.page) << c.name;
    }
}

TEST_F(RequestPath, WrongPasswordGivesTheLoginFormWithTheRequest) {
    REQUIRE_ENGINE();
    writeLoginForm();
    writeConfig("MSG-LEVEL 2\nMSG-LOGIN \"Please log in again\"\n");
    Parameters request{{"uname", "anna"}, {"passwd", "wrong"}, {"${BASE}", "news"},
                       {"TI", "cats \"&\" dogs"}, {"${USER}", "x"}};
    CgiResult result = get(request);
    const std::string cookies = "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=";
    ASSERT_EQ(result.out.substr(0, cookies.size()), cookies) << result.out;
    const std::string form =
        "Content-Type: text/html\n\n<form>Please log in again|news|news|"
        "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"news\">"
        "<INPUT type=\"hidden\" name=\"TI\" value=\"cats &quot;&amp;&quot; dogs\"></form>\n";
    ASSERT_GE(result.out.size(), form.size());
    EXPECT_EQ(result.out.substr(result.out.size() - form.size()), form) << result.out;

    // At message level 0 the form carries the engine's own text for the refusal.
    writeConfig("");
    result = get(request);
    EXPECT_NE(result.out.find("<form>Wrong user name or password|news|news|"), std::string::npos) << result.out;

    // The right password: the user's database opens and the request goes on.
    result = get({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "news"}, {"${FORD}", "DUMMY"}});
    EXPECT_NE(result.out.find(errorPage(kNoTemplates)), std::string::npos) << result.out;
}

TEST_F(RequestPath, DatabaseTheUserMayNotOpenGivesTheLoginForm) {
    REQUIRE_ENGINE();
    writeLoginForm();
    writeConfig("MSG-LEVEL 2\nMSG-OTHER \"You may not open this database\"\n");
    CgiResult result = get({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "docs"}});
    const std::string form =
        "Content-Type: text/html\n\n<form>You may not open this database|docs|docs|"
        "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"docs\"></form>\n";
    ASSERT_GE(result.out.size(), form.size());
    EXPECT_EQ(result.out.substr(result.out.size() - form.size()), form) << result.out;

    writeConfig("");
    result = get({{"uname", "anna"}, {"passwd", "right"}, {"${BASE}", "docs"}});
    std::smatch cookie;
    ASSERT_TRUE(std::regex_search(result.out, cookie, std::regex("zgwpasswd=([0-9A-F]+);"))) << result.out;
    const std::string cookies = "zgwuser=anna; zgwpasswd=" + cookie[1].str();  // before result changes
    EXPECT_NE(result.out.find("<form>No access to database docs|docs|docs|"), std::string::npos) << result.out;

    // A later request with the login cookies: the same form, without a complaint (the
    // user typed nothing this time).
    result = get({{"${BASE}", "docs"}}, {{"HTTP_COOKIE", cookies}});
    EXPECT_EQ(result.out, "Content-Type: text/html\n\n<form>|docs|docs|"
                          "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"docs\"></form>\n");
    // With those cookies the user's own database opens.
    result = get({{"${BASE}", "news"}, {"${FORD}", "DUMMY"}},
                 {{"HTTP_COOKIE", cookies}});
    EXPECT_EQ(result.out, errorPage(kNoTemplates));
}

TEST_F(RequestPath, PseudoNamesAndClustersOpenedByName) {
    REQUIRE_ENGINE();
    writeConfig("MSG-LEVEL 1\nBASE docs PSEUDO handbook\n");
    struct Case { const char* name; Parameters request; const char* opened; };
    const Case cases[] = {
        {"pseudo name", {{"${BASE}", "handbook"}, {"${FORD}", "DUMMY"}}, "docs"},
        {"pseudo name in a cluster", {{"${BASE}", "handbook"}, {"${BASE}", "news"}, {"${FORD}", "DUMMY"}},
         "docs,news"},
        {"cluster written as one value", {{"${BASE}", "news,,HANDBOOK"}, {"${FORD}", "DUMMY"}}, "news,docs"},
        {"database by its own name", {{"${BASE}", "news"}, {"${FORD}", "DUMMY"}}, "news"},
    };
    const fs::path log = root_ / "zgw.log";
    for (const auto& c : cases) {
        fs::remove(log);
        CgiResult result = get(c.request, {{"ZGW_LOG", log.string()}});
        EXPECT_EQ(result.out, errorPage(kNoTemplates, "src/zgwhtml(204)")) << c.name;
        EXPECT_NE(readFile(log).find(" openDatabase: " + std::string(c.opened) + ", result 0,"), std::string::npos)
            << c.name << ": " << readFile(log);
    }
    // A name that is no database: the engine's message, escaped, with the source line.
    CgiResult result = get({{"${BASE}", "<script>alert(1)</script>"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out,
              errorPage("Unknown database &#39;&lt;script&gt;alert(1)&lt;/script&gt;&#39;", "src/zgwhtml(4112)"));
}

}  // namespace

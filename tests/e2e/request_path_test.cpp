// End-to-end tests of the request path: build/zoltgate run as a CGI process against a
// configuration file, a cache directory and the engine's run-time configuration file
// (ZOLTRCS naming ZGW_CONF and ZDBS_DATA), each test in a directory of its own. The
// tests that log in need databases made with build/zoltdb; without that tool they are
// skipped and say so.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "e2e/cgi_process.h"

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

// The error page for errorText at message level 0.
std::string errorPage(const std::string& text) {
    return "Status: 404 Not found\nContent-Type: text/html\n\n"
           "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1><h2>" +
           text + "</h2></body></html>";
}

// The error page with the source place, as message level 1 shows it.
std::string errorPageWithPlace(const std::string& text, const std::string& place) {
    std::string page = errorPage(text);
    page.insert(page.size() - std::string("</body></html>").size(), "<h3>" + place + "</h3>");
    return page;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string zoltdbPath() { return std::string(ZGW_BINARY_DIR) + "/zoltdb"; }

const std::string kNoTemplates = "(S) Page templates are not available in this build";
const std::string kNoSearch = "(S) The search is not available in this build";

class RequestPath : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zgw_e2e_req_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        cache_ = root_ / "cache";
        data_ = root_ / "data";
        config_ = root_ / "zgw.conf";
        rcs_ = root_ / "zolt.rcs";
        fs::create_directories(cache_);
        fs::create_directories(data_);
        writeRcs("ZGW_CONF=" + config_.string() + "\nZDBS_DATA=" + data_.string() + "\n");
        writeConfig("");
    }
    void TearDown() override { fs::remove_all(root_); }

    void writeRcs(const std::string& text) { std::ofstream(rcs_) << text; }

    // The configuration: a CACHE line for this test's cache, then `lines`.
    void writeConfig(const std::string& lines) {
        std::ofstream(config_) << "CACHE " << cache_.string() << "\n" << lines;
    }

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
        std::ofstream(root_ / "schema.json")
            << R"({"name": "DOCS", "fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"}]})";
        std::ofstream(root_ / "records.jsonl") << R"({"id": 1, "TI": "Cats", "TX": "Cats sleep a lot."})" << "\n";
        const std::string schema = (root_ / "schema.json").string();
        const std::string records = (root_ / "records.jsonl").string();
        return zoltdb({"init"}) && zoltdb({"create", "docs", "--schema", schema}) &&
               zoltdb({"create", "news", "--schema", schema}) && zoltdb({"load", "docs", records}) &&
               zoltdb({"load", "news", records}) &&
               zoltdb({"user", "add", "anna", "--password", "right", "--databases", "news"});
    }

    // The login form next to the configuration file.
    void writeLoginForm() {
        std::ofstream(root_ / "login.zgw") << "<form>${ERRMSG}|${APPL}|${BASE}|${ZGWPARAM}</form>\n";
    }

    fs::path root_, cache_, data_, config_, rcs_;
};

// Skips a test that needs the real engine when build/zoltdb is not there.
#define REQUIRE_ENGINE()                                                                       \
    do {                                                                                       \
        if (!fs::exists(zoltdbPath()))                                                         \
            GTEST_SKIP() << "needs the engine's administration tool " << zoltdbPath()          \
                         << " (the engine's login, BASE and FIND are not in this build yet)";  \
        ASSERT_TRUE(makeDatabases());                                                          \
    } while (0)

TEST_F(RequestPath, NoParameters) {
    CgiResult result = get({});
    EXPECT_EQ(result.out, errorPage("(S) No arguments found"));
}

TEST_F(RequestPath, NoApplicationAndNoBase) {
    CgiResult result = get({{"TI", "cats"}, {"${HTML}", "list"}});
    EXPECT_EQ(result.out, errorPage("(S) Database information missing or ${base} variable"));
}

TEST_F(RequestPath, MissingConfigurationFile) {
    // The message level comes from the configuration file, so without the file it is
    // always 0: the page never shows the source place.
    const std::string missing = (root_ / "no such dir" / "zgw.conf").string();
    writeRcs("ZGW_CONF=" + missing + "\n");
    CgiResult result = get({{"${BASE}", "docs"}});
    EXPECT_EQ(result.out, errorPage("(S) File not found or open failed [" + missing + "]"));

    writeRcs("ZDBS_DATA=" + data_.string() + "\n");
    result = get({{"${BASE}", "docs"}});
    EXPECT_EQ(result.out, errorPage("(S) ZGW_CONF not found in the ZOLT configuration file"));

    // A path with markup cannot become markup of the page.
    const std::string marked = (root_ / "<b>x</b>.conf").string();
    writeRcs("ZGW_CONF=" + marked + "\n");
    result = get({{"${BASE}", "docs"}});
    EXPECT_EQ(result.out, errorPage("(S) File not found or open failed [" + root_.string() +
                                    "/&lt;b&gt;x&lt;/b&gt;.conf]"));
}

TEST_F(RequestPath, BadConfigurationLineWithItsLineNumber) {
    writeConfig("# comment\nMSG-LEVEL 0\nBOGUS word\n");
    CgiResult result = get({{"${BASE}", "docs"}});
    EXPECT_EQ(result.out, errorPage("Unknown keyword \"BOGUS\" at line 4 in file " + config_.string()));

    writeConfig("MSG-LEVEL 1\nBASE docs FOO x\n");
    result = get({{"${BASE}", "docs"}});
    std::regex page("Status: 404 Not found\nContent-Type: text/html\n\n"
                    "<html><head><title>ZOLTgate</title></head><body><h1>ZOLTgate</h1>"
                    "<h2>wrong base type FOO at line 3 in file " + config_.string() + "</h2>"
                    "<h3>src/config/base_table\\([0-9]+\\)</h3></body></html>");
    EXPECT_TRUE(std::regex_match(result.out, page)) << result.out;
}

TEST_F(RequestPath, RefusedClient) {
    writeConfig("BASE docs ADDRESS 10.*.*.*\n");
    CgiResult result = get({{"${APPL}", "docs"}, {"TI", "cats"}});
    EXPECT_EQ(result.out, errorPage("No access to docs"));

    writeConfig("BASE docs ADDRESS 10.*.*.*\nBASE docs NOTE http://www.example.org/sorry.html\n");
    result = get({{"${APPL}", "docs"}, {"TI", "cats"}});
    EXPECT_EQ(result.out, "Location: http://www.example.org/sorry.html\n\n" + errorPage("OK"));

    // Another application is open to every client; this one is for clients of 192.168.*.
    writeConfig("BASE docs ADDRESS 192.168.*.*\n");
    result = get({{"${APPL}", "docs"}, {"${FORD}", "DUMMY"}}, {{"REMOTE_ADDR", "10.0.0.1"}});
    EXPECT_EQ(result.out, errorPage("No access to docs"));
}

TEST_F(RequestPath, ExpiredSavedResult) {
    Parameters request{{"${APPL}", "docs"}, {"${ZGWIDS}", "0.17/1700000000_4242"}};
    CgiResult result = get(request);
    EXPECT_EQ(result.out, errorPage(" document has expired  (errno=2)"));

    writeConfig("BASE docs HTMLDEFAULT http://www.example.org/start.html\n");
    result = get(request);
    EXPECT_EQ(result.out, "Location: http://www.example.org/start.html\n\n" + errorPage("OK"));

    // A name that is not the program's own is answered the same way, whatever it names.
    std::ofstream(root_ / "secret.ids") << "stolen\n0,1,1,1\n";
    result = get({{"${APPL}", "docs"}, {"${ZGWIDS}", "0.../secret"}});
    EXPECT_EQ(result.out, "Location: http://www.example.org/start.html\n\n" + errorPage("OK"));
    writeConfig("");
    result = get({{"${APPL}", "docs"}, {"${ZGWIDS}", "0." + (root_ / "secret").string()}});
    EXPECT_EQ(result.out, errorPage(" document has expired  (errno=2)"));
}

TEST_F(RequestPath, ExpiredUrlStack) {
    CgiResult result = get({{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "17/F2.1700000000_4242"}});
    EXPECT_EQ(result.out, errorPage(" document has expired "));
    result = get({{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "../../etc/passwd"}});
    EXPECT_EQ(result.out, errorPage(" document has expired "));
    writeConfig("BASE docs HTMLDEFAULT /start.html\n");
    result = get({{"${APPL}", "docs"}, {"${ZGWURLSAVE}", "17/1700000000_4242"}});
    EXPECT_EQ(result.out, "Location: /start.html\n\n" + errorPage("OK"));
}

TEST_F(RequestPath, DebugEchoShowsTheEnvironmentAndTheRequest) {
    writeConfig("BASE docs ADDRESS 10.*.*.*\n");
    CgiResult result = get({{"${DEBUG}", "1"}, {"${APPL}", "docs"}, {"TI", "<b>"}});
    const std::string header = "Content-Type: text/plain\n\n";
    ASSERT_EQ(result.out.substr(0, header.size()), header) << result.out;
    EXPECT_NE(result.out.find("\nREQUEST_METHOD=GET\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nREMOTE_ADDR=192.168.7.7\n"), std::string::npos) << result.out;
    // env's lines come first, then the echo of the later parameters, then the rest.
    EXPECT_NE(result.out.find("\n${APPL}:docs\nTI:<b>\n" + errorPage("No access to docs")), std::string::npos)
        << result.out;

    writeConfig("NODEBUG\nBASE docs ADDRESS 10.*.*.*\n");
    result = get({{"${DEBUG}", "1"}, {"${APPL}", "docs"}});
    EXPECT_EQ(result.out, errorPage("No access to docs"));
}

TEST_F(RequestPath, PublicUserOpensTheDatabase) {
    REQUIRE_ENGINE();
    writeConfig("MSG-LEVEL 1\n");
    CgiResult result = get({{"${BASE}", "docs"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out, errorPage(kNoTemplates));
    result = get({{"${BASE}", "docs"}, {"TI", "cats"}});
    EXPECT_EQ(result.out, errorPage(kNoSearch));
    result = get({{"${BASE}", "docs"}, {"${ZOLTPIFE}", "LOGO"}, {"${HTML}", "list"}});
    EXPECT_EQ(result.out, errorPage("(S) Binary field output is not available in this build"));
    result = get({{"${BASE}", "docs"}, {"${ZOLTVFLD}", "DOC.TX"}});
    EXPECT_EQ(result.out, errorPage("(S) Reading records is not available in this build"));
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
        EXPECT_EQ(result.out, errorPage(kNoTemplates)) << c.name;
        EXPECT_NE(readFile(log).find(" openDatabase: " + std::string(c.opened) + ", result 0,"), std::string::npos)
            << c.name << ": " << readFile(log);
    }
    // A name that is no database: the engine's message, escaped, with the source line.
    CgiResult result = get({{"${BASE}", "<script>alert(1)</script>"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out, errorPageWithPlace("Unknown database &#39;&lt;script&gt;alert(1)&lt;/script&gt;&#39;",
                                             "src/zgwhtml(4112)"));
}

TEST_F(RequestPath, FailingCclCommandShowsTheEnginesMessage) {
    REQUIRE_ENGINE();
    writeConfig("MSG-LEVEL 1\n");
    CgiResult result = get({{"${BASE}", "docs"}, {"${CCL}", "FIND <b>(((</b>"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out, errorPageWithPlace("Syntax error at &#39;&lt;&#39;", "src/zgwhtml(3281)"));
    result = get({{"${BASE}", "docs"}, {"${CCL}", "FIND cats"}, {"${FORD}", "DUMMY"}});
    EXPECT_EQ(result.out, errorPage(kNoTemplates)) << "a command that finds nothing is no failure";
}

}  // namespace

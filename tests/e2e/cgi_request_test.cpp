// End-to-end tests of build/zoltgate as a web server runs it: the switches, requests by
// GET, POST, multipart and the console, the cookies, and the CGI failures with their
// exact messages. The debug log (ZGW_LOG) witnesses the entries the controller gets.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "e2e/cgi_process.h"

namespace fs = std::filesystem;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
using Environment = std::vector<std::pair<std::string, std::string>>;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The entries of one kind ("zgwmain: request", "zgwmain: cookie") that a debug log shows.
Pairs entriesInLog(const std::string& log, const std::string& kind) {
    Pairs pairs;
    std::regex line("^\\d\\d:\\d\\d:\\d\\d " + kind + " \"(.*)\" = (\"(.*)\"|\\(.*\\))$");
    std::istringstream in(log);
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line))
            pairs.emplace_back(match[1], match[3].matched ? match[3].str() : match[2].str());
    }
    return pairs;
}

class Zoltgate : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zgw_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        log_ = scratch_ / "zgw.log";
    }
    void TearDown() override { fs::remove_all(scratch_); }

    // Runs zoltgate with the debug log on, in the scratch directory.
    CgiResult run(Environment environment, std::string input = "",
                  std::vector<std::string> arguments = {}) {
        environment.emplace_back("ZGW_LOG", log_.string());
        environment.emplace_back("ZOLTRCS", (scratch_ / "none.rcs").string());
        CgiRun request{zoltgatePath(), std::move(arguments), std::move(environment),
                       std::move(input), scratch_.string()};
        CgiResult result = runCgi(request);
        EXPECT_FALSE(result.timedOut);
        return result;
    }

    Pairs request() { return entriesInLog(readFile(log_), "zgwmain: request"); }
    Pairs cookies() { return entriesInLog(readFile(log_), "zgwmain: cookie"); }

    fs::path scratch_;
    fs::path log_;
};

const std::string kBoundary = "----e2eBoundaryQ1w2E3";

std::string multipartField(const std::string& name, const std::string& value) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"\r\n\r\n" + value + "\r\n";
}

std::string multipartFile(const std::string& name, const std::string& fileName,
                          const std::string& bytes) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"; filename=\"" + fileName + "\"\r\nContent-Type: text/plain\r\n\r\n" + bytes + "\r\n";
}

Environment multipartEnvironment(const std::string& body, const std::string& agent) {
    return {{"REQUEST_METHOD", "POST"},
            {"CONTENT_TYPE", "multipart/form-data; boundary=" + kBoundary},
            {"CONTENT_LENGTH", std::to_string(body.size())},
            {"HTTP_USER_AGENT", agent}};
}

}  // namespace

TEST_F(Zoltgate, VersionSwitch) {
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"-V"}, {"-v"}, {"-V", "-S", "a=1"}}) {
        CgiRun version{zoltgatePath(), arguments, {}, "", ""};
        CgiResult result = runCgi(version);
        EXPECT_EQ(result.out, "ZOLTgate version 3.5-13\n") << arguments.size();
        EXPECT_EQ(result.err, "") << arguments.size();
        EXPECT_EQ(result.status, 0) << arguments.size();
    }
}

TEST_F(Zoltgate, CommandLineRequest) {
    CgiResult result = run({}, "", {"-S", "%24%7BBASE%7D=demo&q=x%3Dy+z"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(request(), (Pairs{{"${BASE}", "demo"}, {"q", "x=y z"}}));
}

TEST_F(Zoltgate, GetRequestWithCookies) {
    CgiResult result = run({{"REQUEST_METHOD", "GET"},
                            {"QUERY_STRING", "a=1&a=2&c=x=y&e=%41%62+c"},
                            {"HTTP_COOKIE", "lang=de; enc=%41"}});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(request(), (Pairs{{"a", "1"}, {"a", "2"}, {"c", "x=y"}, {"e", "Ab c"}}));
    EXPECT_EQ(cookies(), (Pairs{{"lang", "de"}, {"enc", "%41"}}));
    std::string log = readFile(log_);
    EXPECT_TRUE(log.find(" Starting ZOLTgate v3.5-13 session\n") < log.find(" Leaving zgwmain...\n"))
        << log;
}

TEST_F(Zoltgate, SubmittedLoginBecomesCookiesBeforeAnythingElse) {
    CgiResult result = run({{"REQUEST_METHOD", "GET"},
                            {"QUERY_STRING", "uname=anna&passwd=secret&q=1"},
                            {"HTTP_COOKIE", "lang=de; zgwuser=old"}});
    EXPECT_EQ(result.status, 1);
    const std::string cookieLines =
        "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=4D020A133E04066870; path=/\r\n";
    EXPECT_EQ(result.out.substr(0, cookieLines.size()), cookieLines);
    EXPECT_EQ(request(), (Pairs{{"q", "1"}}));
    EXPECT_EQ(cookies(), (Pairs{{"lang", "de"},
                                {"zgwpasswd", "(18 bytes, not shown)"},
                                {"zgwuser", "anna"}}));
}

TEST_F(Zoltgate, PostRequest) {
    // 300 kB in 300 values of 1,000 bytes (short enough for one debug line each).
    std::string body = "a=1";
    for (int i = 0; i < 300; ++i) body += "&t" + std::to_string(i) + "=" + std::string(1000, 'x');
    body += "&z=%7E";
    CgiResult result = run({{"REQUEST_METHOD", "POST"},
                            {"CONTENT_LENGTH", std::to_string(body.size())},
                            {"CONTENT_TYPE", "application/x-www-form-urlencoded"}},
                           body + "trailing bytes beyond the length");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    Pairs entries = request();
    ASSERT_EQ(entries.size(), 302u);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"a", "1"}));
    EXPECT_EQ(entries[150], (std::pair<std::string, std::string>{"t149", std::string(1000, 'x')}));
    EXPECT_EQ(entries[301], (std::pair<std::string, std::string>{"z", "~"}));
}

TEST_F(Zoltgate, ConsoleRequestWithoutCgiEnvironment) {
    CgiResult result = run({}, "a=1&b=%41\nnext line\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "\n--- zgwcgi Interactive Mode ---\n"
              "Enter CGI input string.  Remember to encode appropriate characters.\n"
              "Press ENTER when done:\n\n"
              "\n Input string: a=1&b=%41\nString length: 9\n"
              "--- end zgwcgi Interactive Mode ---\n\n");
    EXPECT_EQ(request(), (Pairs{{"a", "1"}, {"b", "A"}}));
}

TEST_F(Zoltgate, LargeOutputOnBothPipesDoesNotBlock) {
    // The console echo puts the whole 2 MB line on standard error while the input is
    // still being written and the response goes to standard output.
    std::string line = "big=" + std::string(2 * 1024 * 1024, 'y');
    CgiResult result = run({}, line + "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(" Input string: " + line + "\nString length: " +
                              std::to_string(line.size()) + "\n"),
              std::string::npos);
    EXPECT_FALSE(result.out.empty());
}

TEST_F(Zoltgate, MultipartRequestWithUpload) {
    const std::string unique = "e2e_" + std::to_string(getpid()) + "_" +
                               scratch_.filename().string() + ".txt";
    const std::string content("upload\r\nwith a NUL \0 byte\r\n", 28);
    std::string body = multipartField("q", "hello") +
                       multipartFile("doc", "C:\\Users\\anna\\" + unique, content) +
                       multipartField("n", "2") + "--" + kBoundary + "--\r\n";
    CgiResult result =
        run(multipartEnvironment(body, "Mozilla/5.0 (Windows NT 10.0; Win64; x64)"), body);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(request(), (Pairs{{"q", "hello"}, {"doc", unique}, {"n", "2"}}));
    fs::path stored = fs::path("/tmp/zgw_uploads") / unique;
    EXPECT_EQ(readFile(stored), content);
    struct stat info {};
    ASSERT_EQ(stat("/tmp/zgw_uploads", &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    fs::remove(stored);
}

TEST_F(Zoltgate, MalformedRequestsEndInOrder) {
    struct Case { const char* name; Environment environment; std::string input; Pairs entries; };
    const std::string noClose = "--" + kBoundary +
                                "\r\nContent-Disposition: form-data; name=\"open\r\n\r\nv\r\n--" +
                                kBoundary + "--\r\n";
    const Case cases[] = {
        {"NUL byte", {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "a=x%00y&b=1"}}, "",
         {{"a", "x"}, {"b", "1"}}},
        {"multipart without boundary",
         {{"REQUEST_METHOD", "POST"}, {"CONTENT_TYPE", "multipart/form-data"},
          {"CONTENT_LENGTH", "10"}},
         multipartField("q", "1"), {}},
        {"multipart name without closing quote",
         multipartEnvironment(noClose, "curl"), noClose, {{"open", "v"}}},
        {"multipart body without closing boundary",
         multipartEnvironment("x", "curl"), multipartField("a", "1") + multipartField("b", "cut"),
         {{"a", "1"}}},
    };
    for (const auto& c : cases) {
        fs::remove(log_);
        CgiResult result = run(c.environment, c.input);
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        EXPECT_EQ(request(), c.entries) << c.name;
    }
}

TEST_F(Zoltgate, CgiFailuresEndWithStatusOneAndTheExactMessage) {
    struct Case { const char* name; Environment environment; std::string input; const char* message; };
    const Case cases[] = {
        {"unknown method", {{"REQUEST_METHOD", "PUT"}}, "", "caught by zgwcgi: REQUEST_METHOD invalid\n"},
        {"POST without length", {{"REQUEST_METHOD", "POST"}}, "a=1",
         "caught by zgwcgi: CONTENT_LENGTH is null\n"},
        {"POST body one byte short", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "10"}},
         "a=1234567", "caught by zgwcgi: input length < CONTENT_LENGTH\n"},
        {"POST length far beyond the body",
         {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "999999999999999999999"}}, "a=1",
         "caught by zgwcgi: input length < CONTENT_LENGTH\n"},
        {"GET without query string", {{"REQUEST_METHOD", "GET"}}, "",
         "caught by zgwcgi: QUERY_STRING is null\n"},
    };
    for (const auto& c : cases) {
        CgiResult result = run(c.environment, c.input);
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.err, c.message) << c.name;
        EXPECT_EQ(result.out, "") << c.name;
    }
}

TEST_F(Zoltgate, UploadThatCannotBeStoredEndsTheRequest) {
    // Make sure the upload directory exists and is ours, then let a directory stand
    // where the upload's file would go.
    const std::string unique = "e2e_blocked_" + std::to_string(getpid()) + "_" +
                               scratch_.filename().string();
    std::string first = multipartFile("f", unique + ".ok", "x") + "--" + kBoundary + "--\r\n";
    CgiResult ok = run(multipartEnvironment(first, "curl"), first);
    ASSERT_EQ(ok.err, "") << "the upload directory is not usable here";
    fs::remove(fs::path("/tmp/zgw_uploads") / (unique + ".ok"));
    fs::create_directory(fs::path("/tmp/zgw_uploads") / unique);

    std::string body = multipartFile("f", unique, "x") + "--" + kBoundary + "--\r\n";
    CgiResult result = run(multipartEnvironment(body, "curl"), body);
    fs::remove(fs::path("/tmp/zgw_uploads") / unique);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "zgwcgi Error: cannot upload file\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(Zoltgate, StarUserLogsIntoTheStarLog) {
    const fs::path starLog = "/tmp/zgw_star.log";
    struct stat info {};
    if (lstat(starLog.c_str(), &info) == 0 && (info.st_uid != geteuid() || !S_ISREG(info.st_mode)))
        GTEST_SKIP() << "/tmp/zgw_star.log belongs to someone else";
    const std::string marker = "*e2e" + std::to_string(getpid()) + scratch_.filename().string();
    CgiRun request{zoltgatePath(), {}, {{"REQUEST_METHOD", "GET"},
                                        {"QUERY_STRING", "q=1"},
                                        {"HTTP_COOKIE", "zgwuser=" + marker},
                                        {"ZOLTRCS", (scratch_ / "none.rcs").string()}},
                   "", scratch_.string()};
    CgiResult result = runCgi(request);
    EXPECT_EQ(result.status, 1);
    std::string log = readFile(starLog);
    EXPECT_NE(log.find(" Starting *ZOLTgate v3.5-13 session\n"), std::string::npos);
    EXPECT_NE(log.find(" zgwmain: cookie \"zgwuser\" = \"" + marker + "\"\n"), std::string::npos);
}

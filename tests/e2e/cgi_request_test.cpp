// End-to-end tests of build/zoltgate as a web server runs it: the switches, requests by
// the command line, GET, POST, multipart and the console, the cookies, and the CGI
// failures with their exact messages. The debug log (ZGW_LOG) witnesses the entries the
// controller gets.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include "e2e/cgi_process.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
using Environment = std::vector<std::pair<std::string, std::string>>;

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

const std::string kBoundary = "----e2eBoundaryQ1w2E3";
const std::string kEnd = "--" + kBoundary + "--\r\n";
const std::string kUploads = "/tmp/zgw_uploads";

std::string multipartField(const std::string& name, const std::string& value,
                           const std::string& fileName = "") {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"" +
           (fileName.empty() ? "" : "; filename=\"" + fileName + "\"\r\nContent-Type: text/plain") + "\r\n\r\n" +
           value + "\r\n";
}

class Zoltgate : public ::testing::Test {
protected:
    // Runs zoltgate in the scratch directory, with the debug log on unless `logged` is off.
    CgiResult run(Environment environment, std::string input = "", std::vector<std::string> arguments = {},
                  bool logged = true) {
        fs::remove(log_);
        if (logged) environment.emplace_back("ZGW_LOG", log_.string());
        environment.emplace_back("ZOLTRCS", (scratch_ / "none.rcs").string());
        CgiRun request{zoltgatePath(), std::move(arguments), std::move(environment), std::move(input),
                       scratch_.path().string()};
        CgiResult result = runCgi(request);
        EXPECT_FALSE(result.timedOut);
        return result;
    }

    Pairs request() { return entriesInLog(readFile(log_), "zgwmain: request"); }
    Pairs cookies() { return entriesInLog(readFile(log_), "zgwmain: cookie"); }
    // A file name under /tmp/zgw_uploads that no other test run uses.
    std::string uniqueName(const std::string& stem) {
        return "e2e_" + stem + std::to_string(getpid()) + "_" + scratch_.path().filename().string();
    }

    ScratchDir scratch_;
    fs::path log_ = scratch_ / "zgw.log";
};

}  // namespace

TEST_F(Zoltgate, VersionSwitch) {
    for (std::vector<std::string> arguments : {std::vector<std::string>{"-V"}, {"-v"}, {"-V", "-S", "a=1"}}) {
        CgiResult result = run({}, "", arguments, false);
        EXPECT_EQ(result.out, "ZOLTgate version 3.5-13\n") << arguments.size();
        EXPECT_EQ(result.err, "") << arguments.size();
        EXPECT_EQ(result.status, 0) << arguments.size();
    }
}

TEST_F(Zoltgate, RequestsReachTheControllerDecoded) {
    const std::string post = "a=1&t=" + std::string(1000, 'x') + "&z=%7E";
    const std::string console = "\n--- zgwcgi Interactive Mode ---\n"
                                "Enter CGI input string.  Remember to encode appropriate characters.\n"
                                "Press ENTER when done:\n\n"
                                "\n Input string: a=1&b=%41\nString length: 9\n"
                                "--- end zgwcgi Interactive Mode ---\n\n";
    // An upload from a Windows agent: the entry and the stored file lose the path.
    const std::string unique = uniqueName("") + ".txt";
    const std::string content("upload\r\nwith a NUL \0 byte\r\n", 28);
    const std::string upload = multipartField("q", "hello") +
                               multipartField("doc", content, "C:\\Users\\anna\\" + unique) + kEnd;
    struct Case {
        const char* name; std::vector<std::string> arguments; Environment environment; std::string input;
        Pairs request; Pairs cookies; std::string err;
    };
    const Case cases[] = {
        {"command line", {"-S", "%24%7BBASE%7D=demo&q=x%3Dy+z"}, {}, "", {{"${BASE}", "demo"}, {"q", "x=y z"}}, {},
         ""},
        {"GET with cookies",
         {}, {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "a=1&a=2&c=x=y&e=%41%62+c&n=x%00y"},
              {"HTTP_COOKIE", "lang=de; enc=%41"}},
         "", {{"a", "1"}, {"a", "2"}, {"c", "x=y"}, {"e", "Ab c"}, {"n", "x"}}, {{"lang", "de"}, {"enc", "%41"}}, ""},
        {"POST with bytes beyond the length",
         {}, {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", std::to_string(post.size())},
              {"CONTENT_TYPE", "application/x-www-form-urlencoded"}},
         post + "trailing bytes beyond the length", {{"a", "1"}, {"t", std::string(1000, 'x')}, {"z", "~"}}, {}, ""},
        {"console without a CGI environment", {}, {}, "a=1&b=%41\nnext line\n", {{"a", "1"}, {"b", "A"}}, {},
         console},
        {"multipart without CONTENT_LENGTH",
         {}, {{"REQUEST_METHOD", "POST"}, {"CONTENT_TYPE", "multipart/form-data; boundary=" + kBoundary}},
         multipartField("q", "1") + kEnd, {}, {}, ""},
        {"multipart with an upload",
         {}, {{"REQUEST_METHOD", "POST"}, {"CONTENT_TYPE", "multipart/form-data; boundary=" + kBoundary},
              {"CONTENT_LENGTH", std::to_string(upload.size())},
              {"HTTP_USER_AGENT", "Mozilla/5.0 (Windows NT 10.0; Win64; x64)"}},
         upload, {{"q", "hello"}, {"doc", unique}}, {}, ""},
    };
    for (const auto& c : cases) {
        CgiResult result = run(c.environment, c.input, c.arguments);
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.err, c.err) << c.name;
        EXPECT_EQ(request(), c.request) << c.name;
        EXPECT_EQ(cookies(), c.cookies) << c.name;
        const std::string log = readFile(log_);
        EXPECT_TRUE(log.find(" Starting ZOLTgate v3.5-13 session\n") < log.find(" Leaving zgwmain...\n") &&
                    log.ends_with(" Leaving zgwmain...\n"))
            << c.name;
    }
    EXPECT_EQ(readFile(fs::path(kUploads) / unique), content);
    fs::remove(fs::path(kUploads) / unique);
}

TEST_F(Zoltgate, CgiFailuresEndWithStatusOneAndTheExactMessage) {
    struct Case { const char* name; Environment environment; std::string input; const char* message; };
    const Case cases[] = {
        {"unknown method", {{"REQUEST_METHOD", "PUT"}}, "", "caught by zgwcgi: REQUEST_METHOD invalid\n"},
        {"the method is case-sensitive", {{"REQUEST_METHOD", "get"}, {"QUERY_STRING", "a=1"}}, "",
         "caught by zgwcgi: REQUEST_METHOD invalid\n"},
        {"POST without length", {{"REQUEST_METHOD", "POST"}}, "a=1", "caught by zgwcgi: CONTENT_LENGTH is null\n"},
        {"POST body one byte short", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "10"}}, "a=1234567",
         "caught by zgwcgi: input length < CONTENT_LENGTH\n"},
        // The header's number is never allocated up front: the read ends at the input's end.
        {"POST length far beyond the body", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "999999999999999999999"}},
         "a=1", "caught by zgwcgi: input length < CONTENT_LENGTH\n"},
        {"POST length beyond memory", {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "18446744073709551615"}},
         "a=1", "caught by zgwcgi: input length < CONTENT_LENGTH\n"},
        {"GET without query string", {{"REQUEST_METHOD", "GET"}}, "", "caught by zgwcgi: QUERY_STRING is null\n"},
    };
    for (const auto& c : cases) {
        CgiResult result = run(c.environment, c.input);
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_EQ(result.err, c.message) << c.name;
        EXPECT_EQ(result.out, "") << c.name << ": the controller never runs";
    }
}

TEST_F(Zoltgate, StarUserLogsIntoTheStarLog) {
    const fs::path starLog = "/tmp/zgw_star.log";
    struct stat info {};
    if (lstat(starLog.c_str(), &info) == 0 && (info.st_uid != geteuid() || !S_ISREG(info.st_mode)))
        GTEST_SKIP() << "/tmp/zgw_star.log belongs to someone else";
    const std::string marker = "*" + uniqueName("");
    CgiResult result = run({{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", "q=1"}, {"HTTP_COOKIE", "zgwuser=" + marker}},
                           "", {}, false);
    EXPECT_EQ(result.status, 1);
    std::string log = readFile(starLog);
    EXPECT_NE(log.find(" Starting *ZOLTgate v3.5-13 session\n"), std::string::npos);
    EXPECT_NE(log.find(" zgwmain: cookie \"zgwuser\" = \"" + marker + "\"\n"), std::string::npos);
}

// Tests of the process entry with a controller of the test's own: the switches, the
// order of the cookie headers and of the list changes for fresh credentials, the login
// form path, the debug log, failures and the exit status.

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

#include "cgi/response_capture.h"
#include "entry/entry_steps.h"
#include "entry/password_scramble.h"
#include "zdb.h"

namespace fs = std::filesystem;

namespace {

// What the test controller does and what it saw.
struct Script {
    int loginRequired = 0;
    int startRc = 1;
    int engineError = 0;
    std::string applName;
    std::string applDirectory;  // "" : no table entry
    std::string configFile;
    bool throwOnConstruction = false;

    int constructed = 0;
    int commandLineMode = -1;
    Pairs request, cookies;
    std::string debugFileAtConstruction;
    std::vector<std::string> events;
};
Script* script = nullptr;

struct FakeFindResult {
    NamedList<StrBuf> applDirTable;
};

struct FakeSession {
    int engineError = 0;
    int startRc = 1;
    char text[64] = {0};
    const char* errorMessage() {
        script->events.push_back("errorMessage " + std::to_string(engineError));
        std::snprintf(text, sizeof text, "message %d", engineError);
        return text;
    }
};

struct FakeController {
    explicit FakeController(int commandLineMode) {
        if (script->throwOnConstruction) throw std::bad_alloc();
        ++script->constructed;
        script->commandLineMode = commandLineMode;
        script->request = pairsOf(cgiEntries);
        script->cookies = pairsOf(cookieEntries);
        script->debugFileAtConstruction = debugFileName;
        loginRequired = script->loginRequired;
        db.startRc = script->startRc;
        db.engineError = script->engineError;
        applName = script->applName;
        configFile = script->configFile;
        if (!script->applDirectory.empty())
            addPair(findresult.applDirTable, StrBuf(script->applName), StrBuf(script->applDirectory));
        tempFile.reset(std::tmpfile());
        script->events.push_back("constructed");
    }
    ~FakeController() {
        script->events.push_back(std::string("destroyed, engineError ") +
                                 std::to_string(db.engineError) +
                                 (tempFile ? ", temp file open" : ", temp file closed"));
    }

    FakeSession db;
    int loginRequired = 0;
    StrBuf applName;
    StrBuf configFile;
    FakeFindResult findresult;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> tempFile{nullptr, std::fclose};
};

class ProcessEntry : public ::testing::Test {
protected:
    void SetUp() override {
        script = &script_;
        char pattern[] = "/tmp/zgw_entry_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
    }
    void TearDown() override {
        // The entry installs the engine's handler; give the test process its own back.
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &saved_[i], nullptr);
        script = nullptr;
        fs::remove_all(scratch_);
    }

    // Runs the entry with `arguments` on a GET request; returns the exit status.
    int run(std::vector<std::string> arguments, std::optional<std::string> query,
            std::optional<std::string> cookies = std::nullopt) {
        ScopedEnv method("REQUEST_METHOD", "GET");
        ScopedEnv queryString("QUERY_STRING", query);
        ScopedEnv cookie("HTTP_COOKIE", cookies);
        ScopedEnv type("CONTENT_TYPE", std::nullopt);
        return runAsIs(std::move(arguments));
    }

    // Runs the entry in the environment as it is; captures response and standard error.
    int runAsIs(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "zoltgate");
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        CapturedResponse response;
        ::testing::internal::CaptureStderr();
        int status = zgwmainWith<FakeController>(static_cast<int>(arguments.size()), argv.data());
        errors_ = ::testing::internal::GetCapturedStderr();
        response_ = response.text();
        return status;
    }

    std::string readFile(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static constexpr std::array<int, 5> kSignals{SIGSEGV, SIGFPE, SIGABRT, SIGTERM, SIGILL};
    std::array<struct sigaction, 5> saved_{};
    Script script_;
    fs::path scratch_;
    std::string response_;
    std::string errors_;
};

const std::string kFormHeader = "Content-Type: text/html\n\n";

}  // namespace

TEST_F(ProcessEntry, VersionSwitchReadsNoRequest) {
    for (const char* flag : {"-V", "-v"}) {
        EXPECT_EQ(run({flag, "-S", "more"}, std::nullopt), 0) << flag;
        EXPECT_EQ(response_, "ZOLTgate version 3.5-13\n") << flag;
        EXPECT_EQ(errors_, "") << flag;
    }
    EXPECT_EQ(script_.constructed, 0);
    // The engine's handler ends the session on a crash or a termination.
    struct sigaction action {};
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, &quickLogout);
}

TEST_F(ProcessEntry, EveryRequestEndsWithStatusOne) {
    EXPECT_EQ(run({}, "a=1"), 1);
    EXPECT_EQ(script_.constructed, 1);
    EXPECT_EQ(script_.commandLineMode, 0);
    EXPECT_EQ(script_.request, (Pairs{{"a", "1"}}));
    EXPECT_EQ(script_.events, (std::vector<std::string>{"constructed",
                                                        "destroyed, engineError 0, temp file open"}));
    EXPECT_EQ(response_, "");
}

TEST_F(ProcessEntry, CommandLineSwitchWithARequestText) {
    ScopedEnv method("REQUEST_METHOD", std::nullopt);
    ScopedEnv query("QUERY_STRING", std::nullopt);
    ScopedEnv type("CONTENT_TYPE", std::nullopt);
    EXPECT_EQ(runAsIs({"-s", "q=x%3Dy+z&n=1"}), 1);
    EXPECT_EQ(script_.commandLineMode, 1);
    EXPECT_EQ(script_.request, (Pairs{{"q", "x=y z"}, {"n", "1"}}));
    EXPECT_STREQ(std::getenv("QUERY_STRING"), "q=x%3Dy+z&n=1");
}

TEST_F(ProcessEntry, CommandLineSwitchAloneKeepsTheCgiEnvironment) {
    EXPECT_EQ(run({"-S"}, "from=env"), 1);
    EXPECT_EQ(script_.commandLineMode, 1);
    EXPECT_EQ(script_.request, (Pairs{{"from", "env"}}));
}

TEST_F(ProcessEntry, FreshCredentialsBecomeCookiesInThisOrder) {
    const std::string scrambled = scramblePassword("secret");
    struct Case { const char* name; std::optional<std::string> cookies; Pairs seen; };
    const Case cases[] = {
        // Old credentials go, the new pair goes in behind the first cookie, zgwpasswd
        // last inserted and so first.
        {"with other cookies", "lang=de; zgwuser=old; zgwpasswd=OLD; x=1",
         {{"lang", "de"}, {"zgwpasswd", scrambled}, {"zgwuser", "anna"}, {"x", "1"}}},
        {"only old credentials", "zgwuser=old; zgwpasswd=OLD",
         {{"zgwuser", "anna"}, {"zgwpasswd", scrambled}}},
        {"no cookies", std::nullopt, {{"zgwuser", "anna"}, {"zgwpasswd", scrambled}}},
    };
    for (const auto& c : cases) {
        script_ = Script{};
        EXPECT_EQ(run({}, "a=1&uname=anna&passwd=secret&b=2", c.cookies), 1) << c.name;
        EXPECT_EQ(response_, "Set-Cookie: zgwuser=anna; path=/\r\n"
                             "Set-Cookie: zgwpasswd=" + scrambled + "; path=/\r\n")
            << c.name;
        EXPECT_EQ(script_.request, (Pairs{{"a", "1"}, {"b", "2"}})) << c.name;
        EXPECT_EQ(script_.cookies, c.seen) << c.name;
    }
}

TEST_F(ProcessEntry, IncompleteCredentialsStayPlainParameters) {
    struct Case { const char* query; Pairs request; };
    const Case cases[] = {
        {"uname=anna&q=1", {{"uname", "anna"}, {"q", "1"}}},
        {"passwd=secret", {{"passwd", "secret"}}},
        {"uname=&passwd=secret", {{"uname", ""}, {"passwd", "secret"}}},
        {"uname=anna&passwd=", {{"uname", "anna"}, {"passwd", ""}}},
    };
    for (const auto& c : cases) {
        script_ = Script{};
        run({}, c.query, "zgwuser=old");
        EXPECT_EQ(response_, "") << c.query;
        EXPECT_EQ(script_.request, c.request) << c.query;
        EXPECT_EQ(script_.cookies, (Pairs{{"zgwuser", "old"}})) << c.query;
    }
}

TEST_F(ProcessEntry, CredentialNamesInAnyCaseAreTakenAndRemoved) {
    run({}, "UNAME=anna&PassWd=secret&q=1");
    EXPECT_EQ(script_.request, (Pairs{{"q", "1"}}));  // no clear password left as a form field
    EXPECT_EQ(script_.cookies, (Pairs{{"zgwuser", "anna"}, {"zgwpasswd", scramblePassword("secret")}}));
}

TEST_F(ProcessEntry, UserNameThatCannotBeACookieStillReachesTheController) {
    run({}, "uname=anna%0D%0ALocation:+x&passwd=pw");
    EXPECT_EQ(response_, "Set-Cookie: zgwpasswd=" + scramblePassword("pw") + "; path=/\r\n");
    EXPECT_EQ(script_.cookies,
              (Pairs{{"zgwuser", "anna\r\nLocation: x"}, {"zgwpasswd", scramblePassword("pw")}}));
}

TEST_F(ProcessEntry, LoginFormFromTheApplicationDirectory) {
    fs::create_directory(scratch_ / "app");
    std::ofstream(scratch_ / "app" / "login.zgw") << "<p>${ERRMSG}</p>${ZGWPARAM}";
    script_.loginRequired = 1;
    script_.applName = "Lib";
    script_.applDirectory = (scratch_ / "app").string();
    script_.configFile = (scratch_ / "conf" / "zgw.conf").string();
    script_.startRc = 16418;
    script_.engineError = 10306;

    // After a submitted form: the message for the code kept in startRc, engineError put back.
    run({}, "%24%7BAPPL%7D=lib&uname=anna&passwd=pw");
    std::string cookies = "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=" +
                          scramblePassword("pw") + "; path=/\r\n";
    EXPECT_EQ(response_, cookies + kFormHeader + "<p>message 16418</p>"
                         "<INPUT type=\"hidden\" name=\"${APPL}\" value=\"lib\">");
    EXPECT_EQ(script_.events,
              (std::vector<std::string>{"constructed", "errorMessage 16418",
                                        "destroyed, engineError 10306, temp file closed"}));

    // A first visit: no complaint, and the engine is not asked.
    script_.events.clear();
    run({}, "%24%7BAPPL%7D=lib");
    EXPECT_EQ(response_, kFormHeader + "<p></p><INPUT type=\"hidden\" name=\"${APPL}\" value=\"lib\">");
    EXPECT_EQ(script_.events, (std::vector<std::string>{
                                  "constructed", "destroyed, engineError 10306, temp file closed"}));
}

TEST_F(ProcessEntry, LoginFormNextToTheConfigurationFile) {
    fs::create_directory(scratch_ / "conf");
    std::ofstream(scratch_ / "conf" / "login.zgw") << "system form";
    script_.loginRequired = 1;
    script_.configFile = (scratch_ / "conf" / "zgw.conf").string();
    struct Case { const char* name; std::string applName; std::string applDirectory; };
    const Case cases[] = {
        {"no application", "", ""},
        {"application without a table entry", "other", ""},
        {"application directory without the file", "lib", (scratch_ / "empty").string()},
    };
    for (const auto& c : cases) {
        script_.applName = c.applName;
        script_.applDirectory = c.applDirectory;
        run({}, "a=1");
        EXPECT_EQ(response_, kFormHeader + "system form") << c.name;
    }

    // A configuration path with a backslash directory is cut there; a missing file gives
    // the short page with the path it looked for.
    script_.configFile = "C:\\zolt\\zgw.conf";
    run({}, "a=1");
    EXPECT_EQ(response_, kFormHeader + "<HTML><BODY>File not found\nC:\\zolt\\login.zgw</BODY></HTML>");
}

TEST_F(ProcessEntry, ConfigurationPathWithoutDirectoryMeansTheStartDirectory) {
    script_.loginRequired = 1;
    script_.configFile = "zgw.conf";
    run({}, "a=1");
    EXPECT_EQ(response_, kFormHeader + "<HTML><BODY>File not found\n" + currentDirectory() +
                             "login.zgw</BODY></HTML>");
}

TEST_F(ProcessEntry, CgiFailureEndsBeforeTheController) {
    ScopedEnv method("REQUEST_METHOD", "DELETE");
    EXPECT_EQ(runAsIs({}), 1);
    EXPECT_EQ(errors_, "caught by zgwcgi: REQUEST_METHOD invalid\n");
    EXPECT_EQ(response_, "");
    EXPECT_EQ(script_.constructed, 0);
}

TEST_F(ProcessEntry, ControllerFailureEndsInOrder) {
    script_.throwOnConstruction = true;
    EXPECT_EQ(run({}, "a=1"), 1);
    EXPECT_EQ(errors_, "zoltgate: (S) std::bad_alloc\n");
    EXPECT_FALSE(debugOn());
}

TEST_F(ProcessEntry, DebugLogFromZgwLog) {
    fs::path log = scratch_ / "zgw.log";
    ScopedEnv zgwLog("ZGW_LOG", log.string());
    run({}, "a=1&uname=*star&passwd=s3cr3t");
    // ZGW_LOG wins over the "*" user: the log goes to the ZGW_LOG file only.
    EXPECT_EQ(script_.debugFileAtConstruction, log.string());
    EXPECT_FALSE(debugOn());  // closed at the end
    std::string text = readFile(log);
    EXPECT_NE(text.find(" Starting ZOLTgate v3.5-13 session\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" zgwmain: request \"a\" = \"1\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" zgwmain: cookie \"zgwpasswd\" = (18 bytes, not shown)\n"),
              std::string::npos) << text;
    EXPECT_EQ(text.find("s3cr3t"), std::string::npos) << "password in the log: " << text;
    EXPECT_TRUE(text.ends_with(" Leaving zgwmain...\n")) << text;

    // A log that cannot be opened leaves debugging off and the request goes on.
    ScopedEnv badLog("ZGW_LOG", (scratch_ / "missing" / "zgw.log").string());
    run({}, "a=1");
    EXPECT_EQ(script_.debugFileAtConstruction, "");
    EXPECT_EQ(script_.constructed, 2);
}

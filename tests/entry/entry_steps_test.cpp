// Tests of the process entry with a controller of the test's own: the switches, the
// order of the cookie headers and of the list changes for fresh credentials, the login
// form path, the debug log, failures and the exit status.

#include <gtest/gtest.h>

#include <array>
#include <csignal>

#include "cgi/password_scramble.h"
#include "entry/entry_steps.h"
#include "support/response_capture.h"
#include "support/scratch_dir.h"
#include "zdb.h"

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

    int constructed = 0, destroyed = 0;
    int commandLineMode = -1;
    Pairs request, cookies;
    std::string debugFileAtConstruction;
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
    }
    ~FakeController() { ++script->destroyed; }

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
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
    }
    void TearDown() override {
        // The entry installs the engine's handler; give the test process its own back.
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &saved_[i], nullptr);
        script = nullptr;
    }

    // Runs the entry with `arguments` on a request of `method` (unset: none) with the query
    // string and cookies given; captures response and standard error; returns the status.
    int run(std::vector<std::string> arguments, std::optional<std::string> query,
            std::optional<std::string> cookies = std::nullopt,
            std::optional<std::string> method = "GET") {
        ScopedEnv requestMethod("REQUEST_METHOD", method);
        ScopedEnv queryString("QUERY_STRING", query);
        ScopedEnv cookie("HTTP_COOKIE", cookies);
        ScopedEnv type("CONTENT_TYPE", std::nullopt);
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

    static constexpr std::array<int, 5> kSignals{SIGSEGV, SIGFPE, SIGABRT, SIGTERM, SIGILL};
    std::array<struct sigaction, 5> saved_{};
    Script script_;
    ScratchDir scratch_;
    std::string response_;
    std::string errors_;
};

const std::string kFormHeader = "Content-Type: text/html\n\n";

}  // namespace

// Requests by the command line and by CGI are run end to end (tests/e2e); -S alone keeps
// the CGI environment's request.
TEST_F(ProcessEntry, SwitchWithoutARequestTextAndTheSignalHandler) {
    EXPECT_EQ(run({"-S"}, "from=env"), 1);
    EXPECT_EQ(script_.commandLineMode, 1);
    EXPECT_EQ(script_.request, (Pairs{{"from", "env"}}));
    EXPECT_EQ(std::pair(script_.constructed, script_.destroyed), std::pair(1, 1));
    EXPECT_EQ(response_, "");
    // The engine's handler ends the session on a crash or a termination.
    struct sigaction action {};
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, &quickLogout);
}

TEST_F(ProcessEntry, FreshCredentialsBecomeCookiesInThisOrder) {
    const std::string scrambled = scramblePassword("secret");
    const std::string both = "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=" + scrambled +
                             "; path=/\r\n";
    struct Case {
        const char* name; std::string query; std::optional<std::string> cookies;
        std::string written; Pairs request; Pairs seen;
    };
    const Case cases[] = {
        // Old credentials go, the new pair goes in behind the first cookie, zgwpasswd
        // last inserted and so first.
        {"with other cookies", "a=1&uname=anna&passwd=secret&b=2", "lang=de; zgwuser=old; zgwpasswd=OLD; x=1",
         both, {{"a", "1"}, {"b", "2"}},
         {{"lang", "de"}, {"zgwpasswd", scrambled}, {"zgwuser", "anna"}, {"x", "1"}}},
        // No clear password may be left as a form field.
        {"names in any case", "UNAME=anna&PassWd=secret&q=1", std::nullopt, both, {{"q", "1"}},
         {{"zgwuser", "anna"}, {"zgwpasswd", scrambled}}},
        {"a user name that cannot be a cookie still reaches the controller",
         "uname=anna%0D%0ALocation:+x&passwd=secret", std::nullopt,
         "Set-Cookie: zgwpasswd=" + scrambled + "; path=/\r\n", {},
         {{"zgwuser", "anna\r\nLocation: x"}, {"zgwpasswd", scrambled}}},
        // Incomplete credentials stay plain parameters.
        {"user only", "uname=anna&q=1", "zgwuser=old", "", {{"uname", "anna"}, {"q", "1"}}, {{"zgwuser", "old"}}},
        {"empty user", "uname=&passwd=secret", "zgwuser=old", "", {{"uname", ""}, {"passwd", "secret"}},
         {{"zgwuser", "old"}}},
    };
    for (const auto& c : cases) {
        script_ = Script{};
        EXPECT_EQ(run({}, c.query, c.cookies), 1) << c.name;
        EXPECT_EQ(response_, c.written) << c.name;
        EXPECT_EQ(script_.request, c.request) << c.name;
        EXPECT_EQ(script_.cookies, c.seen) << c.name;
    }
}

TEST_F(ProcessEntry, LoginFormFileAndMessage) {
    writeFile(scratch_ / "app" / "login.zgw", "<p>${ERRMSG}</p>${ZGWPARAM}");
    writeFile(scratch_ / "conf" / "login.zgw", "system form");
    const std::string app = (scratch_ / "app").string();
    const std::string config = (scratch_ / "conf" / "zgw.conf").string();
    const std::string cookies = "Set-Cookie: zgwuser=anna; path=/\r\nSet-Cookie: zgwpasswd=" + scramblePassword("pw") +
                                "; path=/\r\n";
    const std::string field = "<INPUT type=\"hidden\" name=\"${APPL}\" value=\"lib\">";
    const std::string missing = "<HTML><BODY>File not found\n";
    struct Case { const char* name; std::string query, applName, applDirectory, configFile, written; };
    const Case cases[] = {
        // After a submitted form: the engine's message for the code the refused login kept.
        {"application directory, form submitted", "%24%7BAPPL%7D=lib&uname=anna&passwd=pw", "Lib", app, config,
         cookies + kFormHeader + "<p>message 16418</p>" + field},
        {"application directory without the file", "a=1", "lib", (scratch_ / "empty").string(), config,
         kFormHeader + "system form"},
        // A missing file gives the short page with the path it looked for, escaped.
        {"backslash directory", "a=1", "", "", "C:\\<zolt>\\zgw.conf",
         kFormHeader + missing + "C:\\&lt;zolt&gt;\\login.zgw</BODY></HTML>"},
        {"no directory: the start directory", "a=1", "", "", "zgw.conf",
         kFormHeader + missing + currentDirectory() + "login.zgw</BODY></HTML>"},
    };
    for (const auto& c : cases) {
        script_ = Script{};
        script_.loginRequired = 1;
        script_.startRc = 16418;
        script_.engineError = 10306;
        script_.applName = c.applName;
        script_.applDirectory = c.applDirectory;
        script_.configFile = c.configFile;
        run({}, c.query);
        EXPECT_EQ(response_, c.written) << c.name;
    }
}

TEST_F(ProcessEntry, ControllerFailureEndsInOrder) {
    script_.throwOnConstruction = true;
    EXPECT_EQ(run({}, "a=1"), 1);
    EXPECT_EQ(errors_, "zoltgate: (S) std::bad_alloc\n");
    EXPECT_FALSE(debugOn());
}

TEST_F(ProcessEntry, DebugLogFromZgwLog) {
    const auto log = scratch_ / "zgw.log";
    ScopedEnv zgwLog("ZGW_LOG", log.string());
    run({}, "a=1&uname=*star&passwd=s3cr3t");
    // ZGW_LOG wins over the "*" user: the log goes to the ZGW_LOG file only.
    EXPECT_EQ(script_.debugFileAtConstruction, log.string());
    EXPECT_FALSE(debugOn());  // closed at the end
    std::string text = readFile(log);
    EXPECT_NE(text.find(" zgwmain: cookie \"zgwpasswd\" = (18 bytes, not shown)\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("s3cr3t"), std::string::npos) << "password in the log: " << text;

    // A log that cannot be opened leaves debugging off and the request goes on.
    ScopedEnv badLog("ZGW_LOG", (scratch_ / "missing" / "zgw.log").string());
    run({}, "a=1");
    EXPECT_EQ(script_.debugFileAtConstruction, "");
    EXPECT_EQ(script_.constructed, 2);
}

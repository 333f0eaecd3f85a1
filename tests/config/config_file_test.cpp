// Tests of readConfig and parseConfigLine: keywords, argument forms, comments,
// long lines, failures with their exact texts and line numbers, cookies.

#include <climits>
#include <unistd.h>

#include "cgi/debug_log.h"
#include "cgi/password_scramble.h"
#include "support/gateway_fixture.h"

namespace {

using ConfigTest = GatewayTest;

TEST_F(ConfigTest, CommentsAndTheCacheDirectory) {
    ASSERT_EQ(readConfigText("# a comment\n#CACHE /nowhere\n\n" + cacheLine() + "# end"), 0) << gw->errorText.view();
    EXPECT_EQ(gw->errorText.view(), "OK");
    EXPECT_EQ(gw->configFile.view(), configPath());
    EXPECT_EQ(std::filesystem::current_path(), site->cache);
    EXPECT_EQ(gw->findresult.cacheDir.view(), site->cache.string());
    // The engine's session file is in the cache and carries the process id.
    const char* sif = QueryRCS("ZDBS_SIF", ZDB_RCS_PROCESS);
    ASSERT_NE(sif, nullptr);
    EXPECT_EQ(std::string(sif), site->cache.string() + "/ZGW" + std::to_string(getpid()) + ".SIF");

    // A path with blanks, and a CRLF line end.
    const std::filesystem::path spaced = site->root / "my cache";
    std::filesystem::create_directory(spaced);
    ASSERT_EQ(readConfigText("CACHE   " + spaced.string() + "  \r\n"), 0) << gw->errorText.view();
    EXPECT_EQ(gw->findresult.cacheDir.view(), spaced.string());
    EXPECT_EQ(std::filesystem::current_path(), spaced);
}

TEST_F(ConfigTest, KeywordsAndTheirArgumentForms) {
    unsetenv("ZGW_UNIXVAR_TEST");
    struct Case { const char* name; std::string lines; Pairs settings; };
    const Case cases[] = {
        {"every keyword",
         "DEFAULT-USER web secret extra\nmaxhits 250\nTIMEOUT 60\nUNIXVAR ZGW_UNIXVAR_TEST hello\n"
         "LANGUAGE SWE\nENCODING utf-8\nZGWSUFFIX htm\nMIME pdf application/pdf\nMIME gif\nMIME png image/png\n"
         "HILITEATTR <span class=\"hit\">\nHILITE 2\nZVDIR /first/dir\nZV_OUTPUT_DIR /second dir/out\n"
         "ZV_OUTPUT_URL http://host/out\nSORTFORM whatever it says\nNODEBUG\nMSG-LEVEL 2\n"
         "MSG-NOHIT \"#1 result: none\"\nMSG-LOGIN Please log in   # comment\nmsg-otherwise \"Something\tbroke\"\n",
         {{"user", "web"}, {"password", "secret"}, {"maxHits", "250"}, {"timeout", "60"}, {"language", "SWE"},
          {"encoding", "16"}, {"suffix", "htm"}, {"mime", "pdf=application/pdf|png=image/png"},
          {"hilon", "<span class=\"hit\">"}, {"hiloff", "</span>"}, {"hilite", "2"}, {"zvDir", "/second dir/out"},
          {"zvUrl", "http://host/out"}, {"debugEcho", "-1"}, {"level", "2"}, {"noHits", "#1 result: none"},
          {"login", "Please log in"}, {"other", "Something\tbroke"}}},
        {"HILITEATTR with # after a quote stays whole", "HILITEATTR <font color=\"#ff0000\">\n",
         {{"hilon", "<font color=\"#ff0000\">"}, {"hiloff", "</font>"}}},
        {"ENCODING by its first three letters", "ENCODING la2\n", {{"encoding", "2"}}},
        {"DEFAULT-USER without password keeps it", "DEFAULT-USER a b\nDEFAULT-USER c\n",
         {{"user", "c"}, {"password", "b"}}},
        {"empty message keeps the default", "MSG-OTHER \"\"\nMSG-NOHIT\nMSG-LOGIN \"",
         {{"other", "An error occurred"}, {"noHits", "No hits"}, {"login", "Login error"}}},
        {"numbers read like atoi", "MAXHITS 12abc\nTIMEOUT x\nHILITE -3x\n",
         {{"maxHits", "12"}, {"timeout", "0"}, {"hilite", "-3"}}},
        {"huge numbers held at the int limits", "MAXHITS 99999999999999999999\nHILITE -99999999999999999999\n",
         {{"maxHits", std::to_string(INT_MAX)}, {"hilite", std::to_string(INT_MIN)}}},
    };
    for (const auto& c : cases) {
        fresh();
        ASSERT_EQ(readConfigText(cacheLine() + c.lines), 0) << c.name << ": " << gw->errorText.view();
        expectSettings(*gw, c.settings, c.name);
    }
    EXPECT_STREQ(getenv("ZGW_UNIXVAR_TEST"), "hello");
    unsetenv("ZGW_UNIXVAR_TEST");
}

TEST_F(ConfigTest, BadLinesFailWithTheirTextAndLineNumber) {
    struct Case { const char* name; std::string lines; std::string message; int line; };
    const std::string unknown = "Unknown keyword ";
    const Case cases[] = {
        {"blanks only", "  \n", unknown + "\"__cant_be_true_baby__\"", 2},
        {"indented comment", "   # not a comment line\n", unknown + "\"__cant_be_true_baby__\"", 2},
        {"unknown keyword", "MAXHITS 5\nFOO bar\n", unknown + "\"FOO\"", 3},
        {"missing word", "MAXHITS\n", unknown + "\"MAXHITS\"", 2},
        {"UNIXVAR without value", "UNIXVAR NAME\n", unknown + "\"UNIXVAR\"", 2},
        {"ENCODING ASCII", "ENCODING ASCII\n", unknown + "\"ENCODING\"", 2},
        {"MSG-LEVEL 3", "MSG-LEVEL 3\n", unknown + "\"MSG-LEVEL\"", 2},
        {"MSG-LEVEL is no prefix keyword", "MSG-LEVELS 1\n", unknown + "\"MSG-LEVELS\"", 2},
        {"BASE without type", "base docs\n", unknown + "\"base\"", 2},
        {"BASE without argument", "BASE docs ADDRESS\n", unknown + "\"BASE\"", 2},
        {"BASE wrong type", "BASE docs FOO x\n", "wrong base type FOO", 2},
        {"script in keyword", "<script>alert(1)</script> x\n",
         unknown + "\"&lt;script&gt;alert(1)&lt;/script&gt;\"", 2},
    };
    for (const auto& c : cases) {
        fresh();
        EXPECT_EQ(readConfigText(cacheLine() + c.lines + "MAXHITS 9\n"), -1) << c.name;
        EXPECT_EQ(gw->status, -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.message + " at line " + std::to_string(c.line) + " in file " + configPath())
            << c.name;
        EXPECT_NE(gw->findresult.maxHits, 9) << c.name << ": the rest is not read";
        EXPECT_TRUE(gw->errorFile.view().starts_with("src/config/")) << c.name;
        EXPECT_GE(gw->errorLine, 1) << c.name;
    }
}

TEST_F(ConfigTest, FileLevelFailures) {
    struct Case { const char* name; std::string text; std::string message; };
    const Case cases[] = {
        {"no CACHE line", "MAXHITS 5\n", " (S) cache directory missing "},
        {"cache cannot be entered", "CACHE /tmp/zgw-no-such-dir/x\n", "(S) cache directory doesn't exist "},
    };
    for (const auto& c : cases) {
        fresh();
        EXPECT_EQ(readConfigText(c.text), -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.message) << c.name;
        EXPECT_TRUE(gw->errorFile.view().starts_with("src/config/")) << c.name;
    }
    // A refused MSG-LEVEL is stored all the same.
    EXPECT_EQ(readConfigText(cacheLine() + "MSG-LEVEL 3\n"), -1);
    EXPECT_EQ(gw->db.messageLevel, 3);

    // configFile holds 511 characters: a longer path is refused, not cut.
    fresh();
    const std::string root = site->root.path().string();
    const std::string longPath = root + "/" + std::string(520 - root.size(), 'p');
    engine().rcsFile["ZGW_CONF"] = longPath;
    EXPECT_EQ(gw->readConfig(), -1);
    EXPECT_EQ(gw->errorText.view(), "(S) File not found or open failed [" + longPath + "]");
    EXPECT_TRUE(gw->configFile.empty());
}

TEST_F(ConfigTest, LongLinesAreReadInPiecesOf2047Bytes) {
    // "MSG-OTHER " and 2037 x fill the first piece; the other 963 x are line 3.
    EXPECT_EQ(readConfigText(cacheLine() + "MSG-OTHER " + std::string(3000, 'x') + "\n"), -1);
    EXPECT_EQ(gw->db.msgOther.view(), std::string(2037, 'x'));
    EXPECT_EQ(gw->errorText.view(),
              "Unknown keyword \"" + std::string(963, 'x') + "\" at line 3 in file " + configPath());

    // A piece that ends exactly at the line feed leaves nothing for a next line.
    fresh();
    EXPECT_EQ(readConfigText(cacheLine() + "MSG-OTHER " + std::string(2036, 'y') + "\nMAXHITS 3\n"), 0);
    EXPECT_EQ(gw->db.msgOther.view(), std::string(2036, 'y'));
    EXPECT_EQ(gw->findresult.maxHits, 3);
}

TEST_F(ConfigTest, LoginCookiesReplaceTheDefaultUser) {
    struct Case { const char* name; Pairs cookies; std::string user; std::string password; };
    const Case cases[] = {
        {"first of each name", {{"zgwuser", "ann"}, {"zgwuser", "bob"}, {"zgwpasswd", scramblePassword("a")},
                                {"zgwpasswd", scramblePassword("b")}}, "ann", "a"},
        {"user cookie only", {{"zgwuser", "ann"}}, "web", "pw"},
        {"overlong password cookie",
         {{"zgwuser", "ann"}, {"zgwpasswd", scramblePassword("abc") + std::string(5000, 'F')}}, "ann", "abc"},
    };
    for (const auto& c : cases) {
        fresh();
        fillList(cookieEntries, c.cookies);
        ASSERT_EQ(readConfigText(cacheLine() + "DEFAULT-USER web pw\n"), 0) << c.name;
        EXPECT_EQ(gw->findresult.userName.view(), c.user) << c.name;
        EXPECT_EQ(gw->findresult.password.view(), c.password) << c.name;
    }
}

TEST_F(ConfigTest, DebugLogShowsTheFailedLineAndNoPassword) {
    debugFileName = site->root / "debug.log";
    openDebugLog();
    fillList(cookieEntries, {{"zgwuser", "ann"}, {"zgwpasswd", scramblePassword("topsecret")}});
    ASSERT_EQ(readConfigText(cacheLine() + "MIME pdf application/pdf\n"), 0);
    EXPECT_EQ(readConfigText(cacheLine() + "BOGUS line\n"), -1);
    closeDebugLog();
    const std::string log = readFile(site->root / "debug.log");
    EXPECT_NE(log.find("cookie zgwuser=ann"), std::string::npos) << log;
    EXPECT_NE(log.find("cookie zgwpasswd=(not shown)"), std::string::npos) << log;
    EXPECT_EQ(log.find(scramblePassword("topsecret")), std::string::npos) << log;
    EXPECT_NE(log.find("user ann"), std::string::npos) << log;
    EXPECT_NE(log.find("MIME pdf application/pdf"), std::string::npos) << log;
    EXPECT_NE(log.find("Unknown keyword \"BOGUS\" in ZGW_CONF line:\nBOGUS line\n"), std::string::npos) << log;
}

}  // namespace

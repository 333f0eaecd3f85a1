// Tests of readConfig and parseConfigLine: keywords, argument forms, comments,
// long lines, failures with their exact texts and line numbers, cookies.

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "cgi/debug_log.h"
#include "cgi/entry_list.h"
#include "config/config_syntax.h"
#include "config_test_support.h"
#include "entry/password_scramble.h"

namespace {

TEST_F(ConfigTest, CommentsAndCacheOnlyKeepEveryDefault) {
    ASSERT_EQ(readConfigText("# a comment\n#CACHE /nowhere\n\n" + cacheLine() + "# end"), 0)
        << gw->errorText.view();
    EXPECT_EQ(gw->status, 0);
    EXPECT_EQ(gw->errorText.view(), "OK");
    EXPECT_EQ(gw->configFile.view(), configPath);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(cache));
    EXPECT_EQ(gw->findresult.cacheDir.view(), cache);
    EXPECT_EQ(gw->cacheGiven, 1);
    const char* sif = QueryRCS("ZDBS_SIF", ZDB_RCS_PROCESS);
    ASSERT_NE(sif, nullptr);
    EXPECT_EQ(std::string(sif), cache + "/ZGW" + std::to_string(getpid()) + ".SIF");
    EXPECT_EQ(gw->findresult.userName.view(), "zoltgate");
    EXPECT_EQ(gw->findresult.password.view(), "");
    EXPECT_EQ(gw->findresult.maxHits, 1000);
    EXPECT_EQ(gw->timeout, 300);
    EXPECT_EQ(gw->findresult.zgwSuffix.view(), "zgw");
    EXPECT_EQ(gw->db.encoding, 1);
    EXPECT_EQ(gw->db.messageLevel, 0);
    EXPECT_EQ(gw->db.hilon.view(), "<b>");
    EXPECT_EQ(gw->db.hiloff.view(), "</b>");
    EXPECT_EQ(gw->db.msgNoHits.view(), "No hits");
    EXPECT_EQ(gw->findresult.debugEcho, 0);
    EXPECT_TRUE(gw->mimeTypes.empty());
}

TEST_F(ConfigTest, EveryKeywordSetsItsSetting) {
    unsetenv("ZGW_UNIXVAR_TEST");
    const std::string text =
        cacheLine() +
        "DEFAULT-USER web secret extra\n"
        "maxhits 250\n"
        "TIMEOUT 60\n"
        "UNIXVAR ZGW_UNIXVAR_TEST hello\n"
        "LANGUAGE SWE\n"
        "ENCODING utf-8\n"
        "ZGWSUFFIX htm\n"
        "MIME pdf application/pdf\n"
        "MIME gif\n"
        "MIME png image/png\n"
        "HILITEATTR <span class=\"hit\">\n"
        "HILITE 2\n"
        "ZVDIR /first/dir\n"
        "ZV_OUTPUT_DIR /second dir/out\n"
        "ZV_OUTPUT_URL http://host/out\n"
        "SORTFORM whatever it says\n"
        "NODEBUG\n"
        "MSG-LEVEL 2\n"
        "MSG-NOHIT \"#1 result: none\"\n"
        "MSG-LOGIN Please log in   # comment\n"
        "msg-otherwise \"Something\tbroke\"\n";
    ASSERT_EQ(readConfigText(text), 0) << gw->errorText.view();
    auto& r = gw->findresult;
    EXPECT_EQ(r.userName.view(), "web");
    EXPECT_EQ(r.password.view(), "secret");
    EXPECT_EQ(r.maxHits, 250);
    EXPECT_EQ(gw->timeout, 60);
    EXPECT_STREQ(getenv("ZGW_UNIXVAR_TEST"), "hello");
    EXPECT_EQ(r.language.view(), "SWE");
    EXPECT_EQ(gw->db.encoding, 16);
    EXPECT_EQ(r.zgwSuffix.view(), "htm");
    ASSERT_EQ(gw->mimeTypes.size(), 2);
    EXPECT_EQ(gw->mimeTypes.at(0)->key.view(), "pdf");
    EXPECT_EQ(gw->mimeTypes.at(0)->value.view(), "application/pdf");
    EXPECT_EQ(gw->mimeTypes.at(1)->key.view(), "png");
    EXPECT_EQ(gw->db.hilon.view(), "<span class=\"hit\">");
    EXPECT_EQ(gw->db.hiloff.view(), "</span>");
    EXPECT_EQ(gw->db.hilite, 2);
    EXPECT_EQ(r.zvOutputDir.view(), "/second dir/out");
    EXPECT_EQ(r.zvOutputUrl.view(), "http://host/out");
    EXPECT_EQ(r.debugEcho, -1);
    EXPECT_EQ(gw->db.messageLevel, 2);
    EXPECT_EQ(gw->db.msgNoHits.view(), "#1 result: none");
    EXPECT_EQ(gw->db.msgLogin.view(), "Please log in");
    EXPECT_EQ(gw->db.msgOther.view(), "Something\tbroke");
    unsetenv("ZGW_UNIXVAR_TEST");
}

TEST_F(ConfigTest, SmallerArgumentRules) {
    struct Case {
        const char* name;
        std::string lines;
        std::function<void(const zoltgw&)> check;
    };
    const std::vector<Case> cases = {
        {"HILITEATTR plain b", "HILITEATTR <b>\n",
         [](const zoltgw& g) { EXPECT_EQ(g.db.hiloff.view(), "</b>"); }},
        {"HILITEATTR with # after a quote stays whole", "HILITEATTR <font color=\"#ff0000\">\n",
         [](const zoltgw& g) {
             EXPECT_EQ(g.db.hilon.view(), "<font color=\"#ff0000\">");
             EXPECT_EQ(g.db.hiloff.view(), "</font>");
         }},
        {"ENCODING utf", "ENCODING utf\n", [](const zoltgw& g) { EXPECT_EQ(g.db.encoding, 16); }},
        {"ENCODING la2", "ENCODING la2\n", [](const zoltgw& g) { EXPECT_EQ(g.db.encoding, 2); }},
        {"ENCODING SJIS", "ENCODING SJIS\n", [](const zoltgw& g) { EXPECT_EQ(g.db.encoding, 20); }},
        {"ZVDIR after ZV_OUTPUT_DIR", "ZV_OUTPUT_DIR /a\nZVDIR /b\n",
         [](const zoltgw& g) { EXPECT_EQ(g.findresult.zvOutputDir.view(), "/b"); }},
        {"DEFAULT-USER without password keeps it", "DEFAULT-USER a b\nDEFAULT-USER c\n",
         [](const zoltgw& g) {
             EXPECT_EQ(g.findresult.userName.view(), "c");
             EXPECT_EQ(g.findresult.password.view(), "b");
         }},
        {"empty message keeps the default", "MSG-OTHER \"\"\nMSG-NOHIT\n",
         [](const zoltgw& g) {
             EXPECT_EQ(g.db.msgOther.view(), "An error occurred");
             EXPECT_EQ(g.db.msgNoHits.view(), "No hits");
         }},
        {"numbers read like atoi", "MAXHITS 12abc\nTIMEOUT x\nHILITE -1\n",
         [](const zoltgw& g) {
             EXPECT_EQ(g.findresult.maxHits, 12);
             EXPECT_EQ(g.timeout, 0);
             EXPECT_EQ(g.db.hilite, -1);
         }},
        {"huge number held at the int limit", "MAXHITS 99999999999999999999\n",
         [](const zoltgw& g) { EXPECT_EQ(g.findresult.maxHits, 2147483647); }},
        {"CRLF lines", "MAXHITS 7\r\nZGWSUFFIX htm\r\n",
         [](const zoltgw& g) {
             EXPECT_EQ(g.findresult.maxHits, 7);
             EXPECT_EQ(g.findresult.zgwSuffix.view(), "htm");
         }},
    };
    for (const auto& c : cases) {
        fresh();
        ASSERT_EQ(readConfigText(cacheLine() + c.lines), 0) << c.name << ": " << gw->errorText.view();
        SCOPED_TRACE(c.name);
        c.check(*gw);
    }
}

TEST_F(ConfigTest, CacheWithBlanksAndCrLf) {
    std::string spaced = root + "/my cache";
    std::filesystem::create_directory(spaced);
    ASSERT_EQ(readConfigText("CACHE   " + spaced + "  \r\n"), 0) << gw->errorText.view();
    EXPECT_EQ(gw->findresult.cacheDir.view(), spaced);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(spaced));
}

TEST_F(ConfigTest, BadLinesFailWithTheirTextAndLineNumber) {
    struct Case { const char* name; std::string lines; std::string message; int line; };
    const std::vector<Case> cases = {
        {"two blanks", "  \n", "Unknown keyword \"__cant_be_true_baby__\"", 2},
        {"indented comment", "   # not a comment line\n", "Unknown keyword \"__cant_be_true_baby__\"", 2},
        {"tab and carriage return", "\t\r\n", "Unknown keyword \"__cant_be_true_baby__\"", 2},
        {"unknown keyword", "MAXHITS 5\nFOO bar\n", "Unknown keyword \"FOO\"", 3},
        {"missing argument", "MAXHITS\n", "Unknown keyword \"MAXHITS\"", 2},
        {"missing rest", "CACHE   \n", "Unknown keyword \"CACHE\"", 2},
        {"UNIXVAR without value", "UNIXVAR NAME\n", "Unknown keyword \"UNIXVAR\"", 2},
        {"ENCODING ASCII", "ENCODING ASCII\n", "Unknown keyword \"ENCODING\"", 2},
        {"ENCODING too short", "ENCODING UT\n", "Unknown keyword \"ENCODING\"", 2},
        {"MSG-LEVEL 3", "MSG-LEVEL 3\n", "Unknown keyword \"MSG-LEVEL\"", 2},
        {"MSG-LEVEL -1", "MSG-LEVEL -1\n", "Unknown keyword \"MSG-LEVEL\"", 2},
        {"MSG-LEVEL is no prefix keyword", "MSG-LEVELS 1\n", "Unknown keyword \"MSG-LEVELS\"", 2},
        {"HILITEATTR without tag", "HILITEATTR\n", "Unknown keyword \"HILITEATTR\"", 2},
        {"BASE alone", "BASE\n", "Unknown keyword \"BASE\"", 2},
        {"BASE without type", "base docs\n", "Unknown keyword \"base\"", 2},
        {"BASE without argument", "BASE docs ADDRESS\n", "Unknown keyword \"BASE\"", 2},
        {"BASE wrong type", "BASE docs FOO x\n", "wrong base type FOO", 2},
        {"script in keyword", "<script>alert(1)</script> x\n",
         "Unknown keyword \"&lt;script&gt;alert(1)&lt;/script&gt;\"", 2},
        {"script in base type", "BASE d <img/onerror=x> y\n", "wrong base type &lt;img/onerror=x&gt;", 2},
    };
    for (const auto& c : cases) {
        fresh();
        EXPECT_EQ(readConfigText(cacheLine() + c.lines + "MAXHITS 9\n"), -1) << c.name;
        EXPECT_EQ(gw->status, -1) << c.name;
        EXPECT_EQ(gw->errorText.view(),
                  c.message + " at line " + std::to_string(c.line) + " in file " + configPath)
            << c.name;
        EXPECT_NE(gw->findresult.maxHits, 9) << c.name << ": the rest is not read";
        EXPECT_TRUE(gw->errorFile.view().starts_with("src/config/")) << c.name;
        EXPECT_GE(gw->errorLine, 1) << c.name;
    }
}

TEST_F(ConfigTest, FileLevelFailures) {
    struct Case { const char* name; std::string text; std::string message; };
    const std::string missingDir = "/tmp/zgw-no-such-dir/x";
    const std::vector<Case> cases = {
        {"no CACHE line", "MAXHITS 5\n", " (S) cache directory missing "},
        {"cache cannot be entered", "CACHE " + missingDir + "\n", "(S) cache directory doesn't exist "},
        {"MSG-LEVEL stored although refused", "MSG-LEVEL 3\n", ""},
    };
    for (const auto& c : cases) {
        fresh();
        EXPECT_EQ(readConfigText(c.text), -1) << c.name;
        if (!c.message.empty()) EXPECT_EQ(gw->errorText.view(), c.message) << c.name;
        else EXPECT_EQ(gw->db.messageLevel, 3) << c.name;
        EXPECT_EQ(gw->errorFile.view().substr(0, 11), "src/config/") << c.name;
    }
}

TEST_F(ConfigTest, ConfigurationFileNotFound) {
    EXPECT_EQ(gw->readConfig(), -1);
    EXPECT_EQ(gw->errorText.view(), "(S) ZGW_CONF not found in the ZOLT configuration file");
    EXPECT_EQ(gw->errorFile.view(), "src/config/config_file");
    EXPECT_GE(gw->errorLine, 1);

    zdbdouble::engine().rcsFile["ZGW_CONF"] = "";
    EXPECT_EQ(gw->readConfig(), -1);
    EXPECT_EQ(gw->errorText.view(), "(S) ZGW_CONF not found in the ZOLT configuration file");

    std::string missing = root + "/<b>&missing.conf";
    zdbdouble::engine().rcsFile["ZGW_CONF"] = missing;
    EXPECT_EQ(gw->readConfig(), -1);
    EXPECT_EQ(gw->errorText.view(),
              "(S) File not found or open failed [" + root + "/&lt;b&gt;&amp;missing.conf]");

    // A path longer than the 511 characters configFile holds is refused, not cut.
    fresh();
    std::string longPath = root + "/" + std::string(520 - root.size(), 'p');
    zdbdouble::engine().rcsFile["ZGW_CONF"] = longPath;
    EXPECT_EQ(gw->readConfig(), -1);
    EXPECT_EQ(gw->errorText.view(), "(S) File not found or open failed [" + longPath + "]");
    EXPECT_TRUE(gw->configFile.empty());
}

TEST_F(ConfigTest, LongLinesAreReadInPiecesOf2047Bytes) {
    // "MSG-OTHER " and 2037 x fill the first piece; the other 963 x are line 3.
    std::string text = cacheLine() + "MSG-OTHER " + std::string(3000, 'x') + "\n";
    EXPECT_EQ(readConfigText(text), -1);
    EXPECT_EQ(gw->db.msgOther.view(), std::string(2037, 'x'));
    EXPECT_EQ(gw->errorText.view(),
              "Unknown keyword \"" + std::string(963, 'x') + "\" at line 3 in file " + configPath);

    fresh();
    // A piece that ends exactly at the line feed leaves nothing for a next line.
    std::string exact = cacheLine() + "MSG-OTHER " + std::string(2036, 'y') + "\nMAXHITS 3\n";
    EXPECT_EQ(readConfigText(exact), 0) << gw->errorText.view();
    EXPECT_EQ(gw->db.msgOther.view(), std::string(2036, 'y'));
    EXPECT_EQ(gw->findresult.maxHits, 3);
}

TEST_F(ConfigTest, LoginCookiesReplaceTheDefaultUser) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> cookies;
        std::string user;
        std::string password;
    };
    const std::vector<Case> cases = {
        {"both cookies", {{"zgwuser", "ann"}, {"zgwpasswd", scramblePassword("s3cret")}}, "ann", "s3cret"},
        {"first of each name", {{"zgwuser", "ann"}, {"zgwuser", "bob"}, {"zgwpasswd", scramblePassword("a")},
                                {"zgwpasswd", scramblePassword("b")}}, "ann", "a"},
        {"user cookie only", {{"zgwuser", "ann"}}, "web", "pw"},
        {"password cookie only", {{"zgwpasswd", scramblePassword("x")}}, "web", "pw"},
        {"overlong password cookie", {{"zgwuser", "ann"}, {"zgwpasswd", scramblePassword("abc") + std::string(5000, 'F')}},
         "ann", "abc"},
    };
    for (const auto& c : cases) {
        fresh();
        Entry* last = nullptr;
        for (const auto& [name, value] : c.cookies) last = list_insafter(cookieEntries, last, name, value);
        ASSERT_EQ(readConfigText(cacheLine() + "DEFAULT-USER web pw\n"), 0) << c.name;
        EXPECT_EQ(gw->findresult.userName.view(), c.user) << c.name;
        EXPECT_EQ(gw->findresult.password.view(), c.password) << c.name;
    }
}

TEST(ConfigSyntax, ArgumentReaders) {
    struct Case {
        const char* line;
        const char* keyword;
        const char* rest;
        const char* lineArgument;
        const char* message;
    };
    const Case cases[] = {
        {"CACHE  /a b \t c \n", "CACHE", "/a b", " /a b \t c ", "/a b \t c"},
        {"MSG-NOHIT \"quoted\"  \r\n", "MSG-NOHIT", "\"quoted\"", "\"quoted\"  ", "quoted"},
        {"MSG-NOHIT \"", "MSG-NOHIT", "\"", "\"", ""},
        {"K", "K", "", "", ""},
        {"K\tv", "K", "v", "v", "v"},
        {"   ", "__cant_be_true_baby__", "", "", ""},
        {"", "__cant_be_true_baby__", "", "", ""},
    };
    for (const auto& c : cases) {
        ConfigLine line(c.line);
        EXPECT_EQ(line.keyword(), c.keyword) << c.line;
        EXPECT_EQ(line.rest(), c.rest) << c.line;
        EXPECT_EQ(line.line(), c.lineArgument) << c.line;
        EXPECT_EQ(line.message(), c.message) << c.line;
    }
    ConfigLine words("MIME  a\t b\r\n");
    EXPECT_EQ(words.word(), "a");
    EXPECT_EQ(words.word(), "b");
    EXPECT_EQ(words.word(), "");
    EXPECT_EQ(words.word(), "");
}

TEST(ConfigSyntax, NumbersAreBounded) {
    struct Case { const char* word; int value; };
    const Case cases[] = {{"42", 42},  {"+7", 7},   {"-3x", -3}, {"x1", 0}, {"", 0}, {"-", 0},
                          {"2147483647", 2147483647}, {"2147483648", 2147483647},
                          {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(readNumber(c.word), c.value) << c.word;
}

}  // namespace

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ConfigTest, DebugLogShowsTheFailedLineAndNoPassword) {
    std::string logPath = root + "/debug.log";
    debugFileName = logPath;
    openDebugLog();
    list_insafter(cookieEntries, nullptr, "zgwuser", "ann");
    list_insafter(cookieEntries, cookieEntries.first(), "zgwpasswd", scramblePassword("topsecret"));
    ASSERT_EQ(readConfigText(cacheLine() + "MIME pdf application/pdf\n"), 0);
    EXPECT_EQ(readConfigText(cacheLine() + "BOGUS line\n"), -1);
    closeDebugLog();
    std::string log = readFile(logPath);
    EXPECT_NE(log.find("cookie zgwuser=ann"), std::string::npos) << log;
    EXPECT_NE(log.find("cookie zgwpasswd=(not shown)"), std::string::npos) << log;
    EXPECT_EQ(log.find(scramblePassword("topsecret")), std::string::npos) << log;
    EXPECT_NE(log.find("user ann"), std::string::npos) << log;
    EXPECT_NE(log.find("MIME pdf application/pdf"), std::string::npos) << log;
    EXPECT_NE(log.find("Unknown keyword \"BOGUS\" in ZGW_CONF line:\nBOGUS line\n"), std::string::npos) << log;
}

}  // namespace

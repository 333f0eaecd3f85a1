// Tests of saved results (${ZGWIDS}) and saved URL stacks (${ZGWURLSAVE}): reading them
// back from the page cache, the expiry rule with and without its redirect, and names
// from the request that must never open anything but a cache file of the program's own.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "entry/cache_names.h"
#include "entry/request_test_support.h"

namespace {

using Texts = std::vector<std::string>;
using SavedState = RequestTest;

const std::string kRecord = "cats\nFIND x\n0,5,3,17,23,40\n";

TEST_F(SavedState, SavedResultReplacesTheSearch) {
    writeCacheFile("12/1700000000_4242.ids", kRecord);
    configured({{"${ZGWIDS}", "2.12/1700000000_4242"}, {"${BASE}", "docs"}});
    ASSERT_EQ(gw->cgiParse(), 0) << gw->errorText.view();
    EXPECT_EQ(gw->skipFind, 1);
    EXPECT_EQ(gw->idsMode, 100);
    EXPECT_EQ(gw->idsName.view(), "12/1700000000_4242");
    EXPECT_EQ(gw->findresult.findString.view(), "cats");
    EXPECT_EQ(textsOf(gw->cclCommands), Texts{"FIND x"});
    EXPECT_EQ(textsOf(gw->findresult.rid), (Texts{"17", "23", "40"}));
    EXPECT_EQ(gw->findresult.ris, 2) << "the position of the link wins";
    EXPECT_EQ(gw->findresult.hits, 5);
    EXPECT_EQ(gw->findresult.rfound, 3);
}

TEST_F(SavedState, SavedResultFailures) {
    struct Case {
        const char* name;
        std::string value;
        const char* config;   // besides CACHE
        std::string text;     // errorText
        const char* file;     // errorFile
        int line;
        std::string written;
    };
    const std::string expired = " document has expired ";
    const Case cases[] = {
        {"empty value: no key", "", "", expired, "", 201, ""},
        {"only dots: no key", "..", "", expired, "", 201, ""},
        {"no name", "3", "", expired, "", 203, ""},
        {"no name after the dot", "3.", "", expired, "", 203, ""},
        {"file gone", "0.12/1700000000_1", "", expired + " (errno=2)", "src/zgwhtml", 3667, ""},
        {"file gone, redirect of the application", "0.12/1700000000_1",
         "BASE other HTMLDEFAULT http://elsewhere/\nBASE DOCS HTMLDEFAULT http://host/expired.html\n", "OK", "",
         0, "Location: http://host/expired.html\n\n"},
        {"file gone, redirect of another application only", "0.12/1700000000_1",
         "BASE other HTMLDEFAULT http://elsewhere/\n", expired + " (errno=2)", "src/zgwhtml", 3667, ""},
    };
    for (const auto& c : cases) {
        fresh();
        configured({{"${APPL}", "docs"}, {"${ZGWIDS}", c.value}, {"${BASE}", "docs"}}, c.config);
        EXPECT_EQ(gw->cgiParse(), -1) << c.name;
        EXPECT_EQ(gw->status, -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorFile.view(), c.file) << c.name;
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
        EXPECT_EQ(gw->skipFind, 0) << c.name;
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty()) << c.name;
    }
}

TEST_F(SavedState, NamesThatAreNotTheProgramsOwnAreAnsweredAsExpired) {
    // A file that a traversal would reach, beside the cache, and one in the cache that
    // only a malformed name (a slot of 60, a negative position) would name.
    const std::string planted = "planted\n0,1,1,99\n";
    // The forms themselves are checked one by one in CacheNames below.
    const char* const values[] = {"0.../secret", "0./tmp/x_1", "0.12/../../secret", "0.12\\1700000000_1",
                                  "0.60/1700000000_1", "-1.12/1700000000_1"};
    for (const char* value : values) {
        fresh();
        std::ofstream(root + "/secret.ids") << planted;
        writeCacheFile("12/1700000000_1.ids", planted);
        writeCacheFile("60/1700000000_1.ids", planted);
        configured({{"${APPL}", "docs"}, {"${ZGWIDS}", value}}, "BASE docs HTMLDEFAULT http://host/gone\n");
        EXPECT_EQ(gw->cgiParse(), -1) << value;
        EXPECT_NE(gw->findresult.findString.view(), "planted") << value;
        EXPECT_TRUE(gw->findresult.rid.empty()) << value;
        EXPECT_EQ(gw->skipFind, 0) << value;
        // Answered exactly like a file that is gone: the redirect of the application.
        EXPECT_EQ(written(), "Location: http://host/gone\n\n") << value;
    }
}

TEST_F(SavedState, OnlyRegularFilesAreRead) {
    writeCacheFile("5/100_1.ids", kRecord);
    ASSERT_EQ(symlink((cache + "/5/100_1.ids").c_str(), (cache + "/5/100_2.ids").c_str()), 0);
    ASSERT_EQ(mkfifo((cache + "/5/100_3.ids").c_str(), 0600), 0);
    std::filesystem::create_directories(cache + "/5/100_4.ids");
    struct Case { const char* value; int error; };
    const Case cases[] = {{"0.5/100_2", ELOOP}, {"0.5/100_3", ENOENT}, {"0.5/100_4", ENOENT}};
    for (const auto& c : cases) {
        configured({{"${ZGWIDS}", c.value}, {"${BASE}", "docs"}});
        EXPECT_EQ(gw->cgiParse(), -1) << c.value;
        EXPECT_EQ(gw->errorText.view(), " document has expired  (errno=" + std::to_string(c.error) + ")")
            << c.value;
        EXPECT_TRUE(gw->findresult.rid.empty()) << c.value;
    }
}

TEST_F(SavedState, SavedUrlStacksOfEveryForm) {
    const char* const names[] = {"7/1700000000_42", "7/3.1700000000_42", "7/D.1700000000_42",
                                 "7/F2.1700000000_42", "59/0_1"};
    for (const char* name : names) {
        fresh();
        writeCacheFile(std::string(name) + ".urs", "APPL=a{BASE=b{}APPL=c{}}");
        configured({{"${ZGWURLSAVE}", name}, {"${SAVEHTML}", "s"}, {"${BASE}", "docs"}});
        ASSERT_EQ(gw->cgiParse(), 0) << name << ": " << gw->errorText.view();
        EXPECT_EQ(gw->urlSaveName.view(), name);
        EXPECT_EQ(textsOf(gw->urlStack), (Texts{"APPL=a{BASE=b{", "APPL=c{", "STDHTML=s"})) << name;
        EXPECT_EQ(written(), "") << name;
    }
}

TEST_F(SavedState, UrlStackSizeIsEchoedWhileDebugging) {
    writeCacheFile("7/1_2.urs", "a}b}");
    configured({{"${DEBUG}", "1"}, {"${ZGWURLSAVE}", "7/1_2"}, {"${BASE}", "docs"}});
    ASSERT_EQ(gw->cgiParse(), 0);
    std::string text = written();
    EXPECT_NE(text.find("${ZGWURLSAVE}:7/1_2\nURL Stack Size: 2\n${BASE}:docs\n"), std::string::npos) << text;
}

TEST_F(SavedState, UrlStackFailures) {
    struct Case { const char* name; const char* value; const char* config; std::string text; int line; std::string written; };
    const std::string expired = " document has expired ";
    const Case cases[] = {
        {"file gone", "7/1700000000_42", "", expired, 3774, ""},
        {"file gone, redirect", "7/1700000000_42", "BASE docs HTMLDEFAULT http://host/x\n", "OK", 0,
         "Location: http://host/x\n\n"},
        {"traversal to a file beside the cache", "../secret", "", expired, 3774, ""},
        {"absolute path", "/tmp/1_2", "", expired, 3774, ""},
        {"backslash", "7\\1_2", "", expired, 3774, ""},
        {"unknown prefix", "7/X.1_2", "", expired, 3774, ""},
        {"prefix without a stamp", "7/D.", "", expired, 3774, ""},
        {"F without a number", "7/F.1_2", "", expired, 3774, ""},
        {"traversal, redirect", "7/../../x", "BASE docs HTMLDEFAULT http://host/x\n", "OK", 0,
         "Location: http://host/x\n\n"},
    };
    for (const auto& c : cases) {
        fresh();
        std::ofstream(root + "/secret.urs") << "STOLEN}";
        configured({{"${APPL}", "docs"}, {"${ZGWURLSAVE}", c.value}}, c.config);
        EXPECT_EQ(gw->cgiParse(), -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorFile.view(), "") << c.name << ": the error file stays as it was";
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
        EXPECT_TRUE(gw->urlStack.empty()) << c.name;
    }
}

TEST(CacheNames, FormsTheProgramWrites) {
    struct Case { const char* name; bool ids; bool urlSave; };
    const Case cases[] = {
        {"0/1_1", true, true},
        {"59/1700000000_4242", true, true},
        {"9/18446744073709551615_2147483647", true, true},
        {"12/0.1_2", false, true},
        {"12/123.1_2", false, true},
        {"12/D.1_2", false, true},
        {"12/F2.1_2", false, true},
        {"12/F.1_2", false, false},
        {"12/d.1_2", false, false},
        {"12/DD.1_2", false, false},
        {"12/-1.1_2", false, false},
        {"60/1_2", false, false},
        {"05/1_2", false, false},
        {"/1_2", false, false},
        {"12/1_2.", false, false},
        {"12/1_2_3", false, false},
        {"12/1__2", false, false},
        {"12/123456789012345678901_2", false, false},
        {"12/1_12345678901", false, false},
        {"12/1_2/x", false, false},
        {"../1_2", false, false},
        {"12/../1_2", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isIdsName(c.name), c.ids) << c.name;
        EXPECT_EQ(isUrlSaveName(c.name), c.urlSave) << c.name;
    }
    for (const char* key : {"0", "12", "999999999"}) EXPECT_TRUE(isRecordPosition(key)) << key;
    for (const char* key : {"", "-1", "+1", "1x", "1000000000"}) EXPECT_FALSE(isRecordPosition(key)) << key;
}

}  // namespace

// Tests of saved results (${ZGWIDS}) and saved URL stacks (${ZGWURLSAVE}) read back from
// the page cache: the expiry rule with and without its redirect, the bounds of what is
// read, and names from the request that must never open anything but a cache file of
// the program's own. Reading them back on the way is followed end to end (History,
// SearchPage.PagesFollowTheirLinksForwardAndBack).

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "entry/cache_names.h"
#include "entry/url_stack_format.h"
#include "support/gateway_fixture.h"

namespace {

using Texts = std::vector<std::string>;
using SavedState = GatewayTest;

TEST_F(SavedState, SavedResultsThatCannotBeReadAreAnsweredAsExpired) {
    struct Case { const char* name; std::string value; const char* config; std::string text; const char* file;
                  int line; std::string written; };
    const std::string expired = " document has expired ";
    const std::string gone = expired + " (errno=2)";
    const Case cases[] = {
        {"empty value: no key", "", "", expired, "", 201, ""},
        {"no name", "3", "", expired, "", 203, ""},
        // A file that is gone is answered end to end (RequestPath.RequestsEndingWithoutALogin).
        {"file gone, redirect of the application", "0.12/1700000000_2",
         "BASE other HTMLDEFAULT http://elsewhere/\nBASE DOCS HTMLDEFAULT http://host/gone\n", "OK", "", 0,
         "Location: http://host/gone\n\n"},
        // Names that are not of the program's own forms (tested one by one in CacheNames)
        // are answered exactly like a file that is gone, whatever file they would reach.
        {"traversal to a file beside the cache", "0.../secret", "", gone, "src/zgwhtml", 3667, ""},
        {"traversal out of a slot", "0.12/../../secret", "", gone, "src/zgwhtml", 3667, ""},
        {"slot 60", "0.60/1700000000_1", "", gone, "src/zgwhtml", 3667, ""},
        // The planted result holds one id: position 1 would be read past the list.
        {"position past the saved ids", "1.12/1700000000_1", "", gone, "src/zgwhtml", 3667, ""},
        {"position far past the saved ids", "999999999.12/1700000000_1", "", gone, "src/zgwhtml", 3667, ""},
        // Only regular files are read: a planted FIFO would hold the request forever.
        {"link", "0.5/100_2", "", expired + " (errno=" + std::to_string(ELOOP) + ")", "src/zgwhtml", 3667, ""},
        {"FIFO", "0.5/100_3", "", gone, "src/zgwhtml", 3667, ""},
        {"directory", "0.5/100_4", "", gone, "src/zgwhtml", 3667, ""},
    };
    for (const auto& c : cases) {
        fresh();
        const std::string planted = "planted\n0,1,1,99\n";
        for (const char* name : {"12/1700000000_1.ids", "60/1700000000_1.ids", "5/100_1.ids"})
            writeFile(site->cache / name, planted);
        writeFile(site->root / "secret.ids", planted);
        const auto slot = site->cache / "5";
        ASSERT_EQ(symlink((slot / "100_1.ids").c_str(), (slot / "100_2.ids").c_str()), 0);
        ASSERT_EQ(mkfifo((slot / "100_3.ids").c_str(), 0600), 0);
        std::filesystem::create_directories(slot / "100_4.ids");
        configured({{"${APPL}", "docs"}, {"${ZGWIDS}", c.value}, {"${BASE}", "docs"}}, c.config);
        EXPECT_EQ(gw->cgiParse(), -1) << c.name;
        EXPECT_EQ(gw->status, -1) << c.name;
        EXPECT_EQ(gw->errorText.view(), c.text) << c.name;
        EXPECT_EQ(gw->errorFile.view(), c.file) << c.name;
        EXPECT_EQ(gw->errorLine, c.line) << c.name;
        EXPECT_EQ(written(), c.written) << c.name;
        EXPECT_EQ(gw->skipFind, 0) << c.name;
        EXPECT_TRUE(gw->findresult.rid.empty()) << c.name;
        EXPECT_TRUE(engine().callsNamed("ZdbStartZolt").empty()) << c.name;
    }
}

// A stack read back keeps its latest pages within the limits, whatever the file holds;
// a value holding the entry's own separators stays one entry.
TEST_F(SavedState, UrlStacksReadBackAreBounded) {
    std::string deep;
    for (int i = 1; i <= kMaxUrlStackEntries + 8; ++i) deep += "APPL=" + std::to_string(i) + "{}";
    deep += "APPL=" + std::string(kMaxUrlStackEntryBytes, 'x') + "}";
    writeFile(site->cache / "7/1_1.urs", deep);
    configured({{"${ZGWURLSAVE}", "7/1_1"}, {"${SAVEHTML}", "a}b"}, {"${BASE}", "docs"}});
    ASSERT_EQ(gw->cgiParse(), 0) << gw->errorText.view();
    ASSERT_EQ(gw->urlStack.size(), kMaxUrlStackEntries);
    EXPECT_EQ(gw->urlStack.at(0)->view(), "APPL=10{");
    EXPECT_EQ(gw->urlStack.at(kMaxUrlStackEntries - 2)->view(), "APPL=40{");
    EXPECT_EQ(gw->urlStack.at(kMaxUrlStackEntries - 1)->view(), "STDHTML=a%7Db");

    fresh();
    writeFile(site->cache / "7/1_1.urs", std::string(kMaxUrlStackFileBytes + 1, 'x'));
    configured({{"${ZGWURLSAVE}", "7/1_1"}, {"${BASE}", "docs"}});
    EXPECT_EQ(gw->cgiParse(), -1);
    EXPECT_EQ(gw->errorLine, 3774) << "a file no page of ours writes counts as gone";
}

TEST_F(SavedState, UrlStackFailures) {
    struct Case { const char* name; const char* value; const char* config; std::string text; int line;
                  std::string written; };
    const std::string expired = " document has expired ";
    const Case cases[] = {
        {"file gone", "7/1700000000_42", "", expired, 3774, ""},
        // Names of other forms, as for saved results.
        {"traversal to a file beside the cache", "../secret", "", expired, 3774, ""},
        {"traversal, redirect", "7/../../x", "BASE docs HTMLDEFAULT http://host/x\n", "OK", 0,
         "Location: http://host/x\n\n"},
    };
    for (const auto& c : cases) {
        fresh();
        writeFile(site->root / "secret.urs", "STOLEN}");
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
        {"0/1_1", true, true},          {"59/1700000000_4242", true, true},
        {"12/123.1_2", false, true},    {"12/D.1_2", false, true},     {"12/F2.1_2", false, true},
        {"12/F.1_2", false, false},     {"12/d.1_2", false, false},    {"12/-1.1_2", false, false},
        {"60/1_2", false, false},       {"05/1_2", false, false},      {"12/1_2_3", false, false},
        {"12/1_12345678901", false, false},                            {"12/1_2/x", false, false},
        {"../1_2", false, false},       {"12/../1_2", false, false},   {"12\\1_2", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isIdsName(c.name), c.ids) << c.name;
        EXPECT_EQ(isUrlSaveName(c.name), c.urlSave) << c.name;
    }
    for (const char* key : {"0", "12", "999999999"}) EXPECT_TRUE(isRecordPosition(key)) << key;
    for (const char* key : {"", "-1", "+1", "1x", "1000000000"}) EXPECT_FALSE(isRecordPosition(key)) << key;
}

}  // namespace

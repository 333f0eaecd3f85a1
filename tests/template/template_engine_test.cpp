// Tests of the template engine on the engine double: the scan's rewrites and limits,
// the variables that need no record, conditions and loops (hostile templates included),
// the navigation links, and finding the template file safely.

#include <sys/stat.h>

#include "cgi/url_decode.h"
#include "entry/error_place.h"
#include "support/gateway_fixture.h"

namespace {

namespace fs = std::filesystem;

class TemplateEngineTest : public GatewayTest {
protected:
    // Renders `text` as the page's template and returns what it wrote.
    std::string render(const std::string& text) {
        response.reset();  // the old capture restores standard output when it goes
        response = std::make_unique<CapturedResponse>();
        gw->page.render(text);
        return written();
    }
    // A controller in the state of a search of `records` records (positions only:
    // the FORD mode DUMMY reads no record in the record loop).
    void result(int records) {
        gw = std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
        gw->findresult.rfound = records;
        gw->findresult.fordMode = 3;
        gw->applName = "docs";
        gw->baseName = "docs";
        gw->findresult.htmlTemplate = "list";
        gw->cacheGiven = 1;
        gw->idsName = "7/100_9";
        for (int i = 0; i < records; ++i) gw->findresult.rid.add(std::to_string(100 + i));
    }
};

constexpr const char* kScript = "/cgi-bin/zoltgate";

TEST_F(TemplateEngineTest, ScanCopiesTextAndRewritesOnlyWhatItMust) {
    ScopedEnv script("SCRIPT_NAME", kScript);
    ScopedEnv path("PATH_INFO", std::nullopt);
    struct Case { const char* name; std::string in, out; };
    const std::string longVariable = "${" + std::string(130, 'x') + "}";
    const std::string longElement = "<ZOLT" + std::string(130, 'x') + ">";
    const Case cases[] = {
        {"ordinary tags", "<b>x</b><td>y</td>", "<b>x</b><td>y</td>"},
        {"white space inside an anchor tag", "<a href=\"u\"  target=x\n>t</a> <b> x", "<a href=\"u\"target=x>t</a> <b> x"},
        {"closing loop tag is text", "</ZOLTLOOP>", "</ZOLTLOOP>"},
        {"dollar and digit", "cost $5", "cost $5"},
        {"final dollar lost", "a$", "a"},
        {"unclosed variable written as it stands", longVariable.substr(0, 140), longVariable.substr(0, 140)},
        {"over-long element written without its bracket", longElement, longElement.substr(1)},
        {"element abandoned at a new bracket", "<ZOLTIF x <b>y", "<b>y"},
        {"query after ZGW: ampersand", "${ZGW}&a=1", std::string(kScript) + "?a=1"},
        {"query after ZGW: question mark", "${ZGW}?a=1", std::string(kScript) + "?a=1"},
        {"query after ZGW: other", "${ZGW}a=1", std::string(kScript) + "?a=1"},
        {"names as themselves keep their case", "${base}=${Html}", "${base}=${Html}"},
        {"parameter name before =", "${MAXHITS}=${MAXHITS}.", "${MAXHITS}=1000."},
        {"unknown element", "<ZOLTNONE x>", "<h1> (S) Unknown ZOLT ELEMENT or ATTRIBUTE: ZOLTNONE </h1>"},
        {"unknown condition hides nothing", "<ZOLTIF NOSUCH>t<ZOLTIF END>",
         "<h1> (S) Unknown ZOLT ELEMENT or ATTRIBUTE: NOSUCH </h1>t"},
    };
    for (const auto& c : cases) {
        result(0);
        engine().results["ZdbCheckField"] = ZDB_OK;
        EXPECT_EQ(render(c.in), c.out) << c.name;
    }
}

TEST_F(TemplateEngineTest, RequestValuesAreEscapedForWhereTheyLand) {
    ScopedEnv referer("HTTP_REFERER", "\"><script>x</script>");
    result(1);
    gw->zoltVarA = "<i>a&b</i>";
    gw->baseName = "<b>docs</b>";
    gw->findresult.findString = "a<b \"c\" \xE9";
    gw->findresult.displayTerm = "<t>";
    gw->findresult.thesLevel = 1000000;  // from a saved file: bounded
    EXPECT_EQ(render("${REFERER}|${ZOLTVARA}|${CURRBASE.C}|${FINDSTR}|${DPYTERM}|${DPYTERM.+}"),
              "&quot;&gt;&lt;script&gt;x&lt;/script&gt;|&lt;i&gt;a&amp;b&lt;/i&gt;|&lt;b&gt;docs&lt;/b&gt;|"
              "a&lt;b &quot;c&quot; &eacute;|&lt;t&gt;|%3Ct%3E");
    std::string indent = render("${THLEVEL}");
    EXPECT_EQ(indent.size(), 3u * TemplateEngine::kMaxThesaurusLevel * 6) << indent.substr(0, 60);
}

TEST_F(TemplateEngineTest, Conditions) {
    struct Case { const char* type; int ris, rfound, maxHits, part, startRis; bool shown; };
    const Case cases[] = {
        {"NFIRST", 0, 5, 1000, 0, 0, false}, {"nfirst", 1, 5, 1000, 0, 0, true},
        {"NLAST", 3, 5, 1000, 0, 0, true},   {"NLAST", 4, 5, 1000, 0, 0, false},
        {"NLAST", 1, 5, 2, 0, 0, false},     {"FPART", 0, 5, 1000, 1, 0, true},
        {"NFPART", 0, 5, 1000, 1, 0, false}, {"MORETONE", 0, 2, 1000, 0, 0, true},
        {"MORETONE", 0, -1, 1000, 0, 0, true}, {"ONEONLY", 0, 1, 1000, 0, 0, true},
        {"LESSZERO", 0, -1, 1000, 0, 0, true}, {"MORETMAX", 0, 5, 4, 0, 0, true},
        {"MORERIS", 4, 5, 1000, 0, 0, true}, {"MORERIS", 5, 5, 1000, 0, 0, false},
        {"PREVRIS", 0, 5, 1000, 0, 3, true}, {"PREVRIS", 0, 5, 1000, 0, 0, false},
        {"IFVARA", 0, 5, 1000, 0, 0, false}, {"NOHITS", 0, 0, 1000, 0, 0, false},
        {"NLPART", 0, 5, 1000, 0, 0, true},  {"LPART", 0, 5, 1000, 0, 0, false},
    };
    for (const auto& c : cases) {
        result(0);
        FindResult& r = gw->findresult;
        r.ris = c.ris, r.rfound = c.rfound, r.maxHits = c.maxHits, r.startRis = c.startRis;
        gw->zgwPart = c.part;
        std::string tag = std::string("<ZOLTIF IFTYPE=") + c.type + ">";
        EXPECT_EQ(render("a" + tag + "b<ZOLTIF END>c"), c.shown ? "abc" : "ac") << c.type << " ris " << c.ris;
        EXPECT_EQ(gw->page.htmlOutput, 0) << c.type;
        EXPECT_EQ(gw->page.savedHtmlOutput, 2) << c.type;
    }
    // Conditions do not nest: the inner END switches output back on.
    result(0);
    EXPECT_EQ(render("<ZOLTIF NFIRST>a<ZOLTIF ONEONLY>b<ZOLTIF END>c<ZOLTIF END>d"), "cd");
}

TEST_F(TemplateEngineTest, RecordLoopPagesAndItsLinks) {
    ScopedEnv script("SCRIPT_NAME", kScript);
    result(25);
    gw->findresult.maxPage = 11;
    const std::string link = std::string(kScript) +
                             "?${MAXPAGE}=11&${APPL}=docs&${BASE}=docs&${FORD}=3&${HTML}=list&${ZGWIDS}=";
    EXPECT_EQ(render("<ZOLTLOOP LOOPTYPE=RIS>${CURRRIS},<ZOLTLOOP END>"), "1,2,3,4,5,6,7,8,9,10,");
    EXPECT_TRUE(gw->page.loopStack.empty());

    // The next page starts at 10: BACKWARD goes back to 0, PREVREC and NEXTREC by one.
    struct Case { const char* variable; int ris, topris; std::string position; };
    const Case cases[] = {
        // BACKWARD from 10 to 0 and NEXTREC from 10 are followed in SearchPage.PagesFollowTheirLinks.
        {"${PREVREC}", 10, 10, "9"},
        {"${NEXTREC}", 24, 10, "24"},  // the last record links to itself
        {"${PREVREC}", 0, 0, "0"},     // the first to itself
        {"${BACKWARD}", 3, 3, "3"},    // no page before it
    };
    for (const auto& c : cases) {
        gw->findresult.ris = c.ris;
        gw->findresult.topris = c.topris;
        EXPECT_EQ(render(c.variable), link + c.position + ".7/100_9&${HILITE}=0") << c.variable << " " << c.ris;
        EXPECT_EQ(gw->findresult.ris, c.ris) << c.variable << ": the position is restored";
    }
}

// A record loop that reads records has the records of its next rounds read in one
// engine call, at most twenty at a time, and never more than its rounds read.
TEST_F(TemplateEngineTest, RecordLoopReadsItsRecordsAhead) {
    struct Case { const char* name; int records, ris, maxPage, maxHits; std::vector<std::string> calls; };
    const Case cases[] = {
        {"a page of ten", 25, 0, 11, 1000, {"ZdbReadRecords(0,1,10)"}},
        {"the second page", 25, 10, 11, 1000, {"ZdbReadRecords(0,11,10)"}},
        {"the last page, short", 25, 20, 11, 1000, {"ZdbReadRecords(0,21,5)"}},
        {"no page limit", 45, 0, 0, 1000, {"ZdbReadRecords(0,1,20)", "ZdbReadRecords(0,21,20)", "ZdbReadRecords(0,41,5)"}},
        {"the hit limit ends it", 45, 0, 30, 25, {"ZdbReadRecords(0,1,20)", "ZdbReadRecords(0,21,5)"}},
        {"one record: nothing to gain", 1, 0, 11, 1000, {}},
    };
    for (const auto& c : cases) {
        result(c.records);
        engine().log.clear();
        FindResult& r = gw->findresult;
        r.fordMode = 1, r.ris = c.ris, r.maxPage = c.maxPage, r.maxHits = c.maxHits;
        render("<ZOLTLOOP LOOPTYPE=RIS><ZOLTLOOP END>");
        EXPECT_EQ(engine().callsNamed("ZdbReadRecords"), c.calls) << c.name;
    }
}

TEST_F(TemplateEngineTest, LinkValuesComeBackUnchanged) {
    ScopedEnv script("SCRIPT_NAME", kScript);
    result(2);
    gw->applName = "a&b";
    gw->findresult.showString = "f=x +%&#'\"<>";
    gw->findresult.findString = "C++ & 50% #1";
    gw->cacheGiven = 0;  // the whole saved result travels in the link
    gw->maxHitsGiven = 1;
    std::string link = render("${NEXTREC}");
    ASSERT_EQ(link.find('"'), std::string::npos) << link;
    ASSERT_EQ(link.find('\''), std::string::npos) << link;
    gw->findresult.ris = 1;  // the saved result as the link wrote it, at the next record
    const std::string saved = std::string("1.") + gw->getFarg();
    EntryList entries;
    decodeUrlEncoded(entries, link.substr(link.find('?') + 1));
    Pairs expected = {{"${APPL}", "a&b"}, {"${BASE}", "docs"}, {"${FORD}", "3"}, {"${HTML}", "list"},
                      {"${ZGWIDS}", saved}, {"${HILITE}", "0"},
                      {"${MAXHITS}", "1000"}, {"${ZOLTSHOW}", "f=x +%&#'\"<>"}};
    EXPECT_EQ(pairsOf(entries), expected);
}

// The page history: a save variable writes the stack it received and this page's
// entry; a link back writes the chosen entry and saves the entries below it for the
// page it leads to. File names come from the page's slot and stamp alone.
TEST_F(TemplateEngineTest, UrlStackSavesAndLinksBack) {
    ScopedEnv script("SCRIPT_NAME", kScript);
    const std::string entries[] = {"APPL=a{BASE=b{ZLTHTML=h1{FORD=1{RIS=0.7/1_1{FIND=x{",
                                   "APPL=a{BASE=b{ZLTHTML=h2{MAXPAGE=5{FORD=2{RIS=0,0,-999{FIND=TI=c%7Bd&{",
                                   "APPL=a{BASE=b{ZLTHTML=h3{FORD=1{RIS=3.7/1_1{FIND={"};
    const std::string links[] = {"${HTML}=h1&${FORD}=1&${ZGWIDS}=0.7/1_1", "${HTML}=h2&${MAXPAGE}=5&${FORD}=2&TI=c%7Bd%26",
                                 "${HTML}=h3&${FORD}=1&${ZGWIDS}=3.7/1_1"};
    auto page = [&](int records, int stack) {
        result(records);
        gw->findresult.cacheDir = site->cache.string();
        gw->page.cacheSlot = "7";
        gw->page.pageStamp = "100_9";
        for (int i = 0; i < stack; ++i) gw->urlStack.add(StrBuf(entries[i]));
        fs::create_directories(site->cache / "7");
    };
    auto file = [&](const std::string& name) { return readFile(site->cache / "7" / (name + ".urs")); };

    struct Link { const char* variable; int position; bool carried; };
    // The last, the first and the one before the last are followed end to end (History);
    // positions beyond the stack stay at its ends.
    const Link cases[] = {{"${FROMURL.9}", 3, true}, {"${FROMURL.-5}", 1, false}, {"${FROMTHIRD}", 3, true}};
    for (const auto& c : cases) {
        page(0, 3);
        const std::string carried = "F" + std::to_string(c.position) + ".100_9";
        EXPECT_EQ(render(c.variable), std::string(kScript) + "?${APPL}=a&${BASE}=b&" + links[c.position - 1] +
                                          (c.carried ? "&${ZGWURLSAVE}=7/" + carried : ""))
            << c.variable;
        std::string below;
        for (int i = 0; i < c.position - 1; ++i) below += entries[i] + "}";
        EXPECT_EQ(file(carried), c.carried ? below : "") << c.variable;
        fs::remove(site->cache / "7" / (carried + ".urs"));
    }
    page(0, 1);
    EXPECT_EQ(render("<ZOLTIF NFIRST>${FROMURL}${CLRURLS}<ZOLTIF END>${FROMURL}"), "") << "cleared while hidden";

    // Saving: the stack, then this page, its search text stored so that it ends nothing.
    struct Save { const char* variable; int records; std::string written, name, position; };
    const Save saves[] = {
        {"${SURLSLI}|${SURLSLI}", 3, "${ZGWURLSAVE}=7/100_9|${ZGWURLSAVE}=7/100_9", "100_9", "1.7/100_9"},
        {"${SURLDUM}", 3, "7/2.100_9", "2.100_9", "2.7/100_9"},
        {"${SURLDUM}", 0, "7/D.100_9", "D.100_9", "0,0,-999"},
    };
    for (const auto& c : saves) {
        page(c.records, 1);
        gw->findresult.ris = 2;
        gw->findresult.topris = 1;
        gw->findresult.findString = "a}b{%";
        EXPECT_EQ(render(c.variable), c.written) << c.variable;
        EXPECT_EQ(file(c.name), entries[0] + "}APPL=docs{BASE=docs{ZLTHTML=list{FORD=3{RIS=" + c.position +
                                    "{FIND=a%7Db%7B%25{}")
            << c.variable;
    }
    // A file that cannot be written: the message goes into the page, the link stays out.
    page(3, 2);
    const std::string none = (site->root / "none").string();
    gw->findresult.cacheDir = none;
    EXPECT_EQ(render("${FROMURL}"), std::string(kScript) + "?${APPL}=a&${BASE}=b&" + links[1] +
                                        "<h1> (S)  cannot open file " + none + "/7/F2.100_9.urs (errno=2) </h1>");
    EXPECT_EQ(gw->errorLine, error_line::kUrlStackLink);
}

TEST_F(TemplateEngineTest, HostileTemplatesEnd) {
    struct Case { const char* name; std::string text; };
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<ZOLTLOOP ITEM>";
    const Case cases[] = {
        {"END without a loop", "a<ZOLTLOOP END><ZOLTLOOP END>b<ZOLTIF END>"},
        {"item loop without a field reference", "<ZOLTLOOP ITEM>x<ZOLTLOOP END><ZOLTLOOP ITEM>y<ZOLTLOOP END>"},
        {"multi-value loop without a field reference", "<ZOLTLOOP ITEM ITEMTYPE=MULTI>x<ZOLTLOOP END>"},
        {"paragraph loop without a field reference", "<ZOLTLOOP PARA>x<ZOLTLOOP END>${AB}"},
        {"part loop without a field reference", "<ZOLTLOOP PART>x<ZOLTLOOP END>"},
        {"record loops nested", "<ZOLTLOOP RIS><ZOLTLOOP RIS>x<ZOLTLOOP END><ZOLTLOOP END>"},
        {"loops nested beyond the limit", deep + "x"},
        {"element at the very end", "<ZOLT"},
        {"variable at the very end", "${AB"},
    };
    for (const auto& c : cases) {
        result(3);
        render(c.text);
        EXPECT_LE(gw->page.loopStack.size(), TemplateEngine::kMaxLoopDepth) << c.name;
        EXPECT_LE(gw->page.loopRounds, TemplateEngine::kMaxLoopRounds + 1) << c.name;
    }
}

TEST_F(TemplateEngineTest, RecordLoopThatEndsAtOnceHidesItsBody) {
    result(5);
    gw->findresult.maxPage = 1;
    EXPECT_EQ(render("a<ZOLTLOOP RIS>${CURRRIS}<ZOLTLOOP END>b"), "ab");
    result(0);
    EXPECT_EQ(render("a<ZOLTLOOP RIS>${CURRRIS}<ZOLTLOOP END>b"), "ab");
}

// Finding the template: the names a request may give and the files they open.
class TemplateFileTest : public TemplateEngineTest {
protected:
    void SetUp() override {
        TemplateEngineTest::SetUp();
        writeFile(site->root / "tpl" / "list.zgw", "list.zgw");
        writeFile(site->root / "tpl" / "list.html", "list.html");
        writeFile(site->root / "tpl" / "page.html", "page.html");
        writeFile(site->root / "tpl" / "sub" / "inner.zgw", "inner");
        writeFile(site->root / "secret.zgw", "secret");
        fs::create_symlink(site->root / "secret.zgw", site->root / "tpl" / "link.zgw");
    }
    // The page a request for template `name` gets, configured with `lines`.
    std::string page(const std::string& name, const std::string& lines, int commandLine = 1) {
        configured({}, lines);
        gw->applName = "docs";
        gw->findresult.htmlTemplate = name;
        gw->commandLineMode = commandLine;
        response.reset();  // the old capture restores standard output when it goes
        response = std::make_unique<CapturedResponse>();
        if (gw->prehtml() != 0) return "error " + std::to_string(gw->errorLine) + ": " + gw->errorText.str();
        return written();
    }
};

TEST_F(TemplateFileTest, NamesOpenOnlyFilesOfTheTemplateDirectory) {
    const std::string dir = "BASE docs ZGWDIR " + (site->root / "tpl").string() + "\n";
    const std::string tpl = (site->root / "tpl").string();
    struct Case { const char* name; std::string lines, text, expected; };
    const Case cases[] = {
        {"suffixes in order", dir + "ZGWSUFFIX zgw html\n", "list", "list.zgw"},
        {"second suffix", dir + "ZGWSUFFIX zgw,html\n", "page", "page.html"},
        {"name with a suffix", dir, "list.html", "list.html"},
        {"directory below the template directory", dir, "sub/inner", "inner"},
        // The parent directory of a configured directory is refused end to end
        // (SearchPage.TemplateNamesOutsideTheirDirectoryAreRefused).
        {"parent directory, no directory configured", "", "../secret",
         "error 95: (S) File not found or open failed: ../secret"},
        {"absolute name", dir, (site->root / "secret").string(),
         "error 95: (S) File not found or open failed: " + (site->root / "secret").string()},
        {"link out of the directory", dir, "link",
         "error 204: (S) File not found or open failed result: link file: " + tpl + "/link.*"},
        {"no such template", dir, "none", "error 204: (S) File not found or open failed result: none file: " + tpl +
                                              "/none.*"},
        {"markup in the name", dir, "<i>", "error 204: (S) File not found or open failed result: &lt;i&gt; file: " +
                                               tpl + "/&lt;i&gt;.*"},
    };
    for (const auto& c : cases) EXPECT_EQ(page(c.text, c.lines), c.expected) << c.name;
}

TEST_F(TemplateFileTest, HeaderSlotAndIdFile) {
    const std::string dir = "BASE docs ZGWDIR " + (site->root / "tpl").string() + "\n";
    EXPECT_EQ(page("list", dir, 0), "Content-Type: text/html\n\nlist.zgw");
    ASSERT_EQ(gw->idsMode, 100);
    const std::string slot = gw->page.cacheSlot.str();
    EXPECT_EQ(gw->idsName.str(), slot + "/" + gw->page.pageStamp.str());
    EXPECT_EQ(readFile(site->cache / (gw->idsName.str() + ".ids")), gw->getFarg());
    struct stat info {};
    ASSERT_EQ(stat((site->cache / (gw->idsName.str() + ".ids")).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A saved result carried in: no new id file.
    configured({}, dir);
    gw->applName = "docs";
    gw->findresult.htmlTemplate = "list";
    gw->idsMode = 100;
    gw->idsName = "3/1_1";
    response.reset();
    response = std::make_unique<CapturedResponse>();
    ASSERT_EQ(gw->prehtml(), 0);
    EXPECT_EQ(gw->idsName.str(), "3/1_1");
}

}  // namespace

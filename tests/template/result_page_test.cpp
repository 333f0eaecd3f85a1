// Tests of whole result pages on the engine double, for what the end-to-end pages do not
// show: a hit list of ${ZOLTFORM} over several window pages and twice in a page, in
// hidden text and for a saved record that is gone, and terms holding characters that a
// link back to their search must escape.

#include "support/gateway_fixture.h"

namespace {

using zdbdouble::DisplayTerm;
using zdbdouble::Record;
using zdbdouble::WindowLine;

class ResultPage : public GatewayTest {
protected:
    // Runs the request with the template `text` (in an application directory).
    std::string pageFor(const std::string& text, Pairs request) {
        writeFile(site->root / "tpl" / "t.zgw", text);
        request.emplace_back("${APPL}", "docs");
        request.emplace_back("${HTML}", "t");
        runRequest(request, "BASE docs ZGWDIR " + (site->root / "tpl").string() + "\n");
        return written();
    }
    // A search of set 1 with the records of the given ids.
    void searchFinds(std::vector<int> ids, int hits) {
        engine().searches = {{ZDB_OK, 0, 0, 0}, {ZDB_OK, 1, static_cast<int>(ids.size()), hits}};
        for (int id : ids) {
            Record record;
            record.id = id;
            record.database = "DOCS";
            engine().sets[1].push_back(record);
        }
    }
};

// Requests run as from the command line (-S): the page has no header.
const char kHeader[] = "";

TEST_F(ResultPage, HitListFromTheWindowPages) {
    searchFinds({17, 23}, 3);
    engine().windowPages = {{WindowLine{"1 Cats & <dogs>", {{3, 4}}}, WindowLine{"2 none", {}}},
                            {WindowLine{"3 cats", {{3, 4}}}}};
    std::string page = pageFor("${ZOLTFORM.short}|<ZOLTIF ONEONLY>x<ZOLTIF END>${ZOLTFORM}",
                               {{"${FREETEXT}", "cats"}, {"${HILITE}", "2"}, {"${ZOLTSHOW}", "f=long"}});
    const std::string list1 = "1 <a class=\"zgwnav\" name=\"hit1\" href=#hit2>Cats</a> &amp; &lt;dogs&gt;\n2 none\n"
                              "3 <a class=\"zgwnav\" name=\"hit2\" href=#hit3>cats</a>\n";
    const std::string list2 = "1 <a class=\"zgwnav\" name=\"hit3\" href=#hit4>Cats</a> &amp; &lt;dogs&gt;\n2 none\n"
                              "3 <a class=\"zgwnav\" name=\"hit4\" href=#hit5>cats</a>\n";
    EXPECT_EQ(page, kHeader + list1 + "|" + list2);
    std::vector<std::string> shows;
    for (const auto& call : engine().callsNamed("ZdbExecuteCcl"))
        if (call.find("SHOW") != std::string::npos) shows.push_back(call);
    EXPECT_EQ(shows, (std::vector<std::string>{"ZdbExecuteCcl(SHOW R=FROM 1 f=short)",
                                               "ZdbExecuteCcl(SHOW R=FROM 1 f=long)"}));
}

TEST_F(ResultPage, HitListInHiddenTextWritesNothing) {
    searchFinds({17, 23}, 3);
    engine().windowPages = {{WindowLine{"1 Cats", {}}}};
    EXPECT_EQ(pageFor("a<ZOLTIF ONEONLY>${ZOLTFORM}<ZOLTIF END>b", {{"${FREETEXT}", "cats"}}),
              std::string(kHeader) + "ab");
    for (const auto& call : engine().callsNamed("ZdbExecuteCcl")) EXPECT_EQ(call.find("SHOW"), std::string::npos);
}

TEST_F(ResultPage, HitListOfASavedRecordThatIsGone) {
    const std::string text = "<ZOLTRIS>${ZOLTFORM}|${NEXTREC}";
    struct Case { const char* name; Pairs request; std::string page; };
    const Case cases[] = {
        {"reported in the page", {}, "<h1> (S) message 11522</h1>|${APPL}=docs&${BASE}=docs&${FORD}=1&${HTML}=t"},
        {"the error template named in later links", {{"${SNHTML}", "gone"}}, "|${APPL}=docs&${BASE}=docs&${FORD}=1&${HTML}=gone"},
    };
    for (const auto& c : cases) {
        fresh();
        writeFile(site->cache / "3/100_7.ids", "cats\n0,2,2,17,23\n");
        zdbdouble::Answer gone;
        gone.code = ZDB_NO_RECORD;
        engine().answer("FIND R=17 AND (cats)", gone);
        Pairs request = c.request;
        request.emplace_back("${ZGWIDS}", "0.3/100_7");
        std::string page = pageFor(text, request);
        EXPECT_EQ(page.substr(0, page.find("&${ZGWIDS}")), c.page) << c.name;
        EXPECT_EQ(engine().integerVariable1, 17) << c.name;
    }
}

TEST_F(ResultPage, DisplayTermsAndTheirLinks) {
    ScopedEnv script("SCRIPT_NAME", "/zg");
    struct Case { const char* name; Pairs request; std::string page; };
    const std::string loop = "<ZOLTLOOP RIS>${DPYTERM}=${MATCHES} ${ZOLTCUR};<ZOLTLOOP END>";
    const Case cases[] = {
        // DISPLAY asks for the bare terms, DISPNORM for the terms as search terms.
        {"display, free text", {{"${FORD}", "DISPLAY"}, {"${FREETEXT}", "cat"}},
         "cat=3 ${APPL}=docs&${BASE}=docs&${FREETEXT}=cat;c&amp;a+t=1 ${APPL}=docs&${BASE}=docs&${FREETEXT}=c%26a%2Bt;"},
        {"dispnorm, form field", {{"${FORD}", "DISPNORM"}, {"T I", "cat"}},
         "TI=cat=3 ${APPL}=docs&${BASE}=docs&T+I=%27TI%3Dcat%27;TI=c&amp;a+t=1 ${APPL}=docs&${BASE}=docs&"
         "T+I=%27TI%3Dc%26a%2Bt%27;"},
    };
    for (const auto& c : cases) {
        fresh();
        engine().display = zdbdouble::Display{1, {DisplayTerm{"TI=cat", "cat", 3}, DisplayTerm{"TI=c&a+t", "c&a+t", 1}}, {}};
        EXPECT_EQ(pageFor(loop, c.request), kHeader + c.page) << c.name;
    }
}

}  // namespace

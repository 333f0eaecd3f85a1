// End-to-end tests of search requests: build/zoltgate searches databases that build/
// zoltdb made and renders the result with a template, as a web server would run it.
// Record loops, paging links followed as a browser follows them, field references with
// their flags, hit marks, EMPTY tests, clusters, sorting, the no-hits template, and
// record text that holds markup and non-ASCII letters.

#include <gtest/gtest.h>

#include "e2e/gateway_site.h"

namespace {

using namespace e2e;

const char kHeader[] = "Content-Type: text/html\n\n";

// An item that the engine hands out in three pieces.
const std::string kLongItem = std::string(1500, 'n') + std::string(1500, 'N') + "end";

// docs: three records with a PHRASE field TI, a TEXT field TX (paragraphs), a part
// field CH, a year and a date; news: one record; many: 25 records for paging.
class SearchPage : public GatewaySite {
protected:
    void SetUp() override {
        GatewaySite::SetUp();
        const std::string schema =
            R"({"name": "DOCS", "fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"},)"
            R"( {"name": "CH", "type": "TEXT", "parts": true}, {"name": "YEAR", "type": "INTEGER"},)"
            R"( {"name": "DUE", "type": "PHRASE"}, {"name": "NOTE", "type": "PHRASE"}, {"name": "URL", "type": "PHRASE"},)"
            R"( {"name": "STATUS", "type": "PHRASE"}]})";
        const std::string docs =
            R"({"id": 1, "TI": ["Cats <b>bold</b>", "Felines"], "TX": ["Cats sleep a lot.", "Second para with cats."],)"
            R"( "YEAR": 2001, "DUE": "01.01.2026", "parts": [{"CH": "part one cats"}, {"CH": "part two"}]})"
            "\n"
            R"({"id": 2, "TI": "Dogs & cats", "TX": "Dogs bark. Caf\u00e9 cr\u00e8me.", "YEAR": 1999})"
            "\n"
            R"({"id": 3, "TI": ["alpha1", "beta22", "gamma3"], "URL": ["www.example.org", "HTTP://X.ORG"],)"
            R"( "DUE": "31.12.2099", "STATUS": "Open", "NOTE": ")" + kLongItem + "\"}\n";
        std::string many;
        for (int i = 1; i <= 25; ++i)
            many += R"({"id": )" + std::to_string(i) + R"(, "TI": "Cat )" + std::to_string(i) + R"("})" "\n";
        const std::string news = R"({"id": 7, "TI": "News of cats", "TX": "Cats in the news."})" "\n";
        ASSERT_TRUE(makeDatabase("docs", schema, docs) && makeDatabase("news", schema, news) &&
                    makeDatabase("many", schema, many));
        writeConfig("BASE docs ZGWDIR " + templates_.string() + "\nBASE many ZGWDIR " + templates_.string() +
                    "\nBASE news ZGWDIR " + templates_.string() + "\n");
    }
};

TEST_F(SearchPage, SearchModesRenderTheirResults) {
    const std::string list = "${MATCHES}/${RECORDS}|<ZOLTLOOP LOOPTYPE=RIS>${CURRRIS}:${CURRRID}:${TI.1};<ZOLTLOOP END>";
    struct Case { const char* name; Parameters request; std::string out; };
    const Case cases[] = {
        {"FIND in every field", {{"${APPL}", "docs"}, {"${FREETEXT}", "bark"}}, "1/1|1:2:Dogs &amp; cats;"},
        {"FIND in a field", {{"${APPL}", "docs"}, {"TI", "dogs"}}, "1/1|1:2:Dogs &amp; cats;"},
        {"FIND of two fields", {{"${APPL}", "docs"}, {"TI", "cats"}, {"TX", "sleep"}},
         "2/1|1:1:Cats &lt;b&gt;bold&lt;/b&gt;;"},
        {"FUZZY with near words", {{"${APPL}", "docs"}, {"${FORD}", "FUZZ"}, {"${FUZZ}", "1"}, {"${FREETEXT}", "barks"}},
         "1/1|1:2:Dogs &amp; cats;"},
        {"sorted by year", {{"${APPL}", "docs"}, {"${FREETEXT}", "cats"}, {"${SORT}", "YEAR"}},
         "5/2|1:2:Dogs &amp; cats;2:1:Cats &lt;b&gt;bold&lt;/b&gt;;"},
        {"sorted by year, descending", {{"${APPL}", "docs"}, {"${FREETEXT}", "cats"}, {"${SORT}", "YEAR/DESC"}},
         "5/2|1:1:Cats &lt;b&gt;bold&lt;/b&gt;;2:2:Dogs &amp; cats;"},
        {"reversed", {{"${APPL}", "docs"}, {"${FREETEXT}", "cats"}, {"${CCL}", "define reverse"}},
         "5/2|1:2:Dogs &amp; cats;2:1:Cats &lt;b&gt;bold&lt;/b&gt;;"},
        {"cluster of two databases", {{"${BASE}", "docs"}, {"${BASE}", "news"}, {"${APPL}", "docs"},
                                      {"${FREETEXT}", "dogs"}},
         "2/1|1:2:Dogs &amp; cats;"},
    };
    for (const auto& c : cases) EXPECT_EQ(page(list, c.request), kHeader + c.out) << c.name;

    // In a cluster each record names its database, as the engine names it.
    EXPECT_EQ(page("<ZOLTLOOP RIS>${CURRBASE}:${CURRRID}:${TI.1};<ZOLTLOOP END>|${CURRBASE.C}",
                   {{"${BASE}", "docs"}, {"${BASE}", "news"}, {"${APPL}", "docs"}, {"${FREETEXT}", "cats"}}),
              std::string(kHeader) + "DOCS:1:Cats &lt;b&gt;bold&lt;/b&gt;;DOCS:2:Dogs &amp; cats;news:7:News of cats;"
                                     "|docs,news");
}

TEST_F(SearchPage, NoHitsWithAndWithoutTheirTemplate) {
    writeTemplate("nohits", "none for [${FINDSTR}]<ZOLTIF NOHITS>, no hits<ZOLTIF END><ZOLTIF SYNERR>, error<ZOLTIF END>");
    EXPECT_EQ(page("unused", {{"${APPL}", "docs"}, {"${FREETEXT}", "zebra"}, {"${SNHTML}", "nohits"}}),
              std::string(kHeader) + "none for [zebra], no hits");
    std::string error = page("unused", {{"${APPL}", "docs"}, {"${FREETEXT}", "<zebra>"}});
    EXPECT_NE(error.find("Status: 404"), std::string::npos) << error;
    EXPECT_NE(error.find("&lt;zebra&gt;"), std::string::npos) << error;
    EXPECT_EQ(error.find("<zebra>"), std::string::npos) << error;
}

TEST_F(SearchPage, PagesFollowTheirLinksForwardAndBack) {
    writeTemplate("pages", "<ZOLTLOOP RIS>${CURRRID},<ZOLTLOOP END>|<a href=\"${FORWARD}\">forward</a>"
                           "|<a href=\"${BACKWARD}\">back</a>|<a href=\"${NEXTREC}\">next</a>");
    CgiResult first = get({{"${APPL}", "many"}, {"${FREETEXT}", "cat"}, {"${MAXPAGE}", "11"}, {"${HTML}", "pages"},
                           {"${ZOLTSHOW}", "f=a +%&#'\"<>"}});
    ASSERT_EQ(first.out.substr(0, first.out.find('|')), std::string(kHeader) + "1,2,3,4,5,6,7,8,9,10,");

    std::string forward = hrefAfter(first.out, "|<a");
    std::string second = follow(first.out, "|<a");
    EXPECT_EQ(second.substr(0, second.find('|')), std::string(kHeader) + "11,12,13,14,15,16,17,18,19,20,")
        << forward;
    // The request's own values go into the links encoded as link values, on every page.
    const std::string show = "${ZOLTSHOW}=f%3Da+%2B%25%26%23%27%22%3C%3E";
    EXPECT_TRUE(forward.ends_with(show)) << forward;
    EXPECT_TRUE(hrefAfter(second, "|<a").ends_with(show)) << hrefAfter(second, "|<a");

    struct Case { const char* link; std::string records; };
    const Case cases[] = {
        {"|<a", "21,22,23,24,25,"}, {"forward</a>|", "1,2,3,4,5,6,7,8,9,10,"},
        // After the loop the position is the first record not shown (21); the next record
        // link goes one further.
        {"back</a>|", "22,23,24,25,"},
    };
    for (const auto& c : cases) {
        std::string out = follow(second, c.link);
        EXPECT_EQ(out.substr(0, out.find('|')), kHeader + c.records) << c.link;
    }
}

TEST_F(SearchPage, FieldReferencesWithTheirFlags) {
    struct Case { const char* name; std::string snippet, out; const char* search = "cats felines"; };
    const std::string cats = "<b>Cats</b> &lt;b&gt;bold&lt;/b&gt;";
    const Case cases[] = {
        {"all items", "${TI}", cats + "<b>Felines</b>"},
        {"first item", "${TI.1}", cats},
        {"all items from the first", "${TI.-1}", cats + "<b>Felines</b>"},
        {"separator", "${TI.S', '}", cats + ", <b>Felines</b>"},
        {"separator written after S", "${TI.S/}", cats + "/<b>Felines</b>"},
        {"last item", "${TI.L}", "<b>Felines</b>"},
        {"character limit", "${TI.#6}", "<b>Cats</b> &lt;"},
        {"link value", "${TI.+}", "Cats+%3Cb%3Ebold%3C/b%3EFelines"},
        {"link value with braces", "${TI.!}", "${{Cats+%3Cb%3Ebold%3C/b%3E${{Felines"},
        {"byte codes from the second item on", "${TI.2.@}", "70101108105110101115"},
        {"cut at a blank", "${TI.B }", "<b>Cats</b><b>Felines</b>"},
        {"filler after a short item", "${TI.2.%10}", "<b>Felines</b>&#160;"},
        {"filler for an empty field", "${NOTE.%2}", "&#160;&#160;&#160;"},
        {"paragraph", "${TX.2}", "Second para with <b>cats</b>."},
        {"all paragraphs", "${TX.*}", "<b>Cats</b> sleep a lot.Second para with <b>cats</b>."},
        {"all paragraphs, limited", "${TX.F10}", "<b>Cats</b> sleep"},
        {"part 1", "${1.CH}", "part one <b>cats</b>"},
        {"a part that is not there", "${3.CH}", ""},
        {"part loop", "<ZOLTLOOP PART>{${CH}:${CURPART}}<ZOLTLOOP END>", "{part one <b>cats</b>:1}{part two:2}"},
        {"paragraph loop", "<ZOLTLOOP PARA>[${TX}]<ZOLTLOOP END>",
         "[<b>Cats</b> sleep a lot.][Second para with <b>cats</b>.]"},
        {"item loop", "<ZOLTLOOP ITEM>(${TI})<ZOLTLOOP END>", "(" + cats + ")(<b>Felines</b>)"},
        {"multi-value loop", "<ZOLTLOOP ITEM ITEMTYPE=MULTI>(${TI.C})<ZOLTLOOP END>", "(" + cats + ")(<b>Felines</b>)"},
        {"unknown field", "${NOSUCH.1}", "<h1> (S) ${NOSUCH.1} Unknown field &#39;NOSUCH&#39;</h1>"},
        // Items of six characters: the limit cuts the second, the separators stay.
        {"character limit over items", "${TI.S, .#10}", "<b>alpha1</b>, beta, ", "alpha1"},
        {"item limit with separator", "${TI.M2.S/}", "<b>alpha1</b>/beta22", "alpha1"},
        {"link prefix, any case", "${URL.H.S|}", "http://www.example.org|HTTP://X.ORG", "alpha1"},
        {"an item of three pieces", "${NOTE}", kLongItem, "alpha1"},
    };
    for (const auto& c : cases) {
        std::string out = page("<ZOLTLOOP RIS>" + c.snippet + "<ZOLTLOOP END>|after",
                               {{"${APPL}", "docs"}, {"${FREETEXT}", c.search}, {"${HILITE}", "1"}});
        EXPECT_EQ(out, kHeader + c.out + "|after") << c.name << ": " << c.snippet;
    }
}

TEST_F(SearchPage, HitsMarkedWithTagsOrAnchors) {
    const Parameters search{{"${APPL}", "docs"}, {"${FREETEXT}", "cats felines"}};
    auto with = [&](std::vector<std::pair<std::string, std::string>> more) {
        Parameters request = search;
        request.insert(request.end(), more.begin(), more.end());
        return request;
    };
    const std::string tx = "<ZOLTLOOP RIS>${TX.*}<ZOLTLOOP END>";
    EXPECT_EQ(page(tx, with({})), std::string(kHeader) + "Cats sleep a lot.Second para with cats.");
    EXPECT_EQ(page(tx, with({{"${HILITE}", "1"}, {"${HILITEATTR}", "<em class=x>"}})),
              std::string(kHeader) + "<em class=x>Cats</em> sleep a lot.Second para with <em class=x>cats</em>.");
    EXPECT_EQ(page("${FIRSTHIT}" + tx, with({{"${HILITE}", "2"}})),
              std::string(kHeader) + "<a href=#hit1></a><a class=\"zgwnav\" name=\"hit1\" href=#hit2>Cats</a> sleep a lot."
                                     "Second para with <a class=\"zgwnav\" name=\"hit2\" href=#hit3>cats</a>.");
}

TEST_F(SearchPage, EmptyTests) {
    struct Case { const char* name; std::string snippet, out; const char* search = "felines"; };
    const Case cases[] = {
        {"ISEMPTY over an empty field", "<ZOLTIF ISEMPTY>${NOTE}empty<ZOLTIF END>", "empty"},
        {"ISEMPTY over a field with text", "<ZOLTIF ISEMPTY>${TI}empty<ZOLTIF END>", ""},
        {"ISEMPTY over an item that is not there", "<ZOLTIF ISEMPTY>${TI.5}empty<ZOLTIF END>", "empty"},
        {"NEMPTY over an item", "<ZOLTIF NEMPTY>${TI.2}x<ZOLTIF END>", "Felinesx"},
        {"text after the test", "<ZOLTIF NEMPTY>${NOTE}x<ZOLTIF END>y", "y"},
        {"second item holds", "<ZOLTIF NEMPTY>${DUE.\xA3" "B20000101STATUS=open#TI=ALPHA1}x<ZOLTIF END>", "x",
         "alpha1"},
        {"second item does not hold", "<ZOLTIF NEMPTY>${DUE.\xA3" "B20000101STATUS=open#TI=beta22}x<ZOLTIF END>", "",
         "alpha1"},
        {"date passed, item holds", "<ZOLTIF NEMPTY>${DUE.\xA3" "B20000101TI=Felines}x<ZOLTIF END>", ""},
        {"unknown field in the condition", "<ZOLTIF NEMPTY>${DUE.\xA3" "B20000101NOSUCH=x}x<ZOLTIF END>",
         "<h1> (S) NOSUCH Unknown field &#39;NOSUCH&#39;</h1>", "alpha1"},
    };
    for (const auto& c : cases) {
        std::string out = page("<ZOLTLOOP RIS>" + c.snippet + "<ZOLTLOOP END>",
                               {{"${APPL}", "docs"}, {"${FREETEXT}", c.search}});
        EXPECT_EQ(out, kHeader + c.out) << c.name;
    }
}

TEST_F(SearchPage, RecordTextWithMarkupAndNonAsciiLetters) {
    const std::string text = "<ZOLTLOOP RIS>${TI}|${TX}|${TI.+}<ZOLTLOOP END>|${FINDSTR}";
    const Parameters request{{"${APPL}", "docs"}, {"${FREETEXT}", "bark"}};
    EXPECT_EQ(page(text, request), std::string(kHeader) + "Dogs &amp; cats|Dogs bark. Caf&eacute; cr&egrave;me.|"
                                                          "Dogs+%26+cats|bark");
    writeConfig("ENCODING UTF\nBASE docs ZGWDIR " + templates_.string() + "\n");
    EXPECT_EQ(page(text, request), std::string(kHeader) + "Dogs &amp; cats|Dogs bark. Caf\xC3\xA9 cr\xC3\xA8me.|"
                                                          "Dogs+%26+cats|bark");
}

TEST_F(SearchPage, TemplateNamesOutsideTheirDirectoryAreRefused) {
    writeFile(root_ / "secret.zgw", "secret");
    writeConfig("MSG-LEVEL 1\nBASE docs ZGWDIR " + templates_.string() + "\n");
    EXPECT_EQ(get({{"${APPL}", "docs"}, {"${FORD}", "DUMMY"}, {"${HTML}", "../secret"}}).out,
              errorPage("(S) File not found or open failed: ../secret", "src/zgwhtml(95)"));
}

// The hit list in the engine's window with its hits as anchors; terms of a display,
// bare (DISPLAY) or as search terms (DISPNORM), each linking to its search.
TEST_F(SearchPage, DisplayListsAndHitList) {
    EXPECT_EQ(page("${ZOLTFORM}", {{"${APPL}", "docs"}, {"${FREETEXT}", "cats"}, {"${HILITE}", "2"}}),
              std::string(kHeader) + "1 <a class=\"zgwnav\" name=\"hit1\" href=#hit2>Cats</a> &lt;b&gt;bold&lt;/b&gt;; "
                                     "Felines\n2 Dogs &amp; <a class=\"zgwnav\" name=\"hit2\" href=#hit3>cats</a>\n");
    const std::string terms = "<ZOLTLOOP RIS>${DPYTERM}=${MATCHES} ${ZOLTCUR};<ZOLTLOOP END>";
    const std::string link = " ${APPL}=docs&${BASE}=docs&";
    EXPECT_EQ(page(terms, {{"${APPL}", "docs"}, {"${FORD}", "DISPLAY"}, {"${FREETEXT}", "TI=felines"}}),
              kHeader + ("felines=1" + link + "${FREETEXT}=felines;gamma3=1" + link + "${FREETEXT}=gamma3;"));
    EXPECT_EQ(page(terms, {{"${APPL}", "docs"}, {"${FORD}", "DISPNORM"}, {"TI", "felines"}}),
              kHeader + ("TI=felines=1" + link + "TI=%27TI%3Dfelines%27;TI=gamma3=1" + link + "TI=%27TI%3Dgamma3%27;"));
}

}  // namespace

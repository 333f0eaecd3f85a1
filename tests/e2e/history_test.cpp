// End-to-end test of the page history: a reader goes from a result list to a record and
// on to a third page, each link saving the pages before it, and comes back to each
// page through the links the pages write, as a browser follows them.

#include <gtest/gtest.h>

#include "e2e/gateway_site.h"

namespace {

using namespace e2e;

class History : public GatewaySite {
protected:
    void SetUp() override {
        GatewaySite::SetUp();
        std::string records;
        for (int i = 1; i <= 12; ++i)
            records += R"({"id": )" + std::to_string(i) + R"(, "TI": "Cat {)" + std::to_string(i) + "}\"}\n";
        ASSERT_TRUE(makeDatabase("many", R"({"fields": [{"name": "TI", "type": "PHRASE"}]})", records));
        writeConfig("BASE many ZGWDIR " + templates_.string() + "\n");
        // The list links each record and saves itself; the record page links the third
        // page and saves itself below the list; every page links back.
        writeTemplate("list", "list:<ZOLTLOOP RIS>${CURRRID}<a href=\"${ZGW}${ZOLTCUR}&${HTML}=record&${SURLSLI}\">"
                              "open</a>,<ZOLTLOOP END>");
        writeTemplate("record", "record ${CURRRID}:<ZOLTRIS>${TI}"
                                "<a href=\"${ZGW}${ZOLTCUR}&${HTML}=detail&${SURLCUR}\">detail</a>"
                                "<a href=\"${FROMURL}\">back</a>");
        writeTemplate("detail", "detail ${CURRRID}<a href=\"${FROMURL}\">back</a><a href=\"${FROMFIRST}\">first</a>"
                                "<a href=\"${FROMURL.-1}\">before</a>");
    }
};

// A page without its links' targets: the stamps in them differ from visit to visit.
std::string shown(const std::string& page) { return std::regex_replace(page, std::regex("href=\"[^\"]*\""), ""); }

TEST_F(History, ThreePagesAndBackToEach) {
    // The search text holds "}", which ends an entry in a URL-stack file.
    const std::string list = get({{"${APPL}", "many"}, {"${FREETEXT}", "cat}"}, {"${MAXPAGE}", "5"},
                                  {"${HTML}", "list"}}).out;
    ASSERT_EQ(shown(list), "Content-Type: text/html\n\nlist:1<a >open</a>,2<a >open</a>,3<a >open</a>,4<a >open</a>,");

    const std::string record = follow(list, "3<a");
    ASSERT_EQ(shown(record), "Content-Type: text/html\n\nrecord 3:Cat {3}<a >detail</a><a >back</a>");
    const std::string detail = follow(record, "");
    ASSERT_EQ(shown(detail), "Content-Type: text/html\n\ndetail 3<a >back</a><a >first</a><a >before</a>");

    // Back to the record page, which comes with the list below it and links back to it.
    const std::string recordAgain = follow(detail, "");
    EXPECT_EQ(shown(recordAgain), shown(record));
    EXPECT_EQ(shown(follow(recordAgain, "detail</a>")), shown(list));
    // Back to the first page at once, and to the entry before the last (the list too).
    EXPECT_EQ(shown(follow(detail, "back</a>")), shown(list));
    EXPECT_EQ(shown(follow(detail, "first</a>")), shown(list));
    // And the record page's own link back.
    EXPECT_EQ(shown(follow(record, "detail</a>")), shown(list));
}

}  // namespace

// Tests of the form-argument record: its layout with the cluster table, the round trip
// through getFarg and readFarg, and hostile id files.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "support/gateway_fixture.h"

namespace {

std::unique_ptr<zoltgw> newController() {
    zdbdouble::engine().reset();
    return std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
}

std::vector<std::pair<int, std::string>> pairs(const NumberedList<StrBuf>& list) {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& pair : list) out.emplace_back(pair->key, pair->value.str());
    return out;
}

using Ids = std::vector<std::string>;
using Clusters = std::vector<std::pair<int, std::string>>;

// The record as written, and read back: every field of the state is in the record, so
// that written again it is the same record.
TEST(FormArguments, RecordLayoutAndRoundTrip) {
    struct Case {
        const char* name; std::string findString; Ids ccl; int ris, hits, rfound; Ids rid, clusterNames;
        std::string record;
    };
    const std::vector<Case> cases = {
        {"plain", "cats and dogs", {}, 0, 5, 3, {"17", "23", "40"}, {}, "cats and dogs\n0,5,3,17,23,40\n"},
        // A name is registered once; names compare exactly.
        {"clusters registered in order", "x", {"FIND x"}, 2, 5, 3, {"17.1", "9.2"}, {"DOCS", "NEWS", "DOCS", "docs"},
         "x\nFIND x\n2,5,3,17.1,9.2,;,1.DOCS,2.NEWS,3.docs\n"},
        {"registered text with commas", "y", {}, 0, 2, 2, {"1.1", "2.2"}, {"a,b", "c,,d,", "e"},
         "y\n0,2,2,1.1,2.2,;,1.a,b,2.c,,d,,3.e\n"},
        // Line ends inside the texts would split the record: they are written as blanks.
        {"line ends", "two\nlines\r", {"FIND a\nDELETE S=FROM 1"}, 0, 1, 0, {}, {},
         "two lines \nFIND a DELETE S=FROM 1\n0,1,0\n"},
    };
    for (const auto& c : cases) {
        auto writer = newController();
        writer->findresult.findString = c.findString;
        for (const auto& command : c.ccl) writer->cclCommands.add(StrBuf(command));
        writer->findresult.ris = c.ris;
        writer->findresult.hits = c.hits;
        writer->findresult.rfound = c.rfound;
        for (const auto& id : c.rid) writer->findresult.rid.add(id);
        for (const auto& name : c.clusterNames) writer->createClusterByName(name);
        const std::string record = writer->getFarg();
        EXPECT_EQ(record, c.record) << c.name;

        auto reader = newController();
        EXPECT_EQ(reader->readFarg(std::to_string(c.ris), record), 0) << c.name;
        EXPECT_EQ(std::string(reader->getFarg()), record) << c.name;
        EXPECT_EQ(reader->findresult.startRis, c.ris) << c.name;
        EXPECT_EQ(reader->findresult.topris, c.ris) << c.name;
        EXPECT_EQ(reader->clusterCount, 0) << c.name << ": reading does not register";
    }
}

TEST(FormArguments, ReadingSpecialRecords) {
    // numbers: reverseDefine, ris, hits, rfound.
    struct Case {
        const char* name; std::string key, text; Ids ccl; std::array<int, 4> numbers; Ids rid; Clusters clusters;
    };
    const std::vector<Case> cases = {
        {"key moves the position", "7", "f\n2,9,4,1,2,3\n", {}, {0, 7, 9, 4}, {"1", "2", "3"}, {}},
        {"define reverse", "0", "f\nDefine Reverse\nFIND a\n0,1,1,9\n", {"FIND a"}, {1, 0, 1, 1}, {"9"}, {}},
        {"no item line", "4", "f\nFIND a\n", {"FIND a"}, {0, 4, -1, -1}, {}, {}},
        {"missing numbers", "0", "f\n3\n", {}, {0, 0, -1, -1}, {}, {}},
        {"non-numbers and huge numbers", "x", "f\n-,abc,99999999999999\n", {}, {0, 0, 0, 2147483647}, {}, {}},
        {"CRLF lines", "1", "f\r\nFIND a\r\n1,2,2,8,9\r\n", {"FIND a"}, {0, 1, 2, 2}, {"8", "9"}, {}},
        {"malformed cluster items", "0", "f\n0,1,1,3.1,;,x,1.A,b,.c,-2.N,9\n", {}, {0, 0, 1, 1}, {"3.1"},
         {{1, "A,b,.c"}, {-2, "N,9"}}},
        {"cluster item before any name", "0", "f\n0,1,1,;,lost,2.B\n", {}, {0, 0, 1, 1}, {}, {{2, "B"}}},
        {"items over several lines", "0", "f\n0,1,1,4\n5,;\n1.A\n", {}, {0, 0, 1, 1}, {"4", "5"}, {{1, "A"}}},
    };
    for (const auto& c : cases) {
        auto gw = newController();
        gw->findresult.hits = gw->findresult.rfound = -1;  // "left as they were" shows as -1
        EXPECT_EQ(gw->readFarg(c.key, c.text), 0) << c.name;
        const FindResult& r = gw->findresult;
        EXPECT_EQ(r.findString.view(), "f") << c.name;
        EXPECT_EQ(textsOf(gw->cclCommands), c.ccl) << c.name;
        EXPECT_EQ((std::array{r.reverseDefine, r.ris, r.hits, r.rfound}), c.numbers) << c.name;
        EXPECT_EQ(textsOf(gw->findresult.rid), c.rid) << c.name;
        EXPECT_EQ(pairs(gw->clusters), c.clusters) << c.name;
    }
}

TEST(FormArguments, ManyIdsAreReadWithinTheText) {
    std::string record = "f\n0,20000,20000";
    for (int i = 1; i <= 20000; ++i) record += "," + std::to_string(i);
    auto gw = newController();
    gw->readFarg("0", record);
    ASSERT_EQ(gw->findresult.rid.size(), 20000);
    EXPECT_EQ(gw->findresult.rid.at(19999), "20000");
}

}  // namespace

// Tests of record reading on the engine double: how a saved record is reached (by id,
// by id combined with the search or with the request's own set), the databases its id
// opens, records that are gone, and the end of a broken run. Records of the request's
// own set, in order and reversed, are read in every end-to-end result page.

#include <fstream>
#include <sstream>

#include "support/gateway_fixture.h"

namespace {

using zdbdouble::Answer;
using zdbdouble::Record;
using Texts = std::vector<std::string>;

class RecordReading : public GatewayTest {
protected:
    // The engine calls that reach or read records.
    Texts recordCalls() {
        Texts out;
        for (const auto& call : engine().log)
            if (call.rfind("ZdbExecuteCcl", 0) == 0 || call.rfind("ZdbGetRecordInSearchRis", 0) == 0 ||
                call.rfind("ZdbEraseRecordControl", 0) == 0)
                out.push_back(call);
        return out;
    }
};

Record record(int id) {
    Record r;
    r.id = id;
    r.database = "docs";
    return r;
}

TEST_F(RecordReading, SavedIdsAreFoundAgain) {
    struct Case {
        const char* name; std::string file; Pairs extra; int flags; std::vector<Answer> answers; Texts calls;
        int notFound;
    };
    const Case cases[] = {
        // With the search, so that the hits are known, in History.ThreePagesAndBackToEach.
        {"fuzzy mode finds the combination as FUZZY", "cats\n0,2,2,17,23\n", {{"${FORD}", "FUZZ"}}, 1, {},
         {"ZdbExecuteCcl(FUZZY R=17 AND (cats))", "ZdbGetRecordInSearchRis(4,1)"}, 0},
        {"no search text: by id alone", " \n0,2,2,17,23\n", {}, 1, {},
         {"ZdbExecuteCcl(FIND R=17)", "ZdbGetRecordInSearchRis(4,1)"}, 0},
        {"flag 2 only locates", "cats\n0,2,2,17,23\n", {}, 3, {}, {"ZdbExecuteCcl(FIND R=17 AND (cats))"}, 0},
        {"a refused combination falls back to the id", "cats\n0,2,2,17,23\n", {}, 1, {Answer{5000, -1, {}}},
         {"ZdbExecuteCcl(FIND R=17 AND (cats))", "ZdbExecuteCcl(FIND R=17)", "ZdbGetRecordInSearchRis(4,1)"}, 0},
        {"a record gone since the result was saved", "cats\n0,2,2,17,23\n", {}, 0, {Answer{ZDB_NO_RECORD, -1, {}}},
         {"ZdbExecuteCcl(FIND R=17)", "ZdbEraseRecordControl(rc)"}, 17},
    };
    for (const auto& c : cases) {
        fresh();
        writeFile(site->cache / "3/100_7.ids", c.file);
        Pairs request = {{"${BASE}", "docs"}, {"${ZGWIDS}", "0.3/100_7"}};
        request.insert(request.end(), c.extra.begin(), c.extra.end());
        opened(request);
        for (const auto& answer : c.answers) engine().answer(c.calls.front().substr(14, c.calls.front().size() - 15), answer);
        engine().searches = {{ZDB_OK, 4, 1, 1}};
        engine().sets[4] = {record(17)};
        gw->readZoltRecord(c.flags);
        EXPECT_EQ(recordCalls(), c.calls) << c.name;
        EXPECT_EQ(gw->search.recordNotFoundId, c.notFound) << c.name;
        EXPECT_EQ(gw->db.state, 0) << c.name;
    }
}

TEST_F(RecordReading, HitListOfTheOwnSearchCombinesWithItsSet) {
    opened({{"${BASE}", "docs"}, {"", "cat"}});
    engine().searches = {{ZDB_OK, 3, 2, 2}};
    engine().sets[3] = {record(5), record(6)};
    ASSERT_EQ(gw->doFind(), 0);
    gw->keepSearchSet();
    gw->db.hilite = 1;
    gw->search.hitListShown = true;
    gw->findresult.ris = 1;
    engine().log.clear();
    gw->readZoltRecord(1);
    EXPECT_EQ(recordCalls(), (Texts{"ZdbExecuteCcl(FIND R=6 AND S=3)", "ZdbGetRecordInSearchRis(3,1)"}));
}

TEST_F(RecordReading, ClusterAndThesaurusIdsOpenTheirDatabases) {
    // The last id's level is bounded: it is written out as indentation.
    writeFile(site->cache / "3/100_7.ids", " \n0,4,4,17.2,18.2,19.1,70.-2147483648,;,1.NEWS,2.DOCS\n");
    opened({{"${BASE}", "news,docs"}, {"${ZGWIDS}", "0.3/100_7"}});
    engine().sets[1] = {record(17)};
    engine().searches = {{ZDB_OK, 1, 1, 1}};
    gw->db.hilite = 1;
    Texts opened;
    std::vector<int> clusterFlags;
    for (int ris = 0; ris < 4; ++ris) {
        gw->findresult.ris = ris;
        engine().log.clear();
        gw->readZoltRecord(1);
        for (const auto& call : engine().callsNamed("ZdbExecuteCcl"))
            if (call.find("BASE") != std::string::npos) opened.push_back(call);
        clusterFlags.push_back(gw->search.clusterRecord);
    }
    EXPECT_EQ(opened, (Texts{"ZdbExecuteCcl(BASE DOCS)", "ZdbExecuteCcl(BASE NEWS)", "ZdbExecuteCcl(BASE NEWS)"}))
        << "database 2 is opened once for two records, then database 1; the thesaurus is cluster 1's name";
    EXPECT_EQ(clusterFlags, (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(gw->db.hilite, 0) << "thesaurus terms have no hits to mark";
    EXPECT_EQ(gw->findresult.thesLevel, 64);
    EXPECT_TRUE(gw->search.thesaurusOpen);
}

TEST_F(RecordReading, EngineFailuresBecomeAHeadingInThePage) {
    writeFile(site->cache / "3/100_7.ids", "cats\n0,1,1,17\n");
    opened({{"${BASE}", "docs"}, {"${ZGWIDS}", "0.3/100_7"}});
    engine().answer("FIND R=17 AND (cats)", Answer{5000, -1, {}});
    engine().answer("FIND R=17", Answer{5002, -1, {}});
    engine().messages[5002] = "Syntax <error>";
    gw->readZoltRecord(1);
    EXPECT_EQ(written(), "<h1> (S) Syntax &lt;error&gt;</h1>");
    EXPECT_EQ(gw->db.state, -222);
}

using RecordReadingDeathTest = RecordReading;

TEST_F(RecordReadingDeathTest, PositionPastTheResultEndsTheRunWithACrashLog) {
    // The "fast" style forks here, so the child writes into this test's cache directory.
    GTEST_FLAG_SET(death_test_style, "fast");
    writeFile(site->cache / "3/100_7.ids", "cats\n0,2,2,17,23\n");
    opened({{"${BASE}", "docs"}, {"${ZGWIDS}", "1.3/100_7"}});
    gw->findresult.ris = 2;
    EXPECT_EXIT(gw->readZoltRecord(1), ::testing::ExitedWithCode(0), "");
    // The child ran in the cache directory, which readConfig made current.
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(site->cache)) {
        if (entry.path().filename().string().rfind("zgwcrash_", 0) != 0) continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find("readZoltRecord: ris:2, rfound:2, rid.lenght:2"), std::string::npos) << text.str();
        EXPECT_NE(text.str().find("Cache files id: 3/100_7"), std::string::npos) << text.str();
        found = true;
    }
    EXPECT_TRUE(found) << "a crash log named after the process";
}

}  // namespace

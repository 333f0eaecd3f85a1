// display_test.cpp - DISPLAY: index terms with their record counts, qualified by a
// field, a field view or not at all, over a cluster; the thesaurus's hierarchy with
// its levels and term records; and the codes of each call when something is wrong.

#include <cstring>

#include "codes.h"
#include "engine_fixture.h"
#include "error.h"
#include "messages.h"

namespace {

using enginetest::EngineTest;

const std::vector<std::string> kRecords = {
    R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "Vi improved: a text editor", "YEAR": 1991})",
    R"({"id": 2, "PACKAGE": ["emacs", "emacs-gtk"], "DESCRIPTION": "Emacs, the extensible editor", "parts": [{"CHAPTER": "Editing text"}]})",
    R"({"id": 3, "PACKAGE": "ed", "DESCRIPTION": "the standard editor and", "YEAR": 1971})",
};

const char* kThesaurusSchema = R"({"kind": "THESAURUS", "fields": [
  {"name": "TERM", "type": "PHRASE", "role": "term"}, {"name": "BT", "type": "PHRASE", "role": "broader"},
  {"name": "NT", "type": "PHRASE", "role": "narrower"}, {"name": "NOTE", "type": "TEXT"}]})";

const std::vector<std::string> kTerms = {
    R"({"id": 1, "TERM": "Animals", "NT": ["Mammals", "Birds"]})",
    R"({"id": 2, "TERM": "Mammals", "BT": "Animals"})",
    R"({"id": 3, "TERM": "Dogs", "BT": "Mammals", "NOTE": "domestic dogs"})",
    R"({"id": 4, "TERM": "Birds"})",
    R"({"id": 5, "TERM": "Solar energy", "BT": ["Energy", "Plants"]})",
    R"({"id": 6, "TERM": "Energy"})",
    R"({"id": 7, "TERM": "Plants"})",
};

class Display : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        createDatabase("PACKAGES", enginetest::kPackagesSchema, kRecords);
        ASSERT_EQ(login(), ZDB_OK);
    }
    // The display list as "term count" (index) or "level term id" (thesaurus) lines,
    // the terms asked for bare (n < 0) or as search terms (n > 0).
    std::vector<std::string> list(bool searchTerms = false) {
        std::vector<std::string> out;
        int count = 0, kind = 0;
        if (ZdbGetDisplay(&count, &kind) != ZDB_OK) return {"no display"};
        for (int n = 1; n <= count; ++n) {
            char term[1024];
            int length = sizeof term, value = 0;
            if (ZdbGetDisplayTerm(searchTerms ? n : -n, term, &length, &value) != ZDB_OK) break;
            if (static_cast<int>(std::strlen(term)) != length) return {"bad length"};
            int level = 0;
            if (kind == 2 && ZdbGetRecordInThes(rc, n, &level) & 1)
                out.push_back(std::to_string(level) + " " + term + " " + std::to_string(value));
            else
                out.push_back(std::string(term) + " " + std::to_string(value));
        }
        return out;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(Display, IndexTermsFromTheStartWithTheirRecords) {
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    ASSERT_EQ(ccl("DEFINE FIELDVIEW TPH=TEXT,PHRASE"), ZDB_OK);
    struct Case {
        const char* command;
        Lines terms;
    };
    const Case cases[] = {
        {"DISPLAY edit", {"editing 1", "editor 3", "emacs 1", "extensible 1", "gtk 1", "improved 1", "standard 1",
                          "text 2", "the 2", "vi 1", "vim 1"}},
        {"DISPLAY Standard Editor", {"standard 1", "text 2", "the 2", "vi 1", "vim 1"}},
        {"DISPLAY TPH=the", {"the 2", "vi 1", "vim 1"}},
        {"DISPLAY package=e", {"ed 1", "emacs 1", "gtk 1", "vim 1"}},
        {"DISPLAY CHAPTER=", {"editing 1", "text 1"}},
    };
    for (const Case& c : cases) {
        int order = 0;
        ASSERT_EQ(ccl(c.command, &order), ZDB_OK) << c.command;
        EXPECT_EQ(order, ZDB_ORDER_DISPLAY) << c.command;
        EXPECT_EQ(list(), c.terms) << c.command;
    }
    // As search terms: qualified by a field the display named, never by a field view;
    // an operator word quoted. Each finds as many records as the display counted.
    ASSERT_EQ(ccl("DISPLAY PACKAGE=emacs"), ZDB_OK);
    EXPECT_EQ(list(true), (Lines{"PACKAGE=emacs 1", "PACKAGE=gtk 1", "PACKAGE=vim 1"}));
    ASSERT_EQ(ccl("DISPLAY TPH=an"), ZDB_OK);
    EXPECT_EQ(list(true).front(), "\"and\" 1");
    ASSERT_EQ(ccl("FIND \"and\""), ZDB_OK);
    EXPECT_EQ(search().records, 1);
}

TEST_F(Display, ClustersAddTheirCountsAndDeletedRecordsDoNotCount) {
    createDatabase("OTHER", enginetest::kPackagesSchema,
                   {R"({"id": 2, "PACKAGE": "sed", "DESCRIPTION": "stream editor"})"});
    addRecords("PACKAGES", {R"({"id": 3, "PACKAGE": "ed", "DESCRIPTION": "line-oriented"})"});
    ASSERT_EQ(ccl("BASE tmpclust=PACKAGES,OTHER"), ZDB_OK);
    ASSERT_EQ(ccl("DISPLAY editor"), ZDB_OK);
    EXPECT_EQ(list().front(), "editor 3");  // 2 of PACKAGES (record 3 replaced) and 1 of OTHER
    ASSERT_EQ(ccl("DISPLAY standard"), ZDB_OK);
    EXPECT_EQ(list().front(), "stream 1");  // "standard" left with the replaced record
}

TEST_F(Display, FailuresAndTheEmptyDisplay) {
    int count = -1, kind = -1;
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    EXPECT_EQ(ZdbGetDisplay(&count, &kind), zdb::kWrongOrderType) << "no DISPLAY yet";
    // The refused DISPLAY commands are in Search.CommandsRefusedWithTheirCodeAndMessage.
    ASSERT_EQ(ccl("DISPLAY zzz"), ZDB_NO_DISPLAY_HITS);
    EXPECT_EQ(ZdbGetDisplay(&count, &kind), ZDB_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(kind, 1);
    int level = 0;
    EXPECT_EQ(ZdbGetRecordInThes(rc, 1, &level), zdb::kWrongOrderType) << "not a thesaurus display";
    ASSERT_EQ(ccl("DISPLAY vi"), ZDB_OK);
    char term[4];
    int length = sizeof term, value = 0;
    ASSERT_EQ(ZdbGetDisplayTerm(-2, term, &length, &value), ZDB_OK);
    EXPECT_STREQ(term, "vim");
    EXPECT_EQ(ZdbGetDisplayTerm(3, term, &length, &value), 0) << "past the end";
    length = 2;
    ASSERT_EQ(ZdbGetDisplayTerm(-2, term, &length, &value), ZDB_OK);
    EXPECT_STREQ(term, "v") << "cut to the buffer";
    ASSERT_EQ(ccl("BASE PACKAGES"), ZDB_OK);
    EXPECT_EQ(ZdbGetDisplay(&count, &kind), zdb::kWrongOrderType) << "BASE drops the display";
}

TEST_F(Display, ThesaurusGivesItsHierarchyWithLevels) {
    createDatabase("THES", kThesaurusSchema, kTerms);
    ASSERT_EQ(ccl("BASE THES"), ZDB_OK);
    ASSERT_EQ(ccl("DEFINE FIELDVIEW TPH=TEXT,PHRASE"), ZDB_OK);
    struct Case {
        const char* command;
        Lines entries;
    };
    const Case cases[] = {
        {"DISPLAY", {"0 Animals 1", "1 Birds 4", "1 Mammals 2", "2 Dogs 3", "0 Energy 6", "1 Solar energy 5",
                     "0 Plants 7", "1 Solar energy 5"}},
        {"DISPLAY TPH=mam", {"1 Mammals 2", "2 Dogs 3", "0 Energy 6", "1 Solar energy 5", "0 Plants 7",
                             "1 Solar energy 5"}},
        {"DISPLAY TERM=Plants", {"0 Plants 7", "1 Solar energy 5"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ccl(c.command), ZDB_OK) << c.command;
        EXPECT_EQ(list(), c.entries) << c.command;
    }
    // The term record is current after ZdbGetRecordInThes; 0 past the end.
    int level = -1;
    ASSERT_EQ(ZdbGetRecordInThes(rc, 2, &level) & 1, 1);
    EXPECT_EQ(level, 1);
    int field = 0, type = 0, flags = 0;
    EXPECT_EQ(ZdbCheckField(rc, "NOTE", &field, &type, &flags), ZDB_OK);
    EXPECT_EQ(ZdbGetRecordInThes(rc, 3, &level), 0);
    EXPECT_EQ(list(true), (Lines{"0 TERM=Plants 7", "1 TERM=\"Solar energy\" 5"}));
    // Another field than the term field lists its index terms.
    ASSERT_EQ(ccl("DISPLAY NOTE=d"), ZDB_OK);
    EXPECT_EQ(list(), (Lines{"dogs 1", "domestic 1"}));
}

TEST_F(Display, ThesaurusLoadRefusesCyclesAndTwiceGivenTerms) {
    createDatabase("THES", kThesaurusSchema, kTerms);
    struct Case {
        const char* name;
        std::vector<std::string> records;
        int code;
        const char* message;
    };
    const Case cases[] = {
        // A broader term below itself: Zoltdb.ThesaurusLoadsExportsAndRefusesACycle.
        {"a narrower term closing a circle", {R"({"id": 8, "TERM": "Pets", "BT": "Dogs", "NT": "Mammals"})"},
         zdb::kThesaurusCycle, "The broader terms of the thesaurus form a cycle: Mammals > Pets > Dogs > Mammals"},
        {"its own broader term", {R"({"id": 8, "TERM": "Loop", "BT": "loop"})"}, zdb::kThesaurusCycle,
         "The broader terms of the thesaurus form a cycle: Loop > Loop"},
        {"a term twice", {R"({"id": 9, "TERM": "dogs"})"}, zdb::kDuplicateTerm,
         "Thesaurus term 'dogs' is given by two records"},
    };
    for (const Case& c : cases) {
        try {
            addRecords("THES", c.records);
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const zdb::EngineError& error) {
            EXPECT_EQ(error.code(), c.code) << c.name;
            EXPECT_EQ(zdb::fillMessage(*zdb::catalogueText(error.code()), error.argument()), c.message) << c.name;
        }
    }
    ASSERT_EQ(ccl("BASE THES"), ZDB_OK);
    ASSERT_EQ(ccl("DISPLAY dogs"), ZDB_OK);
    EXPECT_EQ(list().front(), "2 Dogs 3") << "nothing of a refused batch is written";
}

}  // namespace

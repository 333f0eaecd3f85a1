// zoltdb_test.cpp - the zoltdb program as an administrator runs it: init, create,
// load (and its error lines), export round trips, delete, info, users,
// procedures, and the shell's fixed output lines.

#include <sys/stat.h>

#include "engine_fixture.h"

namespace {

using enginetest::readFile;
using enginetest::run;
using enginetest::TempDir;
using enginetest::writeFile;

class Zoltdb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path.empty());
        writeFile(dir.path + "/schema.json", enginetest::kPackagesSchema);
        writeFile(dir.path + "/logo.bin", std::string("\x89PNG\0\1\2", 7));
        ASSERT_EQ(zoltdb("init").status, 0);
        ASSERT_EQ(zoltdb("create PACKAGES --schema " + dir.path + "/schema.json").status, 0);
    }
    enginetest::Run zoltdb(const std::string& arguments, const std::string& input = "") {
        std::string command = enginetest::zoltdb() + " --data " + dir.path + " " + arguments;
        if (!input.empty()) {
            writeFile(dir.path + "/input.txt", input);
            command += " < " + dir.path + "/input.txt";
        }
        return run(command);
    }
    TempDir dir;
};

const char* kRecords =
    R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": ["Vi IMproved, a text editor", "Über café"], "YEAR": 1991, "SECTION": "editors"})"
    "\n"
    R"({"id": 2, "PACKAGE": ["emacs", "emacs-gtk"], "DESCRIPTION": "GNU Emacs editor", "YEAR": 1985, "LOGO": {"file": "logo.bin", "type": "image/png"}, "parts": [{"CHAPTER": "Editing"}, {"CHAPTER": "Lisp"}]})"
    "\n\n"
    R"({"id": 3, "PACKAGE": "nano", "DESCRIPTION": "small text editor", "PRICE": 0.5, "DAY": "2020-01-31", "HOUR": "23:15"})"
    "\n";

TEST_F(Zoltdb, LoadThenExportRoundTrips) {
    writeFile(dir.path + "/records.jsonl", kRecords);
    auto load = zoltdb("load PACKAGES " + dir.path + "/records.jsonl");
    ASSERT_EQ(load.status, 0) << load.output;
    EXPECT_NE(load.output.find("PACKAGES: 3 records loaded in "), std::string::npos) << load.output;
    auto first = zoltdb("export PACKAGES");
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find(R"("LOGO":{"type":"image/png","base64":"iVBORwABAg=="})"), std::string::npos)
        << first.output;
    writeFile(dir.path + "/exported.jsonl", first.output);
    ASSERT_EQ(zoltdb("create COPY --schema " + dir.path + "/schema.json").status, 0);
    ASSERT_EQ(zoltdb("load COPY - ", first.output).status, 0);
    auto second = zoltdb("export COPY");
    EXPECT_EQ(second.output, first.output);
    auto info = zoltdb("info PACKAGES");
    ASSERT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("Database: PACKAGES (DATABASE)\nFields:\n  1 PACKAGE PHRASE\n  2 DESCRIPTION TEXT\n"
                               "  3 CHAPTER TEXT parts\n"),
              std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("Formats:\n  short: {PACKAGE} - {DESCRIPTION}\nRecords: 3\nSize: "),
              std::string::npos)
        << info.output;
}

TEST_F(Zoltdb, TheFirstBadRecordStopsTheLoadAndItsBatchIsNotWritten) {
    writeFile(dir.path + "/good.jsonl", kRecords);
    ASSERT_EQ(zoltdb("load PACKAGES " + dir.path + "/good.jsonl").status, 0);
    std::string before = zoltdb("export PACKAGES").output;
    std::string bad = R"({"id": 1, "PACKAGE": "replaced"})" "\n" R"({"id": 9, "PACKAGE": "new"})" "\n"
                      R"({"id": 10, "YEAR": "19x0"})" "\n" R"({"id": 11, "PACKAGE": "never"})" "\n";
    writeFile(dir.path + "/bad.jsonl", bad);
    auto load = zoltdb("load PACKAGES " + dir.path + "/bad.jsonl");
    EXPECT_EQ(load.status, 1);
    EXPECT_EQ(load.output, "zoltdb: " + dir.path + "/bad.jsonl:3: field YEAR: '19x0' is not a valid INTEGER"
                               " (load stopped: 0 records of earlier batches are loaded; nothing of this batch)\n");
    EXPECT_EQ(zoltdb("export PACKAGES").output, before);
    auto json = zoltdb("load PACKAGES -", "{\"id\": 4}\n{\"id\": 5, \"PACKAGE\": \n");
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.output, "zoltdb: <stdin>:2: parse error at line 1, column 22: syntax error while parsing value"
                           " - unexpected end of input; expected '[', '{', or a literal (load stopped: 0 records"
                           " of earlier batches are loaded; nothing of this batch)\n");
    EXPECT_EQ(zoltdb("export PACKAGES").output, before);
}

TEST_F(Zoltdb, BadCommandsSayWhatIsWrong) {
    struct Case {
        const char* arguments;
        const char* output;
    };
    const Case cases[] = {
        {"load NOSUCH x", "zoltdb: Unknown database 'NOSUCH' (no file "},
        {"create bad/name --schema x", "zoltdb: invalid database name 'bad/name' (letters, digits, _ and -, at most 64)"},
        {"create PACKAGES --schema /nonexistent.json", "zoltdb: /nonexistent.json: cannot be read"},
        {"delete PACKAGES 7", "zoltdb: no record 7 in PACKAGES"},
        {"delete PACKAGES x", "zoltdb: invalid record id 'x'"},
        {"init", "zoltdb: Database zolt.sys cannot be written (system database exists: "},
        {"user del nobody", "zoltdb: no user 'nobody'"},
        {"proc add FIND x", "zoltdb: 'FIND' is a command word"},
        {"load PIPE -", "zoltdb: Database PIPE cannot be read: unknown format or damaged file ("},
    };
    ASSERT_EQ(mkfifo((dir.path + "/pipe.zdb").c_str(), 0644), 0);  // would block an open for ever
    for (const Case& c : cases) {
        auto result = zoltdb(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments;
        EXPECT_EQ(result.output.rfind(c.output, 0), 0u) << c.arguments << ": " << result.output;
    }
}

TEST_F(Zoltdb, DeleteRemovesRecords) {
    writeFile(dir.path + "/records.jsonl", kRecords);
    ASSERT_EQ(zoltdb("load PACKAGES " + dir.path + "/records.jsonl").status, 0);
    auto result = zoltdb("delete PACKAGES 1 3");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "PACKAGES: 2 records deleted\n");
    auto shell = zoltdb("shell PACKAGES", "FIND editor\n.records\n");
    EXPECT_EQ(shell.output, "S1: 1 records, 1 hits\n2\n");
}

TEST_F(Zoltdb, ShellPrintsFixedLines) {
    writeFile(dir.path + "/records.jsonl", kRecords);
    ASSERT_EQ(zoltdb("load PACKAGES " + dir.path + "/records.jsonl").status, 0);
    ASSERT_EQ(zoltdb("proc add EDITORS \"FIND editor\" \"FIND S=1 AND YEAR>1990\"").status, 0);
    std::string input =
        "FIND editor\n"
        ".records\n"
        ".records 1\n"
        "FIND xyzzy\n"
        "FIND (editor\n"
        "FUZZY text OR editor\n"
        ".sort YEAR/DESC\n"
        ".records\n"
        ".sort NOSUCH\n"
        ".record 2\n"
        ".record 99\n"
        "EDITORS\n"
        ".display\n"
        "DELETE S=FROM 1\n"
        ".records\n"
        ".nonsense\n";
    auto shell = zoltdb("shell PACKAGES", input);
    EXPECT_EQ(shell.status, 0);
    EXPECT_EQ(shell.output,
              "S1: 3 records, 3 hits\n"
              "1\n2\n3\n"
              "1\n"
              "Error 194: No hits\n"
              "Error 30074: Unbalanced parenthesis at '('\n"
              "S2: 3 records, 5 hits\n"
              "1\n2\n3\n"
              "Error 30012: Unknown sort key 'NOSUCH'\n"
              "PACKAGE: emacs\n"
              "PACKAGE: emacs-gtk\n"
              "DESCRIPTION: GNU Emacs editor\n"
              "[part 1] CHAPTER: Editing\n"
              "[part 2] CHAPTER: Lisp\n"
              "YEAR: 1985\n"
              "LOGO: (BLOB, 7 bytes)\n"
              "Error 226: No record found\n"
              "S3: 3 records, 3 hits\n"
              "S4: 1 records, 2 hits\n"
              "Error 30010: Wrong order type for this call\n"
              "Error 30016: No current search set\n"
              "Unknown shell command .nonsense\n");
}

TEST_F(Zoltdb, ShellPrintsDisplaysPagesSummariesAndExcerpts) {
    writeFile(dir.path + "/records.jsonl", kRecords);
    ASSERT_EQ(zoltdb("load PACKAGES " + dir.path + "/records.jsonl").status, 0);
    std::string input =
        "DISPLAY edit\n"
        ".display\n"
        "FIND editor\n"
        "SHOW R=FROM 2 f=short\n"
        ".show\n"
        ".record 1\n"
        ".summary DESCRIPTION\n"
        ".focus DESCRIPTION 12\n"
        ".summary NOSUCH\n"
        ".focus DESCRIPTION\n";
    auto shell = zoltdb("shell PACKAGES", input);
    EXPECT_EQ(shell.status, 0);
    EXPECT_EQ(shell.output.substr(0, shell.output.find("S1:")),
              "editing (1)\neditor (3)\nemacs (1)\ngnu (1)\ngtk (1)\nimproved (1)\nlisp (1)\nnano (1)\nsmall (1)\n"
              "text (2)\nuber (1)\nvi (1)\nvim (1)\n");
    EXPECT_EQ(shell.output.substr(shell.output.find("S1:")),
              "S1: 3 records, 3 hits\n"
              "-- page 1\n"
              "emacs; emacs-gtk - GNU Emacs [editor]\n"
              "nano - small text [editor]\n"
              "PACKAGE: vim\n"
              "DESCRIPTION: Vi IMproved, a text editor\n"
              "DESCRIPTION: Über café\n"
              "YEAR: 1991\n"
              "SECTION: editors\n"
              "Vi IMproved, a text editor\n"
              "text [editor]\n"
              "Error 30008: Unknown field 'NOSUCH'\n"
              "Usage: .focus FIELD SIZE\n");
}

TEST_F(Zoltdb, ThesaurusLoadsExportsAndRefusesACycle) {
    writeFile(dir.path + "/thesaurus.json", R"({"kind": "THESAURUS", "fields": [
        {"name": "TERM", "type": "STRING", "role": "term"}, {"name": "BT", "type": "PHRASE", "role": "broader"}]})");
    ASSERT_EQ(zoltdb("create THES --schema " + dir.path + "/thesaurus.json").status, 0);
    std::string terms = R"({"id":1,"TERM":"Energy"})" "\n" R"({"id":2,"TERM":"Solar energy","BT":"Energy"})" "\n";
    ASSERT_EQ(zoltdb("load THES -", terms).status, 0);
    EXPECT_EQ(zoltdb("export THES").output, terms);
    EXPECT_NE(zoltdb("info THES").output.find("  1 TERM STRING term\n  2 BT PHRASE broader\n"), std::string::npos);
    auto cycle = zoltdb("load THES -", R"({"id":3,"TERM":"Power","BT":"Solar energy"})" "\n"
                                       R"({"id":1,"TERM":"Energy","BT":"Power"})" "\n");
    EXPECT_EQ(cycle.status, 1);
    EXPECT_EQ(cycle.output, "zoltdb: <stdin>: The broader terms of the thesaurus form a cycle: "
                            "Energy > Power > Solar energy > Energy (load stopped: 0 records of earlier batches "
                            "are loaded; nothing of this batch)\n");
    EXPECT_EQ(zoltdb("export THES").output, terms);
    EXPECT_EQ(zoltdb("shell THES", "DISPLAY\n.display\n").output, "Energy [1]\n  Solar energy [2]\n");
    writeFile(dir.path + "/bad.json", R"({"fields": [{"name": "T", "type": "PHRASE", "role": "term"}]})");
    EXPECT_EQ(zoltdb("create BAD --schema " + dir.path + "/bad.json").output,
              "zoltdb: " + dir.path + "/bad.json: roles belong to THESAURUS schemas only\n");
}

TEST_F(Zoltdb, ShellOpensClustersAndLogsInAsAUser) {
    writeFile(dir.path + "/records.jsonl", kRecords);
    ASSERT_EQ(zoltdb("load PACKAGES " + dir.path + "/records.jsonl").status, 0);
    ASSERT_EQ(zoltdb("create MORE --schema " + dir.path + "/schema.json").status, 0);
    ASSERT_EQ(zoltdb("load MORE -", "{\"id\": 2, \"PACKAGE\": \"ed\", \"DESCRIPTION\": \"line editor\"}\n").status, 0);
    auto cluster = zoltdb("shell PACKAGES,MORE", "FIND editor\n.records\n");
    EXPECT_EQ(cluster.output, "S1: 4 records, 4 hits\n1 PACKAGES\n2 PACKAGES\n3 PACKAGES\n2 MORE\n");
    ASSERT_EQ(zoltdb("user add anna --password secret --databases MORE").status, 0);
    auto refused = zoltdb("shell PACKAGES --user anna --password secret", "FIND editor\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "Error 2530: No access to database PACKAGES\n");
    auto wrong = zoltdb("shell MORE --user anna --password nope", "");
    EXPECT_EQ(wrong.output, "Error 16418: Wrong user name or password\n");
    auto allowed = zoltdb("shell MORE --user anna --password secret", "FIND editor\n");
    EXPECT_EQ(allowed.output, "S1: 1 records, 1 hits\n");
    auto latin1 = zoltdb("shell PACKAGES --charset 1", ".record 1\n");
    EXPECT_NE(latin1.output.find("DESCRIPTION: \xDC" "ber caf\xE9\n"), std::string::npos) << latin1.output;
}

TEST_F(Zoltdb, UsersAndProceduresAreListed) {
    ASSERT_EQ(zoltdb("user add anna --password x --databases A,B").status, 0);
    ASSERT_EQ(zoltdb("user add bob --disabled --expires 31.12.2030 --hours 08:00-18:00").status, 0);
    EXPECT_EQ(zoltdb("user list").output,
              "anna A,B\nbob * disabled expires 2030-12-31 hours 08:00-18:00\nzoltgate *\n");
    EXPECT_EQ(zoltdb("user add carl --expires 2030-02-30").output,
              "zoltdb: invalid date '2030-02-30' (YYYY-MM-DD or DD.MM.YYYY)\n");
    EXPECT_EQ(zoltdb("user add carl --hours 9-17").output,
              "zoltdb: invalid hours '9-17' (HH:MM-HH:MM, two different times)\n");
    ASSERT_EQ(zoltdb("user del bob").status, 0);
    EXPECT_EQ(zoltdb("user list").output, "anna A,B\nzoltgate *\n");
    ASSERT_EQ(zoltdb("proc add NEWS \"FIND editor\" \"FIND S=1 AND YEAR>1990\"").status, 0);
    EXPECT_EQ(zoltdb("proc list").output, "NEWS\n  FIND editor\n  FIND S=1 AND YEAR>1990\n");
    ASSERT_EQ(zoltdb("proc del news").status, 0);
    EXPECT_EQ(zoltdb("proc list").output, "");
    TempDir other;
    auto bare = run(enginetest::zoltdb() + " --data " + other.path + " init --no-public-user");
    ASSERT_EQ(bare.status, 0);
    EXPECT_EQ(run(enginetest::zoltdb() + " --data " + other.path + " user list").output, "");
    ASSERT_EQ(zoltdb("logins close").status, 0);
    EXPECT_EQ(zoltdb("shell PACKAGES", "").output,
              "Error 36322: Login refused for user zoltgate: logins are closed for maintenance\n");
    ASSERT_EQ(zoltdb("logins open").status, 0);
    EXPECT_EQ(zoltdb("shell PACKAGES", "").output, "");
}

}  // namespace

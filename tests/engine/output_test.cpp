// output_test.cpp - summaries, focus excerpts and exports: the sentences a summary
// chooses, focus hits that agree with ZdbGetNextHitWord in every character set and
// excerpts that never cut a character, and HTML files written whole, only inside
// their directory, with the BLOB's bytes unchanged.

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "charset.h"
#include "codes.h"
#include "engine_fixture.h"
#include "summary.h"

namespace {

using enginetest::EngineTest;

class Output : public EngineTest {
protected:
    // Makes record `id` of the set of `query` current.
    void current(const std::string& query, int n = 1) {
        ASSERT_EQ(ccl("FIND " + query), ZDB_OK) << query;
        int set = 0, id = 0;
        char database[ZDB_DATABASE_NAME_SIZE];
        ASSERT_EQ(ZdbGetRecordInSearchRis(rc, &set, n, &id, database) & 1, 1);
    }
    int fieldNumber(const char* name) {
        int field = 0, type = 0, flags = 0;
        EXPECT_EQ(ZdbCheckField(rc, name, &field, &type, &flags), ZDB_OK) << name;
        return field;
    }
    std::string summary(const char* field) {
        ZdbSetCursor(&cursor, rc, fieldNumber(field), 0, 0);
        ZdbSummary handle = nullptr;
        const char* text = "";
        EXPECT_EQ(ZdbStartSummarization(&handle, 1), ZDB_OK);
        EXPECT_EQ(ZdbAccumulateSummarization(handle, cursor), ZDB_OK);
        EXPECT_EQ(ZdbGenerateSummary(handle, &text), ZDB_OK);
        std::string out = text;
        EXPECT_EQ(ZdbEndSummarization(handle), ZDB_OK);
        return out;
    }
    struct Focus {
        std::string text;
        std::vector<std::string> hits;   // the text of each hit
        int count = 0;
    };
    Focus focus(const char* field, int size) {
        ZdbSetCursor(&cursor, rc, fieldNumber(field), 0, 0);
        Focus out;
        int length = 0, hitCount = 0;
        const char* text = nullptr;
        const int* pairs = nullptr;
        EXPECT_EQ(ZdbGetFocus(cursor, &length, &text, &hitCount, &pairs, &out.count, -size), ZDB_OK);
        out.text.assign(text, static_cast<size_t>(length));
        for (int i = 0; i < hitCount; ++i)
            out.hits.push_back(out.text.substr(static_cast<size_t>(pairs[2 * i]), static_cast<size_t>(pairs[2 * i + 1])));
        return out;
    }
    // The hit words of the current record, read from their items as the gateway does.
    std::vector<std::string> hitWords() {
        std::vector<std::string> out;
        int part, field, paragraph, item, position, length;
        std::vector<std::tuple<int, int, int, int, int>> places;
        while (ZdbGetNextHitWord(rc, &part, &field, &paragraph, &item, &position, &length))
            places.emplace_back(field, paragraph, item, position, length);
        for (auto [f, p, i, position, length] : places) {
            std::string text;
            ZdbSetCursor(&cursor, rc, f, p, i);
            readItem(cursor, text);
            out.push_back(text.substr(static_cast<size_t>(position - 1), static_cast<size_t>(length)));
        }
        return out;
    }
    ZdbCursor cursor = nullptr;
};

TEST_F(Output, SummariesTakeTheSentencesWithMostQueryWords) {
    createDatabase("PACKAGES", enginetest::kPackagesSchema, {
        R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": ["Vim is a text editor.", "It runs on Unix. It has a GUI! Vim edits text in modes? The Unix editor vi came first."]})",
        R"({"id": 2, "PACKAGE": "long", "DESCRIPTION": "word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word word unix word word word word word word word word word word word word word word word word word word word word word word."})",
    });
    open();
    struct Case {
        const char* query;
        const char* summary;
    };
    const Case cases[] = {
        {"unix AND editor", "Vim is a text editor. It runs on Unix. ... The Unix editor vi came first."},
        {"text AND vim", "Vim is a text editor. ... Vim edits text in modes?"},
        {"R=1", "Vim is a text editor. It runs on Unix. It has a GUI!"},
    };
    for (const Case& c : cases) {
        current(c.query);
        EXPECT_EQ(summary("DESCRIPTION"), c.summary) << c.query;
    }
    // A sentence longer than a summary is cut to its hits, at words.
    current("unix", 2);
    std::string text = summary("DESCRIPTION");
    EXPECT_LE(text.size(), zdb::kSummaryBytes) << text;
    EXPECT_GT(text.size(), zdb::kSummaryBytes - 10) << text;
    EXPECT_NE(text.find(" unix "), std::string::npos) << text;
    EXPECT_TRUE(text.rfind("word ", 0) == 0 && text.substr(text.size() - 5) == "word.") << text;
    ZdbSummary forged = reinterpret_cast<ZdbSummary>(&text);
    EXPECT_EQ(ZdbEndSummarization(forged), zdb::kInvalidHandle);
    ZdbSummary handle = nullptr;
    EXPECT_EQ(ZdbStartSummarization(&handle, 2), zdb::kInvalidArgument);
}

TEST_F(Output, FocusHitsAgreeWithTheHitWordsInEveryCharacterSet) {
    struct Case {
        const char* name;
        int charset;
        const char* description;   // UTF-8
        const char* word;
    };
    const Case cases[] = {
        {"UTF-8", ZDB_CHARSET_UTF8, "Ein Überblick: über alles, Über Äpfel und über Birnen", "über"},
        {"Latin-1", ZDB_CHARSET_LATIN1, "Ein Überblick: über alles, Über Äpfel und über Birnen", "über"},
        {"GBK", ZDB_CHARSET_GBK, "文本 编辑器 很 好 用 文本 编辑器 是 工具", "编辑器"},
        {"EUC-JP", ZDB_CHARSET_EUCJP, "日本語 の エディタ は 便利 です エディタ です", "エディタ"},
        {"Shift-JIS", ZDB_CHARSET_SJIS, "日本語 の エディタ は 便利 です エディタ です", "エディタ"},
    };
    createDatabase("PACKAGES", enginetest::kPackagesSchema, {});
    int id = 0;
    for (const Case& c : cases)
        addRecords("PACKAGES", {R"({"id": )" + std::to_string(++id) + R"(, "DESCRIPTION": ")" + c.description + "\"}"});
    id = 0;
    for (const Case& c : cases) {
        ++id;
        zdb::Charset charset(c.charset);
        open(c.charset);
        current("R=" + std::to_string(id) + " AND " + charset.toSession(c.word));
        std::vector<std::string> words = hitWords();
        ASSERT_GE(words.size(), 2u) << c.name;
        Focus whole = focus("DESCRIPTION", 1000);
        EXPECT_EQ(whole.hits, words) << c.name;
        EXPECT_EQ(whole.count, static_cast<int>(words.size())) << c.name;
        EXPECT_EQ(whole.text, charset.toSession(c.description)) << c.name;
        for (int size = 1; size <= 40; ++size) {
            Focus part = focus("DESCRIPTION", size);
            EXPECT_LE(part.text.size(), static_cast<size_t>(size)) << c.name << " " << size;
            EXPECT_NE(whole.text.find(part.text), std::string::npos) << c.name << " " << size;
            // Never half a character: the excerpt converts back without a substitute.
            EXPECT_EQ(charset.toUtf8(part.text).find('?'), std::string::npos) << c.name << " " << size;
            // Its hits are hit words, in their order.
            EXPECT_TRUE(std::search(words.begin(), words.end(), part.hits.begin(), part.hits.end()) != words.end())
                << c.name << " " << size;
        }
        ZdbDeleteRecordControl(&rc);
        cursor = nullptr;
        ZdbEndZdbs(0);
    }
}

TEST_F(Output, FocusTakesTheDensestHitsAndCutsAtWords) {
    createDatabase("PACKAGES", enginetest::kPackagesSchema, {
        R"({"id": 1, "DESCRIPTION": ["alpha beta gamma delta", "epsilon editor zeta editor eta editor theta iota kappa lambda"]})",
    });
    open();
    current("editor OR alpha");
    Focus near = focus("DESCRIPTION", 40);
    EXPECT_EQ(near.text, "epsilon editor zeta editor eta editor");
    EXPECT_EQ(near.hits, (std::vector<std::string>{"editor", "editor", "editor"}));
    EXPECT_EQ(near.count, 4);
    EXPECT_EQ(focus("DESCRIPTION", 9).text, "alpha") << "first of equally dense, at a word";
    EXPECT_EQ(focus("DESCRIPTION", 4).text, "alph") << "no hit fits: the start, a long word cut";
    current("R=1");
    EXPECT_EQ(focus("DESCRIPTION", 25).text, "alpha beta gamma delta") << "without hits, the start";
}

class Export : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        out = dir.path + "/view";
        ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
        createDatabase("PACKAGES", enginetest::kPackagesSchema, {
            R"({"id": 1, "DESCRIPTION": ["A <b>bold</b> editor", "the editor & more"], "LOGO": {"base64": "PGgxPkhpPC9oMT4A/w==", "type": "text/html"}})",
            R"({"id": 2, "LOGO": {"base64": "YSA8IGIgJiBjIOk=", "type": "text/plain"}})",
            R"({"id": 3, "LOGO": {"base64": "iVBORw0KGgo=", "type": "image/png"}})",
            R"({"id": 4, "LOGO": {"base64": "JVBERi0=", "type": "application/pdf"}})",
        });
        open();
    }
    // Exports the LOGO of record `id` (found with `query`) as the gateway does.
    int exportBlob(int id, const std::string& converter, const std::string& parameters, int version = 4) {
        if (ccl("FIND R=" + std::to_string(id) + " OR editor") != ZDB_OK) return -1;
        char database[ZDB_DATABASE_NAME_SIZE];
        int set = 0, found = 0;
        for (int n = 1; ZdbGetRecordInSearchRis(rc, &set, n, &found, database) & 1; ++n)
            if (found == id) break;
        int field = 0, type = 0, flags = 0, size = 0, received = 0;
        ZdbCheckField(rc, "LOGO", &field, &type, &flags);
        ZdbSetCursor(&cursor, rc, field, 0, 0);
        ZdbGetBlobSize(cursor, &size);
        content.assign(static_cast<size_t>(size), '\0');
        ZdbGetBlobBlock(cursor, 1, size, content.data(), &received);
        std::memset(&request, 0, sizeof request);
        request.recordControl = converter == "zvconverttohtml" ? rc : nullptr;
        request.cursor = cursor;
        std::strncpy(request.converter, converter.c_str(), sizeof request.converter - 1);
        std::strcpy(request.symbolName, "ZDBS_VIEWSHR");
        request.content = content.data();
        request.contentSize = size;
        request.parameters = parameters.c_str();
        request.parametersSize = static_cast<int>(parameters.size()) + 1;
        request.value4 = version;
        return ZdbExport(&request);
    }
    std::string file(const std::string& name) { return enginetest::readFile(out + "/" + name); }
    std::string out;
    std::string content;
    ZdbExportRequest request{};
    ZdbCursor cursor = nullptr;
};

TEST_F(Export, ConvertersWriteHtmlFiles) {
    const std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n";
    const std::string foot = "</body>\n</html>\n";
    struct Case {
        const char* name;
        int id;
        const char* converter;
        std::string parameters;
        std::string file;
        std::string html;
    };
    const Case cases[] = {
        {"HTML byte for byte", 1, "zolttohtml", "File:=zv1.html,Dir:=" + out, "zv1.html",
         std::string("<h1>Hi</h1>\0\xFF", 13)},
        {"plain text escaped, Latin-1 taken as such", 2, "zolttohtml", "File:=zv2.html,Dir:=" + out, "zv2.html",
         head + "<pre>a &lt; b &amp; c \xC3\xA9</pre>\n" + foot},
        {"an image as a data URL", 3, "zolttohtml", "File:=zv3.html,Dir:=" + out, "zv3.html",
         head + "<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"\">\n" + foot},
        {"the text field with its hits marked", 1, "zvconverttohtml",
         "OUT=zv4.html\nDIRECTORY=" + out + "\nTEXTFIELD=DESCRIPTION\nFORMAT=0\n", "zv4.html",
         std::string("<h1>Hi</h1>\0\xFF", 13) + "<div class=\"zolttext\">\n<p>A &lt;b&gt;bold&lt;/b&gt; "
         "<mark>editor</mark></p>\n<p>the <mark>editor</mark> &amp; more</p>\n</div>\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exportBlob(c.id, c.converter, c.parameters), ZDB_OK) << c.name << ": " << request.errorText;
        EXPECT_EQ(file(c.file), c.html) << c.name;
    }
    // Only the finished files: no temporary file is left behind.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        ++files;
        EXPECT_EQ(entry.path().filename().string().rfind("zv", 0), 0u) << entry.path();
    }
    EXPECT_EQ(files, 4u);
}

TEST_F(Export, FailuresNameTheirCauseAndWriteNothing) {
    struct Case {
        const char* name;
        int id;
        const char* converter;
        std::string parameters;
        int version;
        int code;
        std::string error;
    };
    const Case cases[] = {
        {"a name with a directory", 1, "zolttohtml", "File:=../x.html,Dir:=" + out, 4, zdb::kBadFileName,
         "Invalid output file name '../x.html'"},
        {"a hidden name", 1, "zolttohtml", "File:=.htaccess,Dir:=" + out, 4, zdb::kBadFileName,
         "Invalid output file name '.htaccess'"},
        {"an absolute name", 1, "zolttohtml", "File:=/tmp/x.html,Dir:=" + out, 4, zdb::kBadFileName,
         "Invalid output file name '/tmp/x.html'"},
        {"no directory", 1, "zolttohtml", "File:=x.html,Dir:=" + out + "/none", 4, zdb::kExportWriteFailed,
         "The document cannot be written to " + out + "/none"},
        {"a type without HTML", 4, "zolttohtml", "File:=x.html,Dir:=" + out, 4, zdb::kCannotConvert,
         "A document of type application/pdf cannot be converted to HTML"},
        {"an unknown converter", 1, "zolttopdf", "File:=x.html,Dir:=" + out, 4, zdb::kUnknownConverter,
         "Unknown converter 'zolttopdf'"},
        {"an unknown field", 1, "zvconverttohtml", "OUT=x.html\nDIRECTORY=" + out + "\nTEXTFIELD=NONE\n", 4,
         zdb::kUnknownField, "Unknown field 'NONE'"},
        {"an unknown parameter", 1, "zolttohtml", "File:=x.html,Mode:=1,Dir:=" + out, 4, zdb::kInvalidArgument,
         "Invalid argument to Mode"},
        {"a template", 1, "zolttohtml", "File:=x.html,Dir:=" + out + ",Template:=t", 4, zdb::kInvalidArgument,
         "Invalid argument to Template"},
        {"another block layout", 1, "zolttohtml", "File:=x.html,Dir:=" + out, 5, zdb::kInvalidArgument,
         "Invalid argument to ZdbExport"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exportBlob(c.id, c.converter, c.parameters, c.version), c.code) << c.name;
        EXPECT_EQ(std::string(request.errorText), c.error) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(out));
    // A directory whose name holds a comma is still one directory.
    std::string comma = dir.path + "/a,b";
    ASSERT_EQ(mkdir(comma.c_str(), 0755), 0);
    EXPECT_EQ(exportBlob(3, "zolttohtml", "File:=img.html,Dir:=" + comma), ZDB_OK) << request.errorText;
    EXPECT_TRUE(std::filesystem::exists(comma + "/img.html"));
}

}  // namespace

// window_test.cpp - SHOW and FORWARD: lines in the default format, a schema's format
// and a list of fields; wrapping at the window's columns without splitting a
// character; hits placed in each line; pages; the codes at both ends and for mistakes.

#include "codes.h"
#include "engine_fixture.h"

namespace {

using enginetest::EngineTest;

const std::vector<std::string> kRecords = {
    R"({"id": 1, "PACKAGE": "vim", "DESCRIPTION": "Vi improved, a text editor", "YEAR": 1991})",
    R"({"id": 2, "PACKAGE": ["emacs", "emacs-gtk"], "DESCRIPTION": "the extensible editor", "YEAR": 1985})",
    R"({"id": 3, "PACKAGE": "café", "DESCRIPTION": "Über café editor, très bon", "YEAR": 2010})",
    R"({"id": 4, "PACKAGE": "nano", "DESCRIPTION": "small editor\nwith a line end", "YEAR": 1999})",
};

class Windows : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        createDatabase("PACKAGES", enginetest::kPackagesSchema, kRecords);
    }
    // The lines of the current page, hits in brackets.
    std::vector<std::string> page() {
        std::vector<std::string> out;
        char line[10002];
        while (ZdbGetWindowLine(1, line) == ZDB_OK) {
            std::string text = line, marked;
            size_t at = 0;
            int start = 0, length = 0;
            while (ZdbGetWindowHit(1, &start, &length) == ZDB_OK) {
                auto from = static_cast<size_t>(start - 1);
                marked += text.substr(at, from - at) + "[" + text.substr(from, static_cast<size_t>(length)) + "]";
                at = from + static_cast<size_t>(length);
            }
            out.push_back(marked + text.substr(at));
        }
        return out;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(Windows, FormatsLayOutEachRecord) {
    open();
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    struct Case {
        const char* show;
        Lines lines;
    };
    const Case cases[] = {
        {"SHOW R=FROM 1", {"1 vim", "2 emacs; emacs-gtk", "3 café", "4 nano"}},
        {"SHOW R=FROM 3", {"3 café", "4 nano"}},
        {"SHOW R=FROM 2 f=SHORT", {"emacs; emacs-gtk - the extensible [editor]",
                                   "café - Über café [editor], très bon",
                                   "nano - small [editor] with a line end"}},
        {"SHOW R=FROM 4 YEAR, PACKAGE", {"1999 - nano"}},
    };
    for (const Case& c : cases) {
        int order = 0;
        ASSERT_EQ(ccl(c.show, &order), ZDB_OK) << c.show;
        EXPECT_EQ(order, ZDB_ORDER_SHOW) << c.show;
        EXPECT_EQ(page(), c.lines) << c.show;
    }
    ASSERT_EQ(ZdbSortRecords(0, "YEAR/DESC"), ZDB_OK);
    ASSERT_EQ(ccl("SHOW SORT=#0 PACKAGE"), ZDB_OK);
    EXPECT_EQ(page(), (Lines{"café", "nano", "vim", "emacs; emacs-gtk"}));
}

TEST_F(Windows, LinesWrapAtTheColumnsInEveryCharacterSet) {
    // "café - Über café [editor], très bon" in 12 columns: at blanks, never inside a
    // character, each line at most 12 bytes of the session's set.
    struct Case {
        const char* name;
        int charset;
        Lines lines;
    };
    const Case cases[] = {
        {"UTF-8", ZDB_CHARSET_UTF8, {"café -", "Über café", "[editor],", "très bon"}},
        {"Latin-1", ZDB_CHARSET_LATIN1, {"caf\xE9 - \xDC" "ber", "caf\xE9 [editor],", "tr\xE8s bon"}},
    };
    for (const Case& c : cases) {
        open(c.charset);
        ASSERT_EQ(ccl("FIND R=3 AND editor"), ZDB_OK) << c.name;
        ASSERT_EQ(ZdbDefineWindow(1, 10, 12), ZDB_OK);
        ASSERT_EQ(ccl("SHOW R=FROM 1 f=short"), ZDB_OK) << c.name;
        EXPECT_EQ(page(), c.lines) << c.name;
        endSession();
    }
    // A word longer than the line is cut at the last character that fits, and a hit
    // that the cut splits is marked on both lines.
    open();
    ASSERT_EQ(ccl("FIND extensible"), ZDB_OK);
    ASSERT_EQ(ZdbDefineWindow(1, 10, 7), ZDB_OK);
    ASSERT_EQ(ccl("SHOW R=FROM 1 DESCRIPTION"), ZDB_OK);
    EXPECT_EQ(page(), (Lines{"the", "[extensi]", "[ble]", "editor"}));
}

TEST_F(Windows, PagesFollowEachOtherToTheEnd) {
    open();
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    ASSERT_EQ(ZdbDefineWindow(1, 3, 80), ZDB_OK);
    ASSERT_EQ(ccl("SHOW R=FROM 1"), ZDB_OK);
    EXPECT_EQ(page(), (Lines{"1 vim", "2 emacs; emacs-gtk", "3 café"}));
    int order = 0;
    ASSERT_EQ(ccl("FORWARD", &order), ZDB_OK);
    EXPECT_EQ(order, ZDB_ORDER_SHOW);
    EXPECT_EQ(page(), (Lines{"4 nano"}));
    EXPECT_EQ(ccl("FORWARD"), ZDB_NO_MORE_TO_SHOW);
    EXPECT_EQ(page(), Lines{});
    EXPECT_EQ(ccl("FORWARD"), ZDB_END_OF_DISPLAY);
    EXPECT_EQ(message(ZDB_END_OF_DISPLAY), "End of display");
    EXPECT_EQ(ccl("SHOW R=FROM 5"), ZDB_NO_MORE_TO_SHOW) << "nothing at or after position 5";
    EXPECT_EQ(ccl("FORWARD"), ZDB_END_OF_DISPLAY);
}

TEST_F(Windows, MistakesGiveTheirCodes) {
    open();
    char line[100];
    int start = 0, length = 0;
    // The refused SHOW and FORWARD commands are in Search.CommandsRefusedWithTheirCodeAndMessage.
    EXPECT_EQ(ZdbGetWindowLine(1, line), zdb::kWrongOrderType) << "no SHOW yet";
    EXPECT_EQ(ZdbGetWindowHit(1, &start, &length), zdb::kWrongOrderType);
    ASSERT_EQ(ccl("FIND editor"), ZDB_OK);
    ASSERT_EQ(ccl("SHOW R=FROM 1"), ZDB_OK);
    EXPECT_EQ(ZdbGetWindowLine(2, line), zdb::kInvalidWindow);
    // A new window size drops the page laid out for the old one: it would not fit.
    ASSERT_EQ(ZdbDefineWindow(1, 5, 4), ZDB_OK);
    EXPECT_EQ(ZdbGetWindowLine(1, line), zdb::kWrongOrderType);
}

}  // namespace

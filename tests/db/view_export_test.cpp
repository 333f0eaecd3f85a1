// Tests of the converted view on the engine double: a view whose export with the text
// field fails is made once more from the document alone, and a view that cannot be
// made writes nothing at all (the controller then answers with its error page).

#include <gtest/gtest.h>

#include "db/session_state.h"
#include "support/response_capture.h"
#include "support/session_fixture.h"

namespace {

using Calls = std::vector<std::string>;
using ViewExport = SessionTest;

TEST_F(ViewExport, TextFieldExportFailsThenTheDocumentAlone) {
    zdbdouble::Record record;
    record.id = 5;
    record.fields["DOC"] = zdbdouble::phraseField(1, {"<p>doc</p>"});
    record.fields["DOC"].type = ZDB_FIELD_BLOB;
    record.fields["TX"] = zdbdouble::textField(2, {{"text"}});
    e.sets[1] = {record};
    db->searchSet = 1;
    ASSERT_GT(db->getRecord(1), 0);
    e.results["ZdbGetBlobSize"] = ZDB_OK;
    e.results["ZdbGetBlobBlock"] = ZDB_OK;
    struct Case { const char* name; int exportCode; const char* textField; Calls exports; int state; };
    const Case cases[] = {
        {"both exports fail", 30090, "TX", {"ZdbExport(zvconverttohtml)", "ZdbExport(zolttohtml)"},
         zolt_state::kViewExport},
        {"no text field: the document alone", 30090, nullptr, {"ZdbExport(zolttohtml)"}, zolt_state::kViewExport},
        {"the text field's export succeeds", ZDB_OK, "TX", {"ZdbExport(zvconverttohtml)"}, 0},
    };
    for (const auto& c : cases) {
        e.results["ZdbExport"] = c.exportCode;
        e.log.clear();
        db->state = 0;
        CapturedResponse response;
        db->outputViewBlob("DOC", c.textField, 0, "/views", "", "");
        EXPECT_EQ(e.callsNamed("ZdbExport"), c.exports) << c.name;
        EXPECT_EQ(db->state, c.state) << c.name;
        EXPECT_EQ(response.text().empty(), c.state != 0) << c.name << ": a failed view writes nothing";
    }
}

}  // namespace

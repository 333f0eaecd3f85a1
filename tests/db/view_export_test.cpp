// Tests of the converted view on the engine double: a view whose export with the text
// field fails is made once more from the document alone; a view that cannot be made
// writes nothing (the controller then answers with its error page).

#include <gtest/gtest.h>

#include "db/session_state.h"
#include "support/response_capture.h"
#include "support/session_fixture.h"

namespace {

using ViewExport = SessionTest;

TEST_F(ViewExport, FailedTextFieldExportIsMadeAgainFromTheDocumentAlone) {
    zdbdouble::Record record;
    record.fields["DOC"] = zdbdouble::phraseField(1, {"<p>doc</p>"});
    record.fields["DOC"].type = ZDB_FIELD_BLOB;
    record.fields["TX"] = zdbdouble::textField(2, {{"text"}});
    e.sets[1] = {record};
    db->searchSet = 1;
    ASSERT_GT(db->getRecord(1), 0);
    for (const char* call : {"ZdbGetBlobSize", "ZdbGetBlobBlock"}) e.results[call] = ZDB_OK;
    e.results["ZdbExport"] = 30090;
    CapturedResponse response;
    EXPECT_EQ(db->outputViewBlob("DOC", "TX", 0, "/views", "", ""), zolt_state::kViewExport);
    const std::vector<std::string> exports{"ZdbExport(zvconverttohtml)", "ZdbExport(zolttohtml)"};
    EXPECT_EQ(e.callsNamed("ZdbExport"), exports);
    EXPECT_EQ(response.text(), "");
}

}  // namespace

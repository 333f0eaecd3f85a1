// pending_calls.cpp - engine calls that this build does not provide yet: display
// lists and windows, the thesaurus, export, summaries and focus. Each answers
// ZDB_NOT_AVAILABLE, an even code with its own message, so that a caller reports a
// clear failure instead of misreading an answer.

#include "zdb.h"

extern "C" {

int ZdbGetDisplay(int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetDisplayTerm(int, char*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetRecordInThes(ZdbRecordControl, int, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetWindowLine(int, char*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetWindowHit(int, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbExport(ZdbExportRequest*) { return ZDB_NOT_AVAILABLE; }
int ZdbStartSummarization(ZdbSummary*, int) { return ZDB_NOT_AVAILABLE; }
int ZdbAccumulateSummarization(ZdbSummary, ZdbCursor) { return ZDB_NOT_AVAILABLE; }
int ZdbGenerateSummary(ZdbSummary, const char**) { return ZDB_NOT_AVAILABLE; }
int ZdbEndSummarization(ZdbSummary) { return ZDB_NOT_AVAILABLE; }
int ZdbGetFocus(ZdbCursor, int*, const char**, int*, const int**, int*, int) { return ZDB_NOT_AVAILABLE; }

}  // extern "C"

// pending_calls.cpp - engine calls that this build does not provide yet.
// Each answers ZDB_NOT_AVAILABLE, an even code with its own message, so that a
// caller reports a clear failure instead of misreading an answer. Calls move
// out of this file as they are implemented.

#include "zdb.h"

extern "C" {

int ZdbVersion(char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbStartZolt(const char*, const char*, int, int) { return ZDB_NOT_AVAILABLE; }
int ZdbDefineWindow(int, int, int) { return ZDB_NOT_AVAILABLE; }
int ZdbUserInfo(int, char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbCreateRecordControl(ZdbRecordControl*) { return ZDB_NOT_AVAILABLE; }
int ZdbEraseRecordControl(ZdbRecordControl) { return ZDB_NOT_AVAILABLE; }
int ZdbDeleteRecordControl(ZdbRecordControl*) { return ZDB_NOT_AVAILABLE; }
int ZdbEndZdbs(int) { return ZDB_NOT_AVAILABLE; }
int ZdbExecuteCcl(const char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetNextProcLine(const char**, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbShellSymbol(char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbMessage(int, char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbRetCode(void) { return ZDB_NOT_AVAILABLE; }
int ZdbSessionInfo(int, char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbSetTextVariable(int, const char*) { return ZDB_NOT_AVAILABLE; }
int ZdbSetIntegerVariable(int, int) { return ZDB_NOT_AVAILABLE; }
int ZdbGetSearch(int*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetDisplay(int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetDisplayTerm(int, char*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbSortRecords(int, const char*) { return ZDB_NOT_AVAILABLE; }
int ZdbStrNormalize(char*, int*, int) { return ZDB_NOT_AVAILABLE; }
int ZdbGetRecordInThes(ZdbRecordControl, int, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetWindowLine(int, char*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetWindowHit(int, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetRecordInSearchRis(ZdbRecordControl, int*, int, int*, char*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetSortedRecord(int, ZdbRecordControl, int, int*, char*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetNextHitWord(ZdbRecordControl, int*, int*, int*, int*, int*, int*) { return 0; }
int ZdbHitParts(ZdbRecordControl, int*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetHitPart(ZdbRecordControl, int, int*) { return 0; }
int ZdbCheckField(ZdbRecordControl, const char*, int*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbSetRecordPart(ZdbCursor*, ZdbRecordControl, int) { return ZDB_NOT_AVAILABLE; }
int ZdbSetCursor(ZdbCursor*, ZdbRecordControl, int, int, int) { return ZDB_NOT_AVAILABLE; }
int ZdbGetNextItem(ZdbCursor, char*, int* length) { if (length) *length = 0; return 0; }
int ZdbCheckCursor(ZdbCursor, ZdbRecordControl*, int*, int*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetBlobSize(ZdbCursor, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbGetBlobBlock(ZdbCursor, int, int, char*, int*) { return ZDB_NOT_AVAILABLE; }
int ZdbExport(ZdbExportRequest*) { return ZDB_NOT_AVAILABLE; }
int ZdbStartSummarization(ZdbSummary*, int) { return ZDB_NOT_AVAILABLE; }
int ZdbAccumulateSummarization(ZdbSummary, ZdbCursor) { return ZDB_NOT_AVAILABLE; }
int ZdbGenerateSummary(ZdbSummary, const char**) { return ZDB_NOT_AVAILABLE; }
int ZdbEndSummarization(ZdbSummary) { return ZDB_NOT_AVAILABLE; }
int ZdbGetFocus(ZdbCursor, int*, const char**, int*, const int**, int*, int) { return ZDB_NOT_AVAILABLE; }

}  // extern "C"

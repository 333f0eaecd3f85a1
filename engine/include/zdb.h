/*
 * zdb.h - the C interface of the ZOLT engine library redodad64.
 *
 * Every call returns a 32-bit code: odd is success, even is failure, and an
 * even code names the message that ZdbMessage gives for it. Texts are
 * NUL-terminated 8-bit strings in the session's character set. A parameter
 * documented as "out" is written by the engine; "in/out" lengths carry the
 * caller's buffer size in and the length written out.
 *
 * One engine session per process. Nothing here is thread-safe.
 */
#ifndef ZDB_H
#define ZDB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Handles (pointer-sized: the export block stores them in 8 bytes) ---- */

typedef struct ZdbRecordControlData* ZdbRecordControl; /* holds the current record */
typedef struct ZdbCursorData* ZdbCursor;               /* a position in a record's fields */
typedef struct ZdbSummaryData* ZdbSummary;             /* a summarization in progress */

/* ---- Codes that callers test ---- */

enum {
    ZDB_OK = 1,                    /* the general success code */
    ZDB_MORE = 3,                  /* ZdbGetNextItem: more pieces of the item follow;
                                      ZdbSetRecordPart: no such part */
    ZDB_NO_HITS = 194,             /* FIND or FUZZY found no record */
    ZDB_NO_RECORD = 226,           /* FIND R=... found none of the ids */
    ZDB_NO_DISPLAY_HITS = 227,     /* DISPLAY found no term */
    ZDB_ACCESS_DISABLED = 322,     /* login of a disabled account */
    ZDB_NO_MORE_ITEMS = 2146,      /* the cursor stands past the last item */
    ZDB_NO_BASE_ACCESS = 2530,     /* the user may not open this database */
    ZDB_END_OF_DISPLAY = 3810,     /* FORWARD past the last page of a display window */
    ZDB_NO_MORE_TO_SHOW = 4546,    /* FORWARD when the shown set is exhausted */
    ZDB_TOO_MANY_SETS = 9506,      /* the session already holds the maximum of search sets */
    ZDB_NOT_LOGGED_IN = 10306,     /* the gateway's own code for a refused login */
    ZDB_RECORD_GONE = 11522,       /* a saved record id no longer exists */
    ZDB_WRONG_LOGIN = 16418,       /* unknown user or wrong password */
    ZDB_LOGIN_REFUSED_17314 = 17314,
    ZDB_PASSWORD_EXPIRED = 17314,  /* login after the last day of the user's password */
    ZDB_LOGIN_REFUSED_18562 = 18562,
    ZDB_OUTSIDE_LOGIN_HOURS = 18562, /* login outside the user's login hours */
    ZDB_LOGIN_REFUSED_36322 = 36322,
    ZDB_LOGINS_CLOSED = 36322,     /* the administrator has closed logins */
    ZDB_LOGIN_REFUSED_36323 = 36323, /* taken as 36322 by callers */
    ZDB_NOT_AVAILABLE = 30000      /* a call that a stand-in for the engine lacks; every call
                                      of this engine is available */
};

/* Order types that ZdbExecuteCcl reports. */
enum {
    ZDB_ORDER_FIND = 3,
    ZDB_ORDER_BASE = 6,
    ZDB_ORDER_DISPLAY = 8,
    ZDB_ORDER_PROCEDURE = 19,      /* lines follow through ZdbGetNextProcLine */
    ZDB_ORDER_SHOW = 20,
    ZDB_ORDER_DELETE = 21,
    ZDB_ORDER_DEFINE = 22,
    ZDB_ORDER_FUZZY = 39
};

/* Values set in the code of ZdbGetRecordInSearchRis and ZdbGetSortedRecord. */
enum {
    ZDB_RECORD_NEW_BASE = 2,       /* the record's database differs from the previous one's */
    ZDB_RECORD_DELETED = 4         /* the record was deleted after the set was made */
};

/* Field types and flags that ZdbCheckField reports. */
enum {
    ZDB_FIELD_TEXT = 1,
    ZDB_FIELD_PHRASE = 2,
    ZDB_FIELD_INTEGER = 3,
    ZDB_FIELD_NUMBER = 4,
    ZDB_FIELD_DATE = 5,
    ZDB_FIELD_TIME = 6,
    ZDB_FIELD_STRING = 7,
    ZDB_FIELD_BLOB = 8,
    ZDB_FIELD_FLAG_PART = 4        /* the field has its own content in each record part */
};

/* Session languages (third argument of ZdbStartZolt). */
enum {
    ZDB_LANG_ENG = 9, ZDB_LANG_SWE = 10, ZDB_LANG_CHI = 11, ZDB_LANG_GER = 12,
    ZDB_LANG_FRE = 13, ZDB_LANG_FIN = 14, ZDB_LANG_NOR = 15
};

/* Character sets; ZdbStartZolt takes the code times 256. */
enum {
    ZDB_CHARSET_LATIN1 = 1, ZDB_CHARSET_LATIN2 = 2, ZDB_CHARSET_LATIN3 = 3,
    ZDB_CHARSET_UTF8 = 16, ZDB_CHARSET_GBK = 18, ZDB_CHARSET_EUCJP = 19,
    ZDB_CHARSET_SJIS = 20
};

/* Sources for QueryRCS: this process, the environment, the engine configuration file. */
enum { ZDB_RCS_PROCESS = 1, ZDB_RCS_ENVIRONMENT = 2, ZDB_RCS_FILE = 4, ZDB_RCS_ALL = 7 };

/* Items of ZdbSessionInfo. */
enum { ZDB_INFO_BASE_COUNT = 5, ZDB_INFO_CURRENT_BASE = 6 };

/* Buffer sizes the callers provide. */
enum {
    ZDB_DATABASE_NAME_SIZE = 256,  /* database argument of the record calls, ZdbSessionInfo text */
    ZDB_VERSION_SIZE = 32
};

/* ---- Session ---- */

/* Writes the engine version ("4.0") into text; *length: in, size of text; out, length. */
int ZdbVersion(char* text, int* length);
/* Logs in and starts the session; charset is a character-set code times 256. */
int ZdbStartZolt(const char* user, const char* password, int language, int charset);
/* Defines display window `window` with the given rows and columns. */
int ZdbDefineWindow(int window, int rows, int columns);
/* User information item `item` into text; *length: in, size; out, length (0: none). */
int ZdbUserInfo(int item, char* text, int* length);
int ZdbCreateRecordControl(ZdbRecordControl* rc);
/* Forgets the record that rc holds. */
int ZdbEraseRecordControl(ZdbRecordControl rc);
/* Frees rc and sets it to null. */
int ZdbDeleteRecordControl(ZdbRecordControl* rc);
/* Ends the session: closes every database and removes the session file. */
int ZdbEndZdbs(int mode);

/* ---- Run-time configuration symbols ---- */

/* The value of symbol `name` from the sources in `sources` (ZDB_RCS_*), or null.
   The text stays valid until the process ends. */
const char* QueryRCS(const char* name, int sources);
/* Sets symbol `name` to `value` for this process. */
int UpdateRCS(const char* name, const char* value);
/* Signal handler: removes the session file and ends the process at once. */
void quickLogout(int signal_number);

/* ---- Commands ---- */

/* Runs one CCL command; *orderType (out) tells what kind of order it was. */
int ZdbExecuteCcl(const char* text, int* orderType);
/* The next line of the procedure that the last command started; *line (out) points
   to engine-owned text valid until the next call; *length (out) is its length.
   An even code when no line is left. */
int ZdbGetNextProcLine(const char** line, int* length);
/* Translates the three-letter internal word at the start of buffer (1024 bytes) into
   the session language's command word, written into buffer; *length: in 0; out, the
   word's length, 0 when there is no translation. */
int ZdbShellSymbol(char* buffer, int* length);
/* The message text of `code`; *length: in, size of text less one; out, length. */
int ZdbMessage(int code, char* text, int* length);
/* The code of the engine's last call. For calls whose result is a value rather than a
   code (ZdbGetNextItem, ZdbGetNextHitWord, ZdbGetHitPart) it is ZDB_OK unless the call
   failed (a bad argument or handle), so "no item" is not an even code here. */
int ZdbRetCode(void);
/* Session information item `item`: 5 gives in *value how many databases the current
   base holds; 6 gives the current base's name in text (ZDB_DATABASE_NAME_SIZE bytes). */
int ZdbSessionInfo(int item, char* text, int* value);
/* Text and integer variables (number 1) that replace "%1" in messages. */
int ZdbSetTextVariable(int number, const char* text);
int ZdbSetIntegerVariable(int number, int value);

/* ---- Sets and displays ---- */

/* The current search set: its number, its records and its hits; before any search of
   the open base (and once every set is deleted) the empty set 0, with ZDB_OK. */
int ZdbGetSearch(int* set, int* records, int* hits);
/* The current display list: its number of terms and its kind (1 index, 2 thesaurus). */
int ZdbGetDisplay(int* count, int* kind);
/* Term |n| of the display list into text with its record count in *value; n > 0 gives
   the term as a search term, n < 0 the bare term. *length: in, size; out, length. */
int ZdbGetDisplayTerm(int n, char* text, int* length, int* value);
/* Sorts the current set into sorted list `list` by `key` ("FIELD", "FIELD/DESC", ...). */
int ZdbSortRecords(int list, const char* key);
/* Mode 4: *length (out) is the number of bytes of text that are a field qualifier
   with its operator, 0 when there is none. */
int ZdbStrNormalize(char* text, int* length, int mode);
/* Makes the thesaurus term at display position n current; *level (out) its level. */
int ZdbGetRecordInThes(ZdbRecordControl rc, int n, int* level);
/* The next line of the current page of window `window` into line (columns + 1 bytes);
   0 at the end of the page. */
int ZdbGetWindowLine(int window, char* line);
/* The next hit in the line last given: *start (from 1) and *length; odd while hits remain. */
int ZdbGetWindowHit(int window, int* start, int* length);

/* ---- Records ---- */

/* Makes record n (from 1) of set *set (0: the current set) current in rc; gives its id
   and its database's name (ZDB_DATABASE_NAME_SIZE bytes); *set (in/out) gets the set's
   number. 0: no such record. A negative n only locates the record. */
int ZdbGetRecordInSearchRis(ZdbRecordControl rc, int* set, int n, int* recordId, char* database);
/* The same for record n of sorted list `list`. */
int ZdbGetSortedRecord(int list, ZdbRecordControl rc, int n, int* recordId, char* database);
/* Reads records first, first + 1, ... (at most count) of set *set (0: the current set)
   in one read transaction per database; *read gets how many (0 when first lies past
   the set's end). Making one of them current by its number afterwards takes its text
   as read here, once, instead of reading it in a transaction of its own: a page of
   records costs one transaction. A write to the database forgets them. */
int ZdbReadRecords(int* set, int first, int count, int* read);
/* Locates records first, first + 1, ... of set *set as that many calls of
   ZdbGetRecordInSearchRis with -n would, one after the other: recordIds[i] and codes[i]
   are the id and the code of record first + i. At most count records; *located gets how
   many (fewer where the set ends; 0 and nothing changed when first lies past it). rc is
   left on the last record located. */
int ZdbLocateRecords(ZdbRecordControl rc, int* set, int first, int count, int* recordIds, int* codes,
                     int* located);
/* The next hit word of the current record; non-zero while hits remain. Position counts
   bytes from 1 in the item's text as handed out. */
int ZdbGetNextHitWord(ZdbRecordControl rc, int* part, int* field, int* paragraph,
                      int* item, int* position, int* length);
/* The number of parts with hits, the first of them, and all parts of the record. */
int ZdbHitParts(ZdbRecordControl rc, int* parts, int* first, int* total);
/* 1 and the hits of part n in *count; 0 when part n has none. */
int ZdbGetHitPart(ZdbRecordControl rc, int n, int* count);
/* Number, type and flags of field `name` of the current record's database. */
int ZdbCheckField(ZdbRecordControl rc, const char* name, int* field, int* type, int* flags);
/* Selects record part `part` for the cursor: 1 when it exists, 3 when not. */
int ZdbSetRecordPart(ZdbCursor* cursor, ZdbRecordControl rc, int part);
/* Places the cursor (created on first use) on field, paragraph and item; odd, or
   ZDB_NO_MORE_ITEMS when the position lies past the content. */
int ZdbSetCursor(ZdbCursor* cursor, ZdbRecordControl rc, int field, int paragraph, int item);
/* Reads the item at the cursor into buffer; *length: in, size; out, bytes written
   (negative when the text is NUL-terminated). 1: item read to its end; 3: more pieces
   follow; 0: no item at the cursor. A text piece that leaves room in the buffer is
   followed by a NUL (negative length); one that fills it is not. BLOBs: never a NUL. */
int ZdbGetNextItem(ZdbCursor cursor, char* buffer, int* length);
/* Where the cursor stands. */
int ZdbCheckCursor(ZdbCursor cursor, ZdbRecordControl* rc, int* field, int* paragraph, int* item);

/* ---- Output: binary fields, export, summaries, focus ---- */

int ZdbGetBlobSize(ZdbCursor cursor, int* size);
/* Copies up to size bytes of the BLOB at the cursor, block `block` (1: from the start). */
int ZdbGetBlobBlock(ZdbCursor cursor, int block, int size, char* buffer, int* received);

/* The export request block: 392 bytes, zero-filled by the caller. */
typedef struct ZdbExportRequest {
    ZdbRecordControl recordControl;   /*   0: set for the text-field export only */
    ZdbCursor cursor;                 /*   8: placed on the binary field */
    uint8_t reserved16[8];            /*  16 */
    char converter[16];               /*  24: "zolttohtml" or "zvconverttohtml" */
    uint8_t reserved40[16];           /*  40 */
    char symbolName[13];              /*  56: "ZDBS_VIEWSHR" */
    uint8_t reserved69[19];           /*  69 */
    const char* content;              /*  88: the binary field's content */
    int32_t contentSize;              /*  96: its size in bytes */
    uint8_t reserved100[4];           /* 100 */
    const char* parameters;           /* 104: the parameter text */
    int32_t parametersSize;           /* 112: its length plus 1 */
    uint8_t reserved116[4];           /* 116 */
    int32_t value4;                   /* 120: the value 4 */
    uint8_t reserved124[8];           /* 124 */
    char errorText[260];              /* 132: filled by the engine on failure */
} ZdbExportRequest;

int ZdbExport(ZdbExportRequest* request);

int ZdbStartSummarization(ZdbSummary* handle, int mode);
int ZdbAccumulateSummarization(ZdbSummary handle, ZdbCursor cursor);
/* *text (out): engine-owned summary text, valid until ZdbEndSummarization. */
int ZdbGenerateSummary(ZdbSummary handle, const char** text);
int ZdbEndSummarization(ZdbSummary handle);

/* An excerpt of at most -size bytes (size is passed negated) of the field at the cursor:
   *text (out, engine-owned until the next call) and its *length; *hitCount pairs
   (start from 0, length) in *hits; *count the focus count. */
int ZdbGetFocus(ZdbCursor cursor, int* length, const char** text, int* hitCount,
                const int** hits, int* count, int size);

#ifdef __cplusplus
}

static_assert(sizeof(void*) == 8, "the export block assumes 64-bit pointers");
static_assert(offsetof(ZdbExportRequest, cursor) == 8);
static_assert(offsetof(ZdbExportRequest, converter) == 24);
static_assert(offsetof(ZdbExportRequest, symbolName) == 56);
static_assert(offsetof(ZdbExportRequest, content) == 88);
static_assert(offsetof(ZdbExportRequest, contentSize) == 96);
static_assert(offsetof(ZdbExportRequest, parameters) == 104);
static_assert(offsetof(ZdbExportRequest, parametersSize) == 112);
static_assert(offsetof(ZdbExportRequest, value4) == 120);
static_assert(offsetof(ZdbExportRequest, errorText) == 132);
static_assert(sizeof(ZdbExportRequest) == 392);
#endif

#endif /* ZDB_H */

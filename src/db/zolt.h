// zolt.h - Zolt, the one session object through which the gateway talks to the
// engine: login, opening databases and clusters, commands with procedure
// expansion, messages, and the current position in sets and records.
// Invariant: once state is negative the session is unusable for the request;
// the engine session is ended exactly once, by the destructor.
#pragma once

#include <cstdint>
#include <vector>

#include "cgi/strbuf.h"
#include "db/hit_table.h"
#include "db/item_text.h"
#include "zdb.h"

class Zolt {
public:
    Zolt();
    ~Zolt();
    Zolt(const Zolt&) = delete;
    Zolt& operator=(const Zolt&) = delete;

    // Starts the engine session as user/password; afterwards state is 0 or a failure point.
    void login(const char* user, const char* password);
    // Opens a database, or a cluster when name is a comma list; 0 or a negative state.
    int openBase(const char* name);
    // Runs command word + " " + arguments; 0, a negative state, or 194, 226, 3810, 4546.
    int doCommand(const char* command, const char* arguments);
    // Runs one CCL text with procedure expansion; the engine code of the last command
    // run, or 0 when a procedure line answered 0 or procedures nested too deep.
    int callZdbs(const char* text);
    // The session-language word for a three-letter internal word (valid until the next call).
    const char* shellSymbol(const char* word);
    // Reads the current set's number, records and hits; 0 or -1166.
    int getSearch();
    // The message text for engineError at the configured message level.
    const char* errorMessage();
    // Hit lists and display terms (hit_list.cpp).
    // The FUZZY order on text: 0, 194 or 226 (no hits, kept in engineError), or -232.
    int findDisplay(const char* text);
    // The FIND (mode 0), FUZZY (mode 3) or DISPLAY (any other mode) order on text:
    // 0, 194 or 226, or a negative state.
    int findDisplay(const char* text, int mode);
    // Display term `position` (0: recordNumber) into term, its record count into value;
    // the position read, 0 past the end of the list, or -331.
    int getDisplayTerm(StrBuf& term, int& value, int position);
    // Writes the hit list of display window 1 in the format `show`, hits marked as
    // hilite asks; rows and columns outside their range take 50 and 80; all 1 takes
    // the sorted list when there is one. 0 or a negative state.
    int outputFormat(const char* show, int rows, int columns, int all);

    // Records, fields and items (record_navigation.cpp).
    // Makes record `position` (-1: recordNumber, then advance) current and builds its
    // hit table; the engine's odd code, 0 when there is no such record, or -451.
    int getRecord(int position);
    // Locates up to `count` records of the set from recordNumber on, as that many calls
    // of getRecord(-1) with noRecordText set would, into ids and codes (resized to
    // count); how many. 0 (and nothing changed) for a sorted list, a cluster, a negative
    // state, or when the set ends at recordNumber: getRecord then reads on.
    int locateRecords(int count, std::vector<int>& ids, std::vector<int>& codes);
    // Reads records first to first + count - 1 of the set in one engine call, so that
    // getRecord takes them from there; how many (0 also when the engine refused).
    int readRecords(int first, int count);
    // Selects field `name` (and record part `part` of a part field); the engine's
    // odd code, the part, 0 when the part does not exist, or a negative state.
    int getField(const char* name, int part);
    // Places the engine cursor at fieldNumber, paragraphNumber, itemNumber; 0 or -558.
    int setCursor();
    // Moves to `paragraph` (TEXT fields, when not 0) and item `item` (from 1, when not
    // 0) and probes it: 1 when an item is there, 0 when not, -526 on failure.
    int setCursor(int paragraph, int item);
    // Reads the item at the cursor into item with its hits (direct: its bytes are
    // written to the response as they stand, as a binary field is); the item number
    // after a non-empty item, 0 after an empty one or at the end, or a negative state.
    int getItem(ItemText& item, int direct);
    // Appends item as HTML to out: escaped for the session's character set, hits
    // marked as hilite asks (1: hilon/hiloff; 2: anchors counted by anchorCounter).
    // Takes at most `limit` characters of the item's text (-1: all), never half a
    // multi-byte character; returns the bytes of text taken.
    int appendMarked(StrBuf& out, const ItemText& item, int limit);
    // appendMarked with the marks of `marking` (a hilite value) in place of hilite's.
    int appendMarked(StrBuf& out, const ItemText& item, int limit, int marking);
    // Process-wide: set while the search only collects record ids (no text is loaded).
    static int& noRecordText();

    // Has the engine convert the document in binaryField (of record part `part`, 0 for
    // none; with the hits of textField when given) into an HTML file in directory and
    // answers with a frameset that shows it under viewUrl (view_export.cpp); 0, or a
    // negative state with nothing written.
    int outputViewBlob(const char* binaryField, const char* textField, int part,
                        const char* directory, const char* viewUrl, const char* templateText);

    // Summaries and teasers of the field the cursor stands in (summary_teaser.cpp).
    // Writes the engine's summary of the field as HTML text; 0, or a negative state.
    int outputSummary();
    // Writes the engine's excerpt of at most `size` bytes of the field, around its hits,
    // as HTML text with each hit between hilon and hiloff; 0, or a negative state.
    int outputTeaser(int size);

    // Process-wide: text of the database of the last sorted record read (login empties it).
    static StrBuf& lastRecordBase();
    // Process-wide: engine sessions started in this process (0 or 1).
    static int& sessionsStarted();

    ZdbCursor cursor = nullptr;      // engine cursor (by address to ZdbSetCursor)
    int clusterFlag = 0;             // 0: one database open; 1: a cluster
    int recordId = 0;                // engine record id of the current record
    int recordNumber = 0;            // 1-based position of the current record
    int fieldNumber = 0;             // cursor position passed on by setCursor
    int paragraphNumber = 0;
    int itemNumber = 0;
    int partNumber = 0;
    int orderType = 0;               // order type of the last command
    int searchSet = 0;               // from ZdbGetSearch: set number
    int recordCount = 0;             //   records in it
    int hitCount = 0;                //   hits in it
    int displayKind = 0;             // second result of ZdbGetDisplay
    int fieldType = 0;               // from ZdbCheckField
    int partField = 0;               // flags AND 4 of the current field
    int state = 0;                   // 0 ready, -1 during login, else the failure point
    int lastRc = 0;                  // result of the last engine call
    char messageText[1024] = {0};    // filled by errorMessage
    StrBuf currentBase;              // open base as the engine names it
    StrBuf singleBase;               // the database when one is open; empty for a cluster
    StrBuf shellWord;                // result of the last shellSymbol
    ZdbRecordControl recordControl = nullptr;  // null until login
    int engineError = 0;             // engine code that errorMessage explains
    int messageLevel = 0;            // 0, 1 or 2 (MSG-LEVEL)
    int startRc = 1;                 // code of a failed ZdbStartZolt; 1 otherwise
    int termSign = 1;                // ask display terms by negated number while set
    int fieldSign = 0;               // setCursor passes the negated field number while set
    int encoding = 1;                // character set code (ENCODING); above 3: multi-byte
    int hilite = 0;                  // 0 none, 1 hilon/hiloff, 2 hit anchors
    int hitTotal = 0;                // entries in hitTable
    int hitIndex = 0;                // next entry (from 1) of the current field; 0: none left
    int anchorCounter = 0;           // numbers hit anchors across the request
    int hitTablesAllocated = 0;
    int sortedFlag = 0;              // 1 after ZdbSortRecords; -1 for an unsorted hit list
    int lastSearchSet = 0;           // set number of the request's own search
    StrBuf hilon{"<b>"};
    StrBuf hiloff{"</b>"};
    StrBuf msgNoHits{"No hits"};
    StrBuf msgLogin{"Login error"};
    StrBuf msgOther{"An error occurred"};
    bool countedSession = false;     // this object started the engine session and ends it
    HitTable hitTable;               // hits of the current record (when hilite is on)

    // Size of messageText and of the shell-symbol buffer, terminator included.
    static constexpr int kTextBufferSize = 1024;
    // Longest command built from the user information at login (bytes).
    static constexpr int kStartCommandMax = 127;
    // Deepest nesting of procedures that callZdbs expands.
    static constexpr int kMaxProcedureDepth = 16;

private:
    // Keeps the engine's `code` for errorMessage and `failure` as the state; returns it.
    int failWith(int code, int failure);
    int callZdbsAt(const char* text, int depth);
    // getItem after an item with no text: a TEXT field moves on to the next paragraph
    // (paragraphNumber 0 when there is none); 0 or a negative state.
    int emptyItem();
};

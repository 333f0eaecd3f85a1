// template_engine.h - TemplateEngine: renders the request's page from its template. It
// finds and reads the template, names the page in the cache, copies the text and hands
// variables and elements to their interpreters; loops move the scan position back over
// the one buffer. Invariant: the scan position, every loop position and every stack
// entry lie inside the template buffer, so no template can make the scan read outside it.
#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/strbuf.h"
#include "db/item_text.h"

class zoltgw;

// States of the item loops (itemLoopFlag).
enum ItemLoopState : int {
    PEOF = -1,   // the field has no further item: the loop ends at its next visit
    PNOP = 0,    // no item loop runs
    PINIT = 1,   // an item loop probes its field
    PLOOP = 2,   // an item loop writes one item per round
    PMULTI = 3,  // a multi-value loop writes its round's item
    PMINIT = 4,  // a multi-value loop probes for its round's item
};

// What one field reference asked for with its flags: the item writer's settings.
struct FieldOutputSettings {
    int paragraph = 0;             // paragraph to show (paragraph fields), 0: the current one
    int item = 0;                  // item to show (from 1), 0: none chosen
    int getAllItems = 1;           // 1 all items, 0 one item per call, 2 the multi-value round's
    bool allParagraphs = false;    // every paragraph from `paragraph` on
    int charLimit = -1;            // characters of text in all, -1: no limit
    int filler = -1;               // "&#160;" filler width, -1: none
    int charCount = 0;             // characters written for this reference
    bool urlEncode = false;        // "+" and "!": items as link values
    bool braceMark = false;        // "!": "${{" before each item
    bool numericCodes = false;     // "@": each byte as its signed decimal code
    bool lastItemOnly = false;     // "L"
    bool comparison = false;       // byte 163: an EMPTY test compares instead
    char comparisonLetter = 0;     //   C, D, B or E
    std::string comparisonText;    //   the value compared with
    int itemLimit = INT_MAX;       // "M": items at most
    bool linkPrefix = false;       // "H": "http://" before an item without it
    bool hasSeparator = false;     // "S": a separator between items
    std::string separator;
    char cutChar = 0;              // "B": items cut before this character, 0: none
    bool summary = false;          // "Z": the field's summary stands for its items
    int teaserSize = 0;            // "T": bytes of the teaser that stands for them, 0: none
};

// One piece of a field reference: the text between "." separators, or a quoted text.
struct FieldPiece {
    std::string_view text;
    bool quoted = false;
};

struct VariableEntry;
struct ScanMarkup;

class TemplateEngine {
public:
    explicit TemplateEngine(zoltgw& gw);
    TemplateEngine(const TemplateEngine&) = delete;
    TemplateEngine& operator=(const TemplateEngine&) = delete;

    // Finds and reads the template the request names, names the page, writes the header
    // and the page's id file, then copies the template; 0, or -1 with the controller's
    // error fields set (nothing of the template written).
    int prehtml();

    // Scans `text` as the page's template and writes the page (no header, no file).
    void render(std::string_view text);

    // Writes the items of the field at the session's cursor under `settings`.
    void itemLooper();

    // Replaces one variable ("${...}", braces included): a fixed name, or a field
    // reference of the current record (the binary field output hands it ${FIELD.@}).
    void zoltVariable(std::string_view text);

    // Output switch of the page: 1 while text is hidden (conditions, probing loops).
    int htmlOutput = 0;
    // htmlOutput as the last interpreted ZOLTIF found it; 2 when nothing is kept.
    int savedHtmlOutput = 2;

    // Page naming in the cache: the second of the minute ("%d") and the stamp
    // "<seconds>_<pid>" of this page.
    StrBuf cacheSlot;
    StrBuf pageStamp;

private:
    // ---- Finding and reading the template (template_file.cpp) ----
    // Reads the template the request names into templateText; 0, or -1 with the error
    // fields set. `opened` receives the path read.
    int findTemplate(std::string& opened);
    // Sets cacheSlot and pageStamp and makes the slot directory.
    void namePage();
    // Writes the page's id file (the saved result) into the cache; 0 or -1.
    int writeIdFile();

    // ---- The scan (template_scan.cpp) ----
    // Copies templateText from templatePos to its end, handing markup on.
    void scan();
    // Appends c to the markup being collected; at `end` hands it to its interpreter, at
    // `most` characters writes it as text.
    void collect(ScanMarkup& markup, char c, char end, int most);
    void writeText(std::string_view text);
    void writeChar(char c);

    // ---- Elements and loops (elements.cpp, loops.cpp) ----
    void zoltElement(std::string_view text);
    void condition(std::string_view type);
    bool conditionHolds(std::string_view type, bool& known);
    void emptyTest(std::string_view type);
    void conditionEnd();
    void loop(std::string_view type, bool multi);
    void recordLoop();
    // Reads the record or display term of the record loop's round.
    void readRoundTerm();
    // Has the records of the loop's next rounds read in one engine call.
    void readAhead();
    void paragraphLoop();
    void partLoop(bool hitPartsWanted);
    void itemLoop();
    void multiItemLoop();
    void loopEnd();
    // Pushes the loop element for one more round.
    void pushRound();
    // Ends a loop: the scan goes on past the END that sent it back.
    void finishLoop();
    // Hides a loop body that has nothing to show.
    void hideBody();
    // Removes and returns the top of the loop stack; -1 when it is empty.
    long popLoop();
    void unknownElement(std::string_view name);
    // Writes "<h1> (S) ", text and a blank (when given), the engine message (withMessage)
    // and "</h1>", even while output is hidden; nothing into a binary field's bytes.
    void outputDBerror(std::string_view text, bool withMessage);

    // ---- Variables (variables.cpp, variable_table.cpp, link_variables.cpp, hit_list.cpp) ----
    static const VariableEntry* findVariable(std::string_view text);
    bool nextCharIsEquals() const;
    void writeOwnName(std::string_view text, int);
    void writeZgw(std::string_view text, int);
    void writeNumber(std::string_view text, int which);
    void writeRecordId(std::string_view text, int);
    void writeRecordBase(std::string_view text, int);
    void writeBaseName(std::string_view text, int);
    void writeZgwPart(std::string_view text, int);
    void writeFirstHit(std::string_view text, int);
    void writeDbError(std::string_view text, int);
    void writeReferer(std::string_view text, int);
    void writeFindString(std::string_view text, int);
    void writeThesaurusLevel(std::string_view text, int);
    void writeMaxHits(std::string_view text, int);
    void writeZoltVarA(std::string_view text, int);
    void writeDisplayTerm(std::string_view text, int asLinkValue);
    void writePageLink(std::string_view text, int which);
    void writeFieldLink(std::string_view text, int which);
    void writeSearchLink(std::string_view text, int which);
    // ${APPL}, ${BASE}, ${FORD}, ${HTML} (withTemplate) and ${ZGWIDS} of this page.
    void writePageParameters(bool withTemplate);
    void writeSavedResultReference();
    void hitList(std::string_view text);

    // ---- The URL stack (url_stack.cpp) ----
    // Carries out the URL-stack variable `which` (a UrlStackAction); `text` is the
    // variable as the template wrote it (the numbered link reads its number there).
    void urlStackVariable(std::string_view text, int which);
    // ${SURLSLI}, ${SURLCUR}, ${SURLDUM}: saves the stack and this page in a URL-stack
    // file and writes its name.
    void saveUrlStack(int which);
    // The links back: writes the link to stack entry `position` (from 1) and, when
    // `carryStack`, saves the entries below it for the page it leads to.
    void linkToStackEntry(int position, bool carryStack);
    void writeStackEntry(std::string_view entry);
    // ${PASSURL}: the parameters that pass the stack this request received on.
    void writePassUrl();
    // Writes the URL-stack file `name` (slot, "/", the rest; no suffix) whole; on failure
    // fails the step at `line` and writes the message into the page, which has begun.
    // True when written.
    bool writeUrlStackFile(const std::string& name, std::string_view content, int line, bool withErrno);

    // ---- Field references and the item writer (field_reference.cpp, item_writer.cpp) ----
    void fieldReference(std::string_view text);
    // Reads the flags from pieces[at] on into settings, up to a flag that ends them.
    void readFlags(const std::vector<FieldPiece>& pieces, std::size_t at);
    // Reads the letter flag at pieces[at] (a quoted separator after it moves `at` on);
    // false when it ends the flags (the summary and the teaser).
    bool readLetterFlag(const std::vector<FieldPiece>& pieces, std::size_t& at);
    // Writes the looked-up field (result: getField's), or drives a probe or EMPTY test.
    void writeField(int result);
    // Ends a loop's probe pass: the scan goes back to the loop element, output on.
    void leaveProbe();
    void advanceToNextItem();
    // Writes one item under settings (or judges it for an EMPTY test); 1 when written.
    int outputItem(const ItemText& item);
    int judgeItem(const ItemText& item);
    // The comparison letters C, B and E of an EMPTY test over an item (date_condition.cpp):
    // 1 when it holds, else 0.
    int dateCondition(std::string_view text);
    // True when the current item of field `name` equals value (A-Z in any case); a field
    // or item that cannot be read writes the error heading (naming `errorText` for a
    // missing item) and does not hold.
    bool currentItemIs(std::string_view name, std::string_view value, std::string_view errorText);
    // The field's date DD.MM.YYYY as YYYYMMDD; a missing or non-digit position ends it.
    static long long fieldDate(std::string_view text);
    // The number a comparison text starts with.
    static long long comparisonNumber(std::string_view text);
    void decideEmptyTest(bool holds);
    void writeFiller(int count);

public:
    // ---- State of one rendering (public for the tests that drive the engine) ----
    zoltgw& gw;
    std::string templateText;        // the whole template, line ends as LF
    std::size_t templatePos = 0;     // index of the next character to scan
    int queryPending = 0;            // ${ZGW} wrote the script URL: a "?" is due
    int inAnchorTag = 0;             // the scan is inside an <A ...> tag
    std::size_t elementStart = 0;    // index of the "<" of the element being handled

    std::vector<long> loopStack;     // element positions of running loops; -1: no repeat
    std::size_t lastLoopEnd = 0;     // just past the END that last sent the scan back
    int loopStarted = 0;             // 2 while a paragraph, part or item loop probes
    int risLoopCount = 0;            // rounds of the record loop so far
    int paraLoopState = 0;           // 0 none, 1 probing, 2 running
    int paraCount = 0;               // paragraph the paragraph loop shows
    int partLoopState = 0;           // 1 probing, else between rounds
    int itemLoopFlag = PNOP;         // ItemLoopState
    int multiItemCount = 0;          // round of the multi-value loop
    int multiItemRC = 0;             // 1 when the round's probe found the item
    int ifFlag = 0;                  // EMPTY test: 0 none, 1 waiting, 2 true, 5 empty cluster field
    int emptyKind = 0;               // 1 ISEMPTY, 0 NEMPTY
    std::vector<long> emptyStack;    // positions of waiting EMPTY test elements
    int partLoopFlag = 0;            // the last loop was a part loop
    int hitPartLoopFlag = 0;         // the last part loop was a hit-part loop
    int hitParts[3] = {0, 0, 0};     // ZdbHitParts: parts with hits, current hit part, all
    long loopRounds = 0;             // rounds sent back so far (bounded)
    bool hitListRead = false;        // the hit list read its record once
    int urlSavesWritten = 0;         // ${SURLSLI} met so far: the first one writes the file
    FieldOutputSettings settings;    // of the field reference being written

    // Most loop rounds a page may run: a template whose loop never ends stops here.
    static constexpr long kMaxLoopRounds = 1000000;
    // Deepest nesting of loops and EMPTY tests.
    static constexpr std::size_t kMaxLoopDepth = 256;
    // Element and variable buffer (characters), and the most a scan collects of each.
    static constexpr int kMarkupBuffer = 256;
    static constexpr int kElementMax = 128;
    static constexpr int kVariableMax = 127;
    // Largest filler, thesaurus indent and item/character number a request or template
    // can ask for: repetition from outside stays small.
    static constexpr int kMaxFiller = 256;
    static constexpr int kMaxThesaurusLevel = 32;
    // Teaser size without a number, and the largest one (the engine's own limit).
    static constexpr int kDefaultTeaserSize = 200;
    static constexpr int kMaxTeaserSize = 1 << 20;
};

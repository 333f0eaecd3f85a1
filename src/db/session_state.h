// session_state.h - the values of Zolt::state: 0 when the session is ready, and one
// negative value per place where a session operation failed, so that the debug log
// and the tests tell every failure point apart. Once state is negative, the record
// operations do nothing until getField resets it.
#pragma once

namespace zolt_state {

inline constexpr int kReady = 0;
inline constexpr int kLoggingIn = -1;          // login runs (also a plain step failure)

// Login and database opening.
inline constexpr int kEngineTooOld = -108;     // engine version below 3.4 (engineError 666)
inline constexpr int kLoginRefused = -131;     // ZdbStartZolt refused the user
inline constexpr int kWindowFailed = -145;     // the display window could not be defined
inline constexpr int kNoRecordControl = -164;  // the record control could not be made
inline constexpr int kBaseOrderType = -189;    // BASE answered with another order type
inline constexpr int kNoBaseName = -200;       // the open base's name was not given
inline constexpr int kCommandFailed = -1151;   // doCommand: the engine refused a command
inline constexpr int kSearchUnknown = -1166;   // ZdbGetSearch failed
inline constexpr int kCclFailed = -1431;       // a ${CCL} command of the request failed

// The search and record reading.
inline constexpr int kFindFailed = -222;       // the FIND of the search or of a record id
inline constexpr int kDisplayFailed = -241;    // the DISPLAY of the search
inline constexpr int kSortFailed = -305;       // ZdbSortRecords refused the key
inline constexpr int kThesaurusFailed = -352;  // ZdbGetRecordInThes failed

// Finding and displaying (findDisplay, getDisplayTerm, outputFormat).
inline constexpr int kFuzzyFailed = -232;      // findDisplay(text): any failure of the FUZZY order
inline constexpr int kOrderFailed = -270;      // the order gave an unexpected code
inline constexpr int kFindOrderType = -277;    // FIND/FUZZY answered with another order type
inline constexpr int kFindCounts = -281;       // the set's counts could not be read
inline constexpr int kDisplayOrderType = -286; // DISPLAY answered with another order type
inline constexpr int kDisplayCounts = -290;    // ZdbGetDisplay failed
inline constexpr int kDisplayTerm = -331;      // ZdbGetDisplayTerm failed
inline constexpr int kWindowRedefine = -1280;  // the hit list's window could not be defined
inline constexpr int kShowFailed = -1302;      // SHOW failed
inline constexpr int kForwardFailed = -1395;   // FORWARD failed

// Records, fields, cursors and items.
inline constexpr int kRecordFailed = -451;     // reading a record of the set failed
inline constexpr int kCursorProbe = -526;      // setCursor(paragraph, item) could not place the cursor
inline constexpr int kCursorFailed = -558;     // ZdbSetCursor refused the position
inline constexpr int kUnknownField = -577;     // ZdbCheckField: no such field
inline constexpr int kFieldCursor = -589;      // getField could not place the cursor
inline constexpr int kFieldPart = -598;        // getField could not select the part
inline constexpr int kPartCursor = -629;       // the cursor could not be reset for the part
inline constexpr int kPartFailed = -643;       // ZdbSetRecordPart failed
inline constexpr int kItemCursor = -679;       // getItem could not place the cursor
inline constexpr int kItemRead = -701;         // ZdbGetNextItem failed
inline constexpr int kItemWhere = -718;        // ZdbCheckCursor failed
inline constexpr int kNextParagraph = -739;    // the cursor could not move to the next paragraph
inline constexpr int kParagraphBack = -749;    // the cursor could not return to that paragraph

// Converted views.
inline constexpr int kViewField = -866;        // the document field is unknown
inline constexpr int kViewSize = -875;         // its size could not be read
inline constexpr int kViewContent = -885;      // its content could not be read
inline constexpr int kViewTextField = -914;    // the text field is unknown
inline constexpr int kViewExport = -963;       // the converter failed

}  // namespace zolt_state

// The engine code the session gives an engine older than version 3.4.
inline constexpr int kEngineTooOldCode = 666;

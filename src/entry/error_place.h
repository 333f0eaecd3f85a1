// error_place.h - the source unit name and the line numbers that the error page shows,
// at message level 1, beside a failure. They are fixed texts of the error page that
// installations and their support staff know (each failure has its own number), not
// places in this tree; each is defined here once.
#pragma once

inline constexpr const char* kUnitHtml = "src/zgwhtml";  // parameters, login, database, search, pages

namespace error_line {

// Request parameters and saved state.
inline constexpr int kSavedResultNoKey = 201;     // ${ZGWIDS} without a key
inline constexpr int kSavedResultNoName = 203;    // ${ZGWIDS} without a name
inline constexpr int kNoArguments = 3433;         // the request has no parameters
inline constexpr int kSavedResultGone = 3667;     // the id file is missing
inline constexpr int kUrlStackGone = 3774;        // the URL-stack file is missing
inline constexpr int kNoDatabase = 3917;          // neither ${APPL} nor ${BASE}

// The run sequence.
inline constexpr int kCclCommand = 3281;          // a ${CCL} command failed
inline constexpr int kOpenDatabase = 4112;        // the database could not be opened

// The search.
inline constexpr int kSearchFailed = 4255;        // failed or empty search
inline constexpr int kSortFailed = 4276;          // the sort failed
inline constexpr int kNoRecordCollected = 4359;   // no record id was collected
inline constexpr int kThesaurusListing = 4555;    // the thesaurus terms could not be listed

// Templates and the page cache.
inline constexpr int kTemplateNameDots = 95;      // a template name with ".."
inline constexpr int kTemplateNotFound = 204;     // no template file could be opened
inline constexpr int kIdFileCreate = 329;         // the page's id file could not be created
inline constexpr int kUrlStackSave = 1730;        // a URL-stack file of a save variable
inline constexpr int kUrlStackLink = 2127;        // the URL-stack file of a link back

}  // namespace error_line

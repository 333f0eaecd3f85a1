// messages.cpp - the catalogue: one English text per code, success and failure.
// Scripts and pages rely on these exact texts; change one only on purpose.

#include "messages.h"

#include <utility>

#include "codes.h"

namespace zdb {
namespace {

constexpr std::pair<int, std::string_view> kCatalogue[] = {
    {ZDB_OK, "Done"},
    {ZDB_MORE, "More follows"},
    {ZDB_NO_HITS, "No hits"},
    {ZDB_NO_RECORD, "No record found"},
    {ZDB_NO_DISPLAY_HITS, "No hits in this display"},
    {ZDB_ACCESS_DISABLED, "Access for user %1 is disabled"},
    {ZDB_NO_MORE_ITEMS, "No more items"},
    {ZDB_NO_BASE_ACCESS, "No access to database %1"},
    {ZDB_END_OF_DISPLAY, "End of display"},
    {ZDB_NO_MORE_TO_SHOW, "No more records to show"},
    {ZDB_TOO_MANY_SETS, "Too many search sets: delete some sets first"},
    {ZDB_NOT_LOGGED_IN, "User %1 is not logged in"},
    {ZDB_RECORD_GONE, "Record %1 no longer exists"},
    {ZDB_WRONG_LOGIN, "Wrong user name or password"},
    {ZDB_PASSWORD_EXPIRED, "Login refused: the password of user %1 has expired"},
    {ZDB_OUTSIDE_LOGIN_HOURS, "Login refused: user %1 may not log in at this time of day"},
    {ZDB_LOGINS_CLOSED, "Login refused for user %1: logins are closed for maintenance"},
    {ZDB_NOT_AVAILABLE, "This function is not available in this version of the engine"},
    {kSyntaxError, "Syntax error at '%1'"},
    {kUnknownCommand, "Unknown command '%1'"},
    {kUnknownDatabase, "Unknown database '%1'"},
    {kUnknownField, "Unknown field '%1'"},
    {kWrongOrderType, "Wrong order type for this call"},
    {kUnknownSortKey, "Unknown sort key '%1'"},
    {kNoCurrentRecord, "No current record"},
    {kNoCurrentSet, "No current search set"},
    {kInvalidSetNumber, "Invalid set number '%1'"},
    {kInternalError, "Engine internal error (details in the engine's debug output)"},
    {kNoSession, "No session: log in first"},
    {kInvalidArgument, "Invalid argument to %1"},
    {kInvalidHandle, "Invalid record control, cursor or summary"},
    {kNoBase, "No database is open"},
    {kNotComparable, "Field '%1' cannot be compared with <, >, <=, >= or <>"},
    {kInvalidValue, "Invalid value '%1'"},
    {kTooManyTerms, "'%1' matches too many words: make it longer"},
    {kNoMoreProcLines, "No more procedure lines"},
    {kUnknownCode, "Unknown message code %1"},
    {kBufferTooSmall, "The buffer is too small"},
    {kDatabaseBusy, "Database %1 is busy: try again"},
    {kDatabaseFormat, "Database %1 cannot be read: unknown format or damaged file"},
    {kNoDataDirectory, "The data directory ZDBS_DATA is not set"},
    {kNoSystemDatabase, "The system database cannot be opened"},
    {kSessionFileFailed, "The session file %1 cannot be written"},
    {kSessionActive, "A session is already running in this process"},
    {kEmptyQuery, "Nothing to search for"},
    {kQueryTooComplex, "The query is too complex"},
    {kNotABlobField, "Field '%1' is not a BLOB field"},
    {kUnknownInfoItem, "Unknown information item %1"},
    {kDuplicateDatabase, "Database '%1' is named twice"},
    {kWrongFieldType, "Field '%1' cannot be searched this way"},
    {kInvalidWindow, "Invalid display window"},
    {kUnterminatedPhrase, "Missing closing quote after '%1'"},
    {kUnknownList, "Unknown sorted list %1"},
    {kNoSortedList, "No sorted list: sort the set first"},
    {kUnbalancedParenthesis, "Unbalanced parenthesis at '%1'"},
    {kMisplacedOperator, "Operator '%1' lacks a search term"},
    {kBadTruncation, "Truncation '?' is only allowed at the end of a word: '%1'"},
    {kTooManyDatabases, "Too many databases in the cluster"},
    {kDatabaseReadOnly, "Database %1 cannot be written"},
    {kQueryTooLong, "The query is too long"},
    {kThesaurusCycle, "The broader terms of the thesaurus form a cycle: %1"},
    {kDuplicateTerm, "Thesaurus term '%1' is given by two records"},
    {kExportWriteFailed, "The document cannot be written to %1"},
    {kCannotConvert, "A document of type %1 cannot be converted to HTML"},
    {kUnknownConverter, "Unknown converter '%1'"},
    {kBadFileName, "Invalid output file name '%1'"},
    {kUnknownFormat, "Unknown display format '%1'"},
};

}  // namespace

std::optional<std::string_view> catalogueText(int code) {
    for (const auto& [known, text] : kCatalogue)
        if (known == code) return text;
    return std::nullopt;
}

std::string fillMessage(std::string_view text, std::string_view argument) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '1') {
            out.append(argument);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace zdb

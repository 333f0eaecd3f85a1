// codes.h - the engine's own return codes beyond those zdb.h gives the gateway.
// Odd is success, even is failure; every failure has its own code and its own
// message in the catalogue (messages.cpp), so a code alone tells what went wrong.
#pragma once

#include "zdb.h"

namespace zdb {

enum Code : int {
    kOk = ZDB_OK,
    kSyntaxError = 30002,          // %1: the word at fault
    kUnknownCommand = 30004,       // %1: the command word
    kUnknownDatabase = 30006,      // %1: the database name
    kUnknownField = 30008,         // %1: the field name
    kWrongOrderType = 30010,
    kUnknownSortKey = 30012,       // %1: the key
    kNoCurrentRecord = 30014,
    kNoCurrentSet = 30016,
    kInvalidSetNumber = 30018,     // %1: the set number as written
    kInternalError = 30020,        // the detail goes to the debug output only
    kNoSession = 30022,
    kInvalidArgument = 30024,      // %1: the call
    kInvalidHandle = 30026,
    kNoBase = 30028,
    kNotComparable = 30030,        // %1: the field
    kInvalidValue = 30032,         // %1: the value
    kTooManyTerms = 30034,         // %1: the word
    kNoMoreProcLines = 30036,
    kUnknownCode = 30038,          // %1: the code
    kBufferTooSmall = 30040,
    kDatabaseBusy = 30042,         // %1: the database
    kDatabaseFormat = 30044,       // %1: the database
    kNoDataDirectory = 30046,
    kNoSystemDatabase = 30048,
    kSessionFileFailed = 30050,    // %1: the path
    kSessionActive = 30052,
    kEmptyQuery = 30054,
    kQueryTooComplex = 30056,
    kNotABlobField = 30058,        // %1: the field
    kUnknownInfoItem = 30060,      // %1: the item
    kDuplicateDatabase = 30062,    // %1: the database
    kWrongFieldType = 30064,       // %1: the field
    kInvalidWindow = 30066,
    kUnterminatedPhrase = 30068,   // %1: the phrase's start
    kUnknownList = 30070,          // %1: the list number
    kNoSortedList = 30072,
    kUnbalancedParenthesis = 30074,  // %1: the word at fault
    kMisplacedOperator = 30076,    // %1: the operator
    kBadTruncation = 30078,        // %1: the word
    kTooManyDatabases = 30080,
    kDatabaseReadOnly = 30082,     // %1: the database
    kQueryTooLong = 30084,
    kThesaurusCycle = 30086,       // %1: the terms of the cycle, each followed by its broader term
    kDuplicateTerm = 30088,        // %1: the term
    kExportWriteFailed = 30090,    // %1: the file
    kCannotConvert = 30092,        // %1: the content type
    kUnknownConverter = 30094,     // %1: the converter
    kBadFileName = 30096,          // %1: the name
    kUnknownFormat = 30098,        // %1: the format
    kLastCode = kUnknownFormat,
};

}  // namespace zdb

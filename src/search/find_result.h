// find_result.h - FindResult, the request's search result and the request settings
// that travel with it: filled by the configuration, the parameters, a saved result
// and the search; read by record reading and the template. One per request, held by
// the controller as findresult.
#pragma once

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"
#include "search/result_ids.h"

struct FindResult {
    ResultIds rid;                   // record ids of the result ("id" or "id.cluster")
    int startRis = 0;                // position the request asked for
    int topris = 0;                  // position of the first record of the shown page
    int maxPage = 0;                 // ${MAXPAGE}
    int ris = 0;                     // current position in rid
    int hits = 0;                    // hits of the result
    int rfound = 0;                  // records of the result
    StrBuf findString;               // ${FINDSTR}
    StrBuf binaryFieldName;          // ${ZOLTPIFE}
    StrBuf viewFieldName;            // ${ZOLTVFLD}
    StrBuf zvOutputDir;              // ZVDIR / ZV_OUTPUT_DIR
    StrBuf zvOutputUrl;              // ZV_OUTPUT_URL
    StrBuf converterTemplate;        // converter template; no setting fills it
    StrBuf showString;               // ${ZOLTSHOW} without HTML= and OOHTML=
    int zoltRow = 0;                 // ${ZOLTROW}
    int zoltCol = 0;                 // ${ZOLTCOL}
    int reverseDefine = 0;           // ${CCL} was "define reverse"
    StrBuf language;                 // ${LANGUAGE} or LANGUAGE
    StrBuf userName{"zoltgate"};     // database user
    StrBuf password;                 // database password
    StrBuf thesaurus;                // ${THES}
    int maxHits = 1000;              // upper limit of hits
    StrBuf cacheDir;                 // page cache directory (CACHE)
    NamedList<StrBuf> baseApplTable;    // pseudo database name -> database name
    NamedList<StrBuf> applDirTable;     // application name -> template directory
    NamedList<StrBuf> expiredUrlTable;  // application name -> redirect for expired results
    int fordMode = 1;                // ${FORD}: 1 FIND, 2 DISPLAY, 3 DUMMY, 4 DISPNORM, 5 FUZZ
    int fuzz = 0;                    // ${FUZZ}
    int debugEcho = 0;               // ${DEBUG} seen (1); NODEBUG configured (-1)
    StrBuf htmlTemplate;             // ${HTML}
    StrBuf diHtmlTemplate;           // ${DIHTML}
    StrBuf ooHtmlTemplate;           // ${OOHTML}
    StrBuf snHtmlTemplate;           // ${SNHTML}
    StrBuf zgwSuffix{"zgw"};         // template file suffix (ZGWSUFFIX)

    // Working fields shared by the search, record reading and the template.
    int searchMade = 0;              // this request ran its own search (doFind)
    StrBuf displayTerm;              // current display term of the record loop
    int thesLevel = 0;               // thesaurus level of the current term
};


// search.h - Search, the request's search and record reading: builds and runs the
// query, sorts it, picks the template for the outcome, collects the result's record
// ids, lists thesaurus terms, and makes the record at the result position current.
// Invariant: it owns only its own state (below); everything else it reads and writes
// lives in the controller, which holds one Search per request.
#pragma once

class zoltgw;

class Search {
public:
    explicit Search(zoltgw& gw) : gw_(gw) {}
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Runs the request's search (search_run.cpp): 0, also when the outcome is shown
    // with the no-hits template; -1 with the controller's error fields set.
    int doFind();
    // Makes the record at findresult.ris current (record_reading.cpp). Flag 1: find it
    // together with the search so that its hits are known; flag 2: only locate it.
    // Engine failures are written into the page as an error heading (or, while
    // recordErrorsInPage is false, set the controller's error fields).
    void readZoltRecord(int flags);
    // Reads the next `count` records that readZoltRecord will make current from findresult.ris
    // on in one engine call, where it makes them current by their position in the set.
    void readPageAhead(int count);
    // Lists the terms of a thesaurus display as ids "recordId.-level" (thesaurus_terms.cpp);
    // 0, or -1 with the controller's error fields set.
    int readThesaurusTerms();

    // Outcome of the search, read by the template's conditions.
    int searchStatus = 0;          // >0: no hits (the engine code); <0: failed search or sort
    int sortFailed = 0;            // the sort was refused and the no-hits template shown

    // Record reading's state for the rest of the request.
    bool thesaurusOpen = false;    // the thesaurus database replaced the searched one
    bool hitListShown = false;     // set by the hit-list variable before it reads a record
    int lastClusterOpened = 0;     // cluster database opened last for a record; 0: none
    int recordNotFoundId = 0;      // record id the engine no longer has; 0: none
    int clusterRecord = 0;         // 1 when the current id named a cluster database
    // True while the page has begun: record errors go into it as headings. The
    // controller clears it for a record read before any output (a view, a binary field).
    bool recordErrorsInPage = true;

private:
    // Reports a failed or empty search: the no-hits template when one is given
    // (searchStatus takes `status`), else the error page with the engine's message
    // (and the search text, when `withSearchText`) at `line`. 0 or -1.
    int reportOutcome(int status, int line, bool withSearchText);
    // The id walk over the set (id_walk.cpp); 0 or -1 as doFind.
    int collectRecordIds();
    // Sorts by the first sort key; 0, 1 when the outcome was reported, or -1.
    int sortResult();
    // Writes the session's message as an error heading into the page (or fails the
    // step when the page has not begun).
    void reportEngineError();
    // Ends the process after a record position outside the result (crash_log.cpp).
    [[noreturn]] void abortBrokenRun();

    zoltgw& gw_;
};

// loops.cpp - the ZOLTLOOP elements: record loops over the result page, paragraph, part
// and item loops over a field, multi-value item loops, and ZOLTLOOP END. A round is run
// by pushing the loop element's position and sending the scan back to it from the END.
// Invariants: the loop stack never holds more than kMaxLoopDepth entries, every entry
// is a position inside the template or -1, and a page runs at most kMaxLoopRounds rounds.

#include <algorithm>

#include "cgi/ascii.h"
#include "db/session_state.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"

void TemplateEngine::pushRound() {
    if (loopStack.size() >= kMaxLoopDepth) {
        // A template nested this deep is broken: its body stays hidden, its END closes it.
        outputDBerror("ZOLTLOOP nested too deeply", false);
        htmlOutput = 1;
        return;
    }
    loopStack.push_back(static_cast<long>(elementStart));
    lastLoopEnd = 0;
}

void TemplateEngine::hideBody() {
    htmlOutput = 1;
    if (loopStack.size() < kMaxLoopDepth) loopStack.push_back(-1);
}

void TemplateEngine::finishLoop() {
    if (lastLoopEnd > templatePos) {
        templatePos = lastLoopEnd;
        return;
    }
    // Finished on its first visit (no END sent the scan back): without this the body
    // would be shown once, outside any round, with whatever record was current.
    hideBody();
}

long TemplateEngine::popLoop() {
    if (loopStack.empty()) return -1;
    long top = loopStack.back();
    loopStack.pop_back();
    return top;
}

void TemplateEngine::loop(std::string_view type, bool multi) {
    auto is = [&](std::string_view name) { return asciiEqualNoCase(type, name); };
    if (multi) {
        multiItemLoop();
    } else if (is("RIS")) {
        recordLoop();
    } else if (is("PARA")) {
        paragraphLoop();
    } else if (is("PART") || is("HITPART")) {
        partLoop(is("HITPART"));
    } else if (is("ITEM")) {
        itemLoop();
    } else {
        unknownElement(type);
    }
}

void TemplateEngine::recordLoop() {
    FindResult& r = gw.findresult;
    if (r.rfound == 0) {
        hideBody();
        return;
    }
    if (risLoopCount++ != 0) ++r.ris;
    if ((r.maxPage != 0 && risLoopCount >= r.maxPage) || r.ris >= r.rfound || r.ris >= r.maxHits) {
        risLoopCount = 0;
        finishLoop();
        return;
    }
    if (r.fordMode == 1 || r.fordMode == 5) readAhead();
    readRoundTerm();
    pushRound();
}

void TemplateEngine::readAhead() {
    const FindResult& r = gw.findresult;
    // Every kReadAhead rounds, the records of the rounds to come (up to kReadAhead).
    constexpr int kReadAhead = 20;
    if ((risLoopCount - 1) % kReadAhead != 0) return;
    int rounds = std::min(r.rfound, r.maxHits) - r.ris;
    if (r.maxPage != 0) rounds = std::min(rounds, r.maxPage - risLoopCount);
    if (rounds > 1) gw.search.readPageAhead(std::min(rounds, kReadAhead));
}

void TemplateEngine::readRoundTerm() {
    FindResult& r = gw.findresult;
    Zolt& db = gw.db;
    switch (r.fordMode) {
        case 1: case 5:
            gw.readZoltRecord(1);
            return;
        case 2: case 4:
            break;
        default:
            return;
    }
    StrBuf term;
    int value = 0;
    if (db.displayKind != 2) {
        r.hits = 0;
        if (db.getDisplayTerm(term, value, r.ris + 1) >= 1) {
            r.hits = value;
            r.displayTerm = term;
        }
        return;
    }
    // A thesaurus display: the term record at recordNumber and its level.
    int level = 0;
    db.lastRc = ZdbGetRecordInThes(db.recordControl, db.recordNumber, &level);
    if (db.lastRc % 2 == 0) {
        db.engineError = db.lastRc;
        db.state = zolt_state::kThesaurusFailed;
    } else if (db.getDisplayTerm(term, value, db.recordNumber) >= 1) {
        db.recordId = value;
        if (db.recordNumber - 1 > 0) {
            r.thesLevel = level;
            r.displayTerm = term;
            return;
        }
    }
    r.rfound = 0;  // ends the loop at its next visit
}

void TemplateEngine::paragraphLoop() {
    if (paraLoopState == 0) {
        pushRound();
        htmlOutput = 1;
        paraLoopState = 1;
        paraCount = 0;
        loopStarted = 2;
        return;
    }
    if (paraLoopState != 2) return;  // an element met while its own probe runs
    int found = gw.db.setCursor(++paraCount, 0);
    if (found < 0) {
        outputDBerror("", true);
        return;
    }
    if (found == 0) {
        bool none = paraCount == 1;
        paraLoopState = 0;
        paraCount = 0;
        if (none) hideBody();
        else finishLoop();
        return;
    }
    pushRound();
}

void TemplateEngine::partLoop(bool hitPartsWanted) {
    partLoopFlag = 1;
    hitPartLoopFlag = hitPartsWanted ? 1 : 0;
    if (partLoopState != 1) {
        paraLoopState = paraCount = 0;
        itemLoopFlag = PNOP;
        htmlOutput = 1;
        partLoopState = 1;
        ++gw.zgwPart;
        pushRound();
        loopStarted = 2;
        return;
    }
    partLoopState = 2;
    pushRound();
    if (hitPartsWanted) ZdbHitParts(gw.db.recordControl, &hitParts[0], &hitParts[1], &hitParts[2]);
}

void TemplateEngine::itemLoop() {
    switch (itemLoopFlag) {
        case PNOP:
            htmlOutput = 1;
            itemLoopFlag = PINIT;
            pushRound();
            loopStarted = 2;
            return;
        case PINIT: case PLOOP:
            itemLoopFlag = PLOOP;
            pushRound();
            return;
        case PEOF:
            itemLoopFlag = PNOP;
            settings.getAllItems = 1;
            finishLoop();
            return;
        default:
            unknownElement("ITEM");
    }
}

void TemplateEngine::multiItemLoop() {
    switch (itemLoopFlag) {
        case PNOP:
            multiItemCount = 0;
            itemLoopFlag = PMINIT;
            [[fallthrough]];
        case PMINIT:
            htmlOutput = 1;
            multiItemRC = 0;
            ++multiItemCount;
            pushRound();
            return;
        case PMULTI:
            htmlOutput = 0;
            multiItemRC = 0;
            pushRound();
            return;
        case PEOF:
            multiItemCount = 0;
            itemLoopFlag = PNOP;
            settings.getAllItems = 1;
            finishLoop();
            return;
        default:
            unknownElement("MULTI");
    }
}

void TemplateEngine::loopEnd() {
    // An END inside text that an EMPTY test hides belongs to that text.
    if (!emptyStack.empty() && htmlOutput == 1 && itemLoopFlag != PMINIT) return;
    if (loopStack.empty()) {
        htmlOutput = 0;
        loopStarted = 0;
        return;
    }
    if (loopStarted != 2) {
        if (paraLoopState == 1 || partLoopState == 1) paraLoopState = 0;
        if (itemLoopFlag == PINIT) itemLoopFlag = PNOP;
        else if (itemLoopFlag == PMINIT) itemLoopFlag = multiItemRC ? PMULTI : PEOF;
        else if (itemLoopFlag == PMULTI) itemLoopFlag = PMINIT;
        if (loopStack.back() != -1) {
            if (loopRounds < kMaxLoopRounds) {
                ++loopRounds;
                lastLoopEnd = templatePos;
                templatePos = static_cast<std::size_t>(loopStack.back());
            } else if (loopRounds++ == kMaxLoopRounds) {
                outputDBerror("ZOLTLOOP stopped after too many rounds", false);
            }
        }
    } else {
        // A probe that met no field reference: the loop has nothing to run on, and its
        // probe state must not wait for a field reference after the loop.
        if (paraLoopState == 1) paraLoopState = 0;
        if (partLoopState == 1) partLoopState = 0;
        if (itemLoopFlag == PINIT) itemLoopFlag = PNOP;
    }
    loopStack.pop_back();
    htmlOutput = 0;
    loopStarted = 0;
}

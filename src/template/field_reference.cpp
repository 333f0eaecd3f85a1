// field_reference.cpp - a ${...} that names a field of the current record: an optional
// part number, the field name and flags, each after a ".". The reference looks the field
// up, reads its flags into the item writer's settings and then writes the field, or, in
// a loop's probe pass or an EMPTY test, drives that loop or test instead of writing.
// Invariant: every number a flag carries is read into a bounded range, and every move of
// the scan position goes to a position the loop and test stacks hold.

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "cgi/ascii.h"
#include "entry/zoltgw.h"
#include "template/search_state.h"
#include "template/template_engine.h"

namespace {

// The pieces after "${": split at ".", "}" and quotes; a text between apostrophes or
// double quotes is one piece, dots included.
std::vector<FieldPiece> piecesOf(std::string_view text) {
    std::vector<FieldPiece> pieces;
    std::size_t at = text.size() >= 2 ? 2 : text.size();
    std::size_t start = at;
    auto endFieldPiece = [&](std::size_t end) {
        if (end > start) pieces.push_back({text.substr(start, end - start), false});
    };
    while (at < text.size()) {
        char c = text[at];
        if (c == '.' || c == '}') {
            endFieldPiece(at);
            start = ++at;
        } else if (c == '\'' || c == '"') {
            endFieldPiece(at);
            std::size_t close = text.find(c, at + 1);
            if (close == std::string_view::npos) close = text.size();
            pieces.push_back({text.substr(at + 1, close - at - 1), true});
            at = close + 1;
            start = at;
        } else {
            ++at;
        }
    }
    endFieldPiece(std::min(at, text.size()));
    return pieces;
}

// The whole text as a decimal integer (optionally signed), or false.
bool wholeNumber(std::string_view text, int& value) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The number at the start of text (after a flag letter), held within [low, high]; 0 when
// it has no leading digits.
int flagNumber(std::string_view text, int low, int high) {
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

// True for the comparison flag: the byte 163 (the pound sign of Latin-1), also as the
// two bytes of its UTF-8 form in a template saved as UTF-8.
bool comparisonFlag(std::string_view piece, std::size_t& letterAt) {
    if (!piece.empty() && static_cast<unsigned char>(piece[0]) == 0xA3) {
        letterAt = 1;
        return true;
    }
    if (piece.size() >= 2 && static_cast<unsigned char>(piece[0]) == 0xC2 &&
        static_cast<unsigned char>(piece[1]) == 0xA3) {
        letterAt = 2;
        return true;
    }
    return false;
}

}  // namespace

void TemplateEngine::fieldReference(std::string_view text) {
    if (itemLoopFlag == PLOOP || paraLoopState == 2) {
        writeField(1);
        return;
    }
    settings = FieldOutputSettings{};
    gw.db.fieldSign = 0;

    std::vector<FieldPiece> pieces = piecesOf(text);
    std::size_t at = 0;
    int part = gw.zgwPart;
    int number = 0;
    if (!pieces.empty() && !pieces[0].quoted && wholeNumber(pieces[0].text, number) && number != 0) {
        part = number;
        ++at;
    }
    std::string name = at < pieces.size() ? std::string(pieces[at].text) : std::string();
    ++at;

    if (hitPartLoopFlag && part != 0) {
        int hitsInPart = 0;
        if (ZdbGetHitPart(gw.db.recordControl, part, &hitsInPart) == 0) part = hitParts[1] + 1;
    }
    int result = gw.db.getField(name.c_str(), part);
    if (result < 0) {
        if (!clusterRecord(gw)) {
            outputDBerror(text, true);
            return;
        }
        // A database of a cluster may lack the field: that record shows nothing for it.
        ifFlag = 5;
        gw.db.state = 0;
        result = 1;
    }

    if (itemLoopFlag == PINIT) {
        settings.getAllItems = 0;
    } else if (at < pieces.size()) {
        settings.paragraph = 0;
        settings.item = 1;
        if (!readFlags(pieces, at)) return;
    }
    writeField(result);
}

bool TemplateEngine::readFlags(const std::vector<FieldPiece>& pieces, std::size_t at) {
    FieldOutputSettings& s = settings;
    const bool paragraphField = gw.db.fieldType == 1;
    bool paragraphTaken = false;
    for (; at < pieces.size(); ++at) {
        std::string_view flag = pieces[at].text;
        if (flag.empty()) continue;
        std::string_view rest = flag.substr(1);
        int number = 0;
        std::size_t letterAt = 0;
        if (wholeNumber(flag, number)) {
            if (paragraphField && !paragraphTaken) {
                paragraphTaken = true;
                s.paragraph = std::max(number, 0);
            } else if (number >= 1) {
                s.item = number;
                s.getAllItems = 0;
            } else if (number < 0) {
                s.item = 1;
                s.getAllItems = 1;
            }
            continue;
        }
        if (comparisonFlag(flag, letterAt)) {
            s.comparison = true;
            s.charLimit = 0;
            s.comparisonLetter = letterAt < flag.size() ? asciiUpper(flag[letterAt]) : 0;
            s.comparisonText = std::string(flag.substr(std::min(letterAt + 1, flag.size())));
            continue;
        }
        switch (flag[0]) {
            case '*':
                if (paragraphField && !paragraphTaken) {
                    paragraphTaken = true;
                    s.allParagraphs = true;
                    s.paragraph = 1;
                }
                s.getAllItems = 1;
                break;
            case '@':
                s.allParagraphs = true;
                s.paragraph = 1;
                s.getAllItems = 1;
                s.numericCodes = true;
                break;
            case 'F':  // upper case only: "f" is no flag
                s.allParagraphs = true;
                s.paragraph = 1;
                s.getAllItems = 1;
                s.charLimit = flagNumber(rest, 0, INT_MAX);
                break;
            case '#': s.charLimit = flagNumber(rest, 0, INT_MAX); break;
            case '%': s.filler = flagNumber(rest, 0, kMaxFiller); break;
            case '+': s.urlEncode = true; break;
            case '!': s.urlEncode = s.braceMark = true; break;
            default:
                if (!readLetterFlag(pieces, at)) return false;
        }
    }
    return true;
}

bool TemplateEngine::readLetterFlag(const std::vector<FieldPiece>& pieces, std::size_t& at) {
    FieldOutputSettings& s = settings;
    std::string_view flag = pieces[at].text;
    std::string_view rest = flag.substr(1);
    switch (asciiUpper(flag[0])) {
        case 'H': s.linkPrefix = true; break;
        case 'L': s.lastItemOnly = true; break;
        case 'B': s.cutChar = rest.empty() ? 0 : rest[0]; break;
        case 'R': gw.db.fieldSign = 1; break;
        case 'M': s.itemLimit = flagNumber(rest, 0, INT_MAX); break;
        case 'C':
            s.item = multiItemCount;
            s.getAllItems = 2;
            break;
        case 'S':
            if (!rest.empty()) {
                s.hasSeparator = true;
                s.separator = std::string(rest);
            } else if (at + 1 < pieces.size() && pieces[at + 1].quoted) {
                s.hasSeparator = true;
                s.separator = std::string(pieces[++at].text);
            }
            break;
        case 'Z': case 'T':
            // The summary and the teaser of the field come with the engine's summaries;
            // until then the reference writes nothing.
            return false;
        default:
            break;  // not a flag: ignored
    }
    return true;
}

void TemplateEngine::leaveProbe() {
    long top = popLoop();
    if (top >= 0) templatePos = static_cast<std::size_t>(top);
    htmlOutput = 0;
    // The probe is over: the END of this round may send the scan back again.
    loopStarted = 0;
    ++loopRounds;
}

void TemplateEngine::writeField(int result) {
    FieldOutputSettings& s = settings;
    Zolt& db = gw.db;
    if (result < 1) {  // no text in this part
        if (db.partField && gw.zgwPart != 0) {
            if (!loopStack.empty()) loopStack.back() = -1;
            gw.zgwPart = 0;
            partLoopState = 0;
        }
        if (itemLoopFlag == PMINIT) {
            long top = popLoop();
            if (top >= 0) templatePos = static_cast<std::size_t>(top);
            itemLoopFlag = PEOF;
        }
        return;
    }
    if (partLoopState == 1 || paraLoopState == 1 || itemLoopFlag == PINIT) {
        if (paraLoopState == 1) paraLoopState = 2;
        leaveProbe();
        return;
    }
    if (ifFlag == 5) {
        ifFlag = 0;
        itemLoopFlag = PEOF;
        return;
    }
    if (s.paragraph != 0 || s.item != 0) {
        int found = db.setCursor(s.paragraph != 0 ? s.paragraph : db.paragraphNumber, s.item);
        if (found < 0) {
            outputDBerror("", true);
            return;
        }
        if (found == 0) {
            if (ifFlag == 1) decideEmptyTest(emptyKind == 1);
            if (htmlOutput != 1 && s.filler >= 0) writeFiller(s.filler + 1);
            return;
        }
    }
    if (itemLoopFlag == PMINIT && s.getAllItems == 2) {
        multiItemRC = 1;
        s.getAllItems = 0;
    }
    if (htmlOutput == 1) {
        if (ifFlag != 1) return;
        s.allParagraphs = false;
    }
    // Only a paragraph field has paragraphs to walk: any other field would probe item 1
    // of "paragraph" n for ever.
    if (!s.allParagraphs || db.fieldType != 1) {
        itemLooper();
        return;
    }
    for (int n = std::max(s.paragraph, 1); loopRounds < kMaxLoopRounds; ++n, ++loopRounds) {
        int found = db.setCursor(n, s.item);
        if (found < 0) outputDBerror("", true);
        if (found <= 0) break;
        itemLooper();
    }
}

void TemplateEngine::decideEmptyTest(bool holds) {
    if (!holds) {
        ifFlag = 0;
        return;
    }
    ifFlag = 2;
    htmlOutput = 0;
    if (!emptyStack.empty()) templatePos = static_cast<std::size_t>(emptyStack.back());
}

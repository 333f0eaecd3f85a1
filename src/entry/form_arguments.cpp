// form_arguments.cpp - the form-argument record: the text that lets a later request
// show a saved result again (find string, CCL lines, one item line with the counts,
// the record ids and the numbered databases). getFarg writes it, readFarg reads it
// back from an id file that a later request names, so readFarg trusts nothing in it:
// every number is bounded and every piece is read only within the text.

#include <algorithm>
#include <charconv>
#include <climits>
#include <string>

#include "cgi/ascii.h"
#include "config/config_syntax.h"
#include "entry/zoltgw.h"

namespace {

// Appends text as one line of the record: a line end inside it would split the
// record's lines and lose the text, so carriage returns and line feeds become blanks.
void appendLine(StrBuf& out, std::string_view text) {
    // Copied in runs between line ends, each kind found by memchr: the item line holds
    // up to maxHits record ids.
    std::size_t run = 0;
    std::size_t lineFeed = text.find('\n');
    std::size_t carriageReturn = text.find('\r');
    for (;;) {
        std::size_t cut = std::min(lineFeed, carriageReturn);
        if (cut == std::string_view::npos) break;
        out.append(text.substr(run, cut - run));
        out.appendChar(' ');
        run = cut + 1;
        if (cut == lineFeed) lineFeed = text.find('\n', run);
        else carriageReturn = text.find('\r', run);
    }
    out.append(text.substr(run));
    out.appendChar('\n');
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The next line of text from pos on, without its line end; pos moves past it.
std::string_view takeLine(std::string_view text, std::size_t& pos) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end < text.size() ? end + 1 : end;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// A cluster item "number.text": the number and the text, or false when the item has
// no such form (then it is a piece of the previous name, cut at one of its commas).
bool splitClusterItem(std::string_view item, int& number, std::string_view& text) {
    std::size_t dot = item.find('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string_view digits = item.substr(0, dot);
    std::size_t start = digits.front() == '-' ? 1 : 0;
    if (start == digits.size()) return false;
    for (std::size_t i = start; i < digits.size(); ++i)
        if (digits[i] < '0' || digits[i] > '9') return false;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return false;
    text = item.substr(dot + 1);
    return true;
}

}  // namespace

const char* zoltgw::getFarg() {
    static StrBuf record;  // process-wide: the text stays valid until the next call
    record.clear();
    appendLine(record, findresult.findString.view());
    for (const auto& command : cclCommands) appendLine(record, command->view());

    std::string items = std::to_string(findresult.ris) + "," + std::to_string(findresult.hits) + "," +
                        std::to_string(findresult.rfound);
    // Room for the ids and their commas at once: up to maxHits of them.
    items.reserve(items.size() + findresult.rid.textBytes() + static_cast<std::size_t>(findresult.rid.size()));
    for (std::string_view id : findresult.rid) {
        items += ',';
        items += id;
    }
    if (!clusters.empty()) {
        items += ",;";
        for (const auto& pair : clusters) {
            items += ',';
            items += std::to_string(pair->key);
            items += '.';
            items += pair->value.view();
        }
    }
    appendLine(record, items);
    return record.c_str();
}

int zoltgw::readFarg(std::string_view key, std::string_view text) {
    std::size_t pos = 0;
    // The first line is the find string even when it is empty.
    findresult.findString = takeLine(text, pos);

    while (pos < text.size() && isLetter(text[pos])) {
        std::string_view line = takeLine(text, pos);
        if (asciiEqualNoCase(line, "define reverse")) findresult.reverseDefine = 1;
        else cclCommands.add(StrBuf(line));
    }

    // The item part: split at commas and line ends. A line end that closes the text
    // gives no item.
    std::string_view items = text.substr(pos);
    while (!items.empty() && (items.back() == '\n' || items.back() == '\r')) items.remove_suffix(1);
    int index = 0;
    bool inClusters = false;
    int lastCluster = 0;
    bool haveCluster = false;
    std::size_t at = 0;
    while (!items.empty() && at <= items.size()) {
        std::size_t end = items.find_first_of(",\r\n", at);
        if (end == std::string_view::npos) end = items.size();
        std::string_view item = items.substr(at, end - at);
        at = end + 1;
        if (index < 3) {
            int value = readNumber(item);
            if (index == 0) findresult.ris = findresult.topris = value;
            else if (index == 1) findresult.hits = value;
            else findresult.rfound = value;
            ++index;
        } else if (!inClusters) {
            if (!item.empty() && item.front() == ';') inClusters = true;
            else if (!item.empty()) findresult.rid.add(item);
        } else {
            int number = 0;
            std::string_view name;
            if (splitClusterItem(item, number, name)) {
                setByNumber(clusters, number, StrBuf(name));
                lastCluster = number;
                haveCluster = true;
            } else if (haveCluster) {
                // A registered text with commas was cut at them when it was written:
                // join the piece back to the name it belongs to.
                for (const auto& pair : clusters) {
                    if (pair->key != lastCluster) continue;
                    pair->value.append(",");
                    pair->value.append(item);
                    break;
                }
            }
        }
    }

    int position = readNumber(key);
    findresult.ris = findresult.startRis = findresult.topris = position;
    return 0;
}

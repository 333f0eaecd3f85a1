// shell.cpp - a shell on the engine's C interface, so that it shows what the gateway
// sees. Output lines are fixed, since scripts and tests read them:
//   after a failed command:   Error <code>: <message>
//   after FIND or FUZZY:      S<set>: <records> records, <hits> hits
//   .records [n]:             one record id a line (with its database in a cluster)
//   .record ID:               <FIELD>: <item>, one line per item ([part n] before
//                             part fields; a BLOB as "(BLOB, <n> bytes)")
//   .display:                 <term> (<records>) a line; a thesaurus: two blanks per
//                             level, then <term> [<record id>]
//   .show:                    "-- page <n>", then its lines, for the window's page and
//                             each page after it; hits in [brackets]
//   .summary FIELD:           the summary of the current record's field
//   .focus FIELD SIZE:        its focus excerpt of SIZE bytes, hits in [brackets]

#include "shell.h"

#include <charconv>
#include <string>
#include <utility>
#include <vector>

#include "shell_support.h"
#include "text_util.h"
#include "zdb.h"

namespace zoltdb {
namespace {

// The engine's message for `code`.
std::string message(int code) {
    char text[1024];
    int length = sizeof text - 1;
    ZdbMessage(code, text, &length);
    return std::string(text, static_cast<size_t>(length > 0 ? length : 0));
}

// The error line after a failed command.
void printError(std::ostream& out, int code) { out << "Error " << code << ": " << message(code) << "\n"; }

class Shell {
public:
    Shell(std::ostream& out) : out_(out) {}

    bool start(const ShellOptions& options) {
        int rc = ZdbStartZolt(options.user.c_str(), options.password.c_str(), ZDB_LANG_ENG,
                              options.charset * 256);
        if (!(rc & 1)) {
            printError(out_, rc);
            return false;
        }
        started_ = true;
        ZdbCreateRecordControl(&rc_);
        std::string command = options.base.find(',') == std::string::npos
                                  ? "BASE " + options.base
                                  : "BASE tmpclust=" + options.base;
        int order = 0;
        rc = ZdbExecuteCcl(command.c_str(), &order);
        if (!(rc & 1)) {
            printError(out_, rc);
            return false;
        }
        int count = 0;
        char name[ZDB_DATABASE_NAME_SIZE];
        ZdbSessionInfo(ZDB_INFO_BASE_COUNT, name, &count);
        cluster_ = count > 1;
        return true;
    }

    ~Shell() {
        if (rc_) ZdbDeleteRecordControl(&rc_);
        if (started_) ZdbEndZdbs(0);
    }

    void line(const std::string& text) {
        std::string_view command = zdb::trim(text);
        if (command.empty()) return;
        if (command.front() == '.') return dot(command);
        execute(std::string(command), 0);
    }

    bool quit() const { return quit_; }

private:
    // Runs a command; a procedure's lines run in turn, as the gateway runs them.
    void execute(const std::string& command, int depth) {
        int order = 0;
        int rc = ZdbExecuteCcl(command.c_str(), &order);
        if (!(rc & 1)) return printError(out_, rc);
        if (order == ZDB_ORDER_PROCEDURE) {
            const char* line = nullptr;
            int length = 0;
            while (depth < 16 && (ZdbGetNextProcLine(&line, &length) & 1))
                execute(std::string(line, static_cast<size_t>(length)), depth + 1);
            return;
        }
        if (order == ZDB_ORDER_FIND || order == ZDB_ORDER_FUZZY) {
            sorted_ = false;
            reportSet();
        }
    }

    void reportSet() {
        int set = 0, records = 0, hits = 0;
        if (ZdbGetSearch(&set, &records, &hits) & 1)
            out_ << "S" << set << ": " << records << " records, " << hits << " hits\n";
    }

    void dot(std::string_view command) {
        size_t blank = command.find(' ');
        std::string word = zdb::upperCase(command.substr(0, blank));
        std::string_view argument = blank == std::string_view::npos ? std::string_view{}
                                                                    : zdb::trim(command.substr(blank));
        if (word == ".RECORDS") return records(argument);
        if (word == ".RECORD") return record(argument);
        if (word == ".SORT") {
            int rc = ZdbSortRecords(0, std::string(argument).c_str());
            if (!(rc & 1)) return printError(out_, rc);
            sorted_ = true;
            return;
        }
        if (word == ".DISPLAY") return display();
        if (word == ".SHOW") return show();
        if (word == ".SUMMARY") return summary(argument);
        if (word == ".FOCUS") return focus(argument);
        if (word == ".QUIT" || word == ".EXIT") {
            quit_ = true;
            return;
        }
        out_ << "Unknown shell command " << command.substr(0, blank) << "\n";
    }

    bool number(std::string_view text, int& value) {
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value > 0;
    }

    void records(std::string_view argument) {
        int count = 10;
        if (!argument.empty() && !number(argument, count)) {
            out_ << "Usage: .records [n]\n";
            return;
        }
        for (int n = 1; n <= count; ++n) {
            int id = 0, set = 0;
            char database[ZDB_DATABASE_NAME_SIZE] = "";
            int rc = sorted_ ? ZdbGetSortedRecord(0, rc_, -n, &id, database)
                             : ZdbGetRecordInSearchRis(rc_, &set, -n, &id, database);
            if (rc == 0) break;
            if (!(rc & 1)) return printError(out_, rc);
            out_ << id;
            if (cluster_) out_ << " " << database;
            if (rc & ZDB_RECORD_DELETED) out_ << " (deleted)";
            out_ << "\n";
        }
    }

    void record(std::string_view argument) {
        std::string database;
        size_t colon = argument.find(':');
        if (colon != std::string_view::npos) {
            database = std::string(argument.substr(0, colon));
            argument = argument.substr(colon + 1);
        }
        int id = 0;
        if (!number(argument, id)) {
            out_ << "Usage: .record [DATABASE:]ID\n";
            return;
        }
        // From the current set when it holds the record, so that its hits are known.
        int rc = readFromSet(database, id) ? ZDB_OK : zdb::shellReadRecord(rc_, database.c_str(), id);
        if (!(rc & 1)) return printError(out_, rc);
        printFields();
    }

    // Makes record `id` (of `database`, when given) current from the current set or
    // sorted list; false when the list does not hold it.
    bool readFromSet(const std::string& database, int id) {
        for (int n = 1;; ++n) {
            int found = 0, set = 0;
            char name[ZDB_DATABASE_NAME_SIZE] = "";
            int code = sorted_ ? ZdbGetSortedRecord(0, rc_, -n, &found, name)
                               : ZdbGetRecordInSearchRis(rc_, &set, -n, &found, name);
            if (code == 0 || !(code & 1)) return false;
            if (found == id && (database.empty() || zdb::equalsIgnoreCase(database, name))) return true;
        }
    }

    // `text` with the hits (start from `base`, length) in brackets.
    static std::string bracketed(const std::string& text, const std::vector<std::pair<int, int>>& hits, int base) {
        std::string out;
        size_t at = 0;
        for (auto [start, length] : hits) {
            size_t from = static_cast<size_t>(start - base);
            if (from < at || from + static_cast<size_t>(length) > text.size()) continue;
            out += text.substr(at, from - at) + "[" + text.substr(from, static_cast<size_t>(length)) + "]";
            at = from + static_cast<size_t>(length);
        }
        return out + text.substr(at);
    }

    void display() {
        int count = 0, kind = 0;
        int rc = ZdbGetDisplay(&count, &kind);
        if (!(rc & 1)) return printError(out_, rc);
        for (int n = 1; n <= count; ++n) {
            char term[1024];
            int length = sizeof term, value = 0;
            if (!(ZdbGetDisplayTerm(-n, term, &length, &value) & 1)) break;
            if (kind != 2) {
                out_ << term << " (" << value << ")\n";
                continue;
            }
            int level = 0;
            ZdbGetRecordInThes(rc_, n, &level);
            out_ << std::string(static_cast<size_t>(2 * level), ' ') << term << " [" << value << "]\n";
        }
    }

    void show() {
        std::vector<char> line(10001 + 1);
        for (int page = 1;; ++page) {
            out_ << "-- page " << page << "\n";
            int rc;
            while ((rc = ZdbGetWindowLine(1, line.data())) & 1) {
                std::vector<std::pair<int, int>> hits;
                int start = 0, length = 0;
                while (ZdbGetWindowHit(1, &start, &length) & 1) hits.emplace_back(start, length);
                out_ << bracketed(line.data(), hits, 1) << "\n";
            }
            if (rc != 0) return printError(out_, rc);
            int order = 0;
            rc = ZdbExecuteCcl("FORWARD", &order);
            if (rc == ZDB_NO_MORE_TO_SHOW || rc == ZDB_END_OF_DISPLAY) return;
            if (!(rc & 1)) return printError(out_, rc);
        }
    }

    // Places the cursor on field `name` of the current record; false (with the error
    // line printed) when it cannot.
    bool onField(std::string_view name) {
        int number = 0, type = 0, flags = 0;
        int rc = ZdbCheckField(rc_, std::string(name).c_str(), &number, &type, &flags);
        if (rc & 1) rc = ZdbSetCursor(&cursor_, rc_, number, 0, 0);
        if (rc & 1 || rc == ZDB_NO_MORE_ITEMS) return true;
        printError(out_, rc);
        return false;
    }

    void summary(std::string_view argument) {
        if (argument.empty()) {
            out_ << "Usage: .summary FIELD\n";
            return;
        }
        if (!onField(argument)) return;
        ZdbSummary handle = nullptr;
        const char* text = "";
        int rc = ZdbStartSummarization(&handle, 1);
        if (rc & 1) rc = ZdbAccumulateSummarization(handle, cursor_);
        if (rc & 1) rc = ZdbGenerateSummary(handle, &text);
        if (rc & 1) out_ << text << "\n";
        else printError(out_, rc);
        if (handle) ZdbEndSummarization(handle);
    }

    void focus(std::string_view argument) {
        size_t blank = argument.find(' ');
        int size = 0;
        if (blank == std::string_view::npos || !number(zdb::trim(argument.substr(blank)), size)) {
            out_ << "Usage: .focus FIELD SIZE\n";
            return;
        }
        if (!onField(argument.substr(0, blank))) return;
        int length = 0, hitCount = 0, count = 0;
        const char* text = nullptr;
        const int* pairs = nullptr;
        int rc = ZdbGetFocus(cursor_, &length, &text, &hitCount, &pairs, &count, -size);
        if (!(rc & 1)) return printError(out_, rc);
        std::vector<std::pair<int, int>> hits;
        for (int i = 0; i < hitCount; ++i) hits.emplace_back(pairs[2 * i], pairs[2 * i + 1]);
        out_ << bracketed(std::string(text, static_cast<size_t>(length)), hits, 0) << "\n";
    }

    void printFields() {
        std::vector<std::string> names = zdb::shellFieldNames(rc_);
        for (size_t i = 0; i < names.size(); ++i) {
            int number = 0, type = 0, flags = 0;
            if (!(ZdbCheckField(rc_, names[i].c_str(), &number, &type, &flags) & 1)) continue;
            bool parts = flags & ZDB_FIELD_FLAG_PART;
            if (!parts) {
                printContent(number, names[i], type, 0);
                continue;
            }
            for (int part = 1; ZdbSetRecordPart(&cursor_, rc_, part) == 1; ++part)
                printContent(number, names[i], type, part);
            ZdbSetRecordPart(&cursor_, rc_, 0);
        }
    }

    void printContent(int number, const std::string& name, int type, int part) {
        std::string label = (part ? "[part " + std::to_string(part) + "] " : "") + name;
        if (type == ZDB_FIELD_BLOB) {
            if (!(ZdbSetCursor(&cursor_, rc_, number, 0, 0) & 1)) return;
            int size = 0;
            ZdbGetBlobSize(cursor_, &size);
            out_ << label << ": (BLOB, " << size << " bytes)\n";
            return;
        }
        for (int paragraph = type == ZDB_FIELD_TEXT ? 1 : 0;; ++paragraph) {
            if (ZdbSetCursor(&cursor_, rc_, number, paragraph, 0) != 1) break;
            for (;;) {
                std::string text;
                char buffer[1024];
                int code;
                do {
                    int length = sizeof buffer - 1;
                    code = ZdbGetNextItem(cursor_, buffer, &length);
                    if (code == 0) break;
                    text.append(buffer, static_cast<size_t>(length < 0 ? -length : length));
                } while (code == ZDB_MORE);
                if (code == 0) break;
                out_ << label << ": " << text << "\n";
            }
            if (type != ZDB_FIELD_TEXT) break;
        }
    }

    std::ostream& out_;
    bool started_ = false;
    bool cluster_ = false;
    bool sorted_ = false;
    bool quit_ = false;
    ZdbRecordControl rc_ = nullptr;
    ZdbCursor cursor_ = nullptr;
};

}  // namespace

int runShell(const ShellOptions& options, std::istream& in, std::ostream& out, bool prompt) {
    Shell shell(out);
    if (!shell.start(options)) return 1;
    std::string line;
    for (;;) {
        if (prompt) out << "zoltdb> " << std::flush;
        if (!std::getline(in, line)) break;
        shell.line(line);
        if (shell.quit()) break;
    }
    if (prompt) out << "\n";
    return 0;
}

}  // namespace zoltdb

// shell.cpp - a shell on the engine's C interface, so that it shows what the gateway
// sees. Output lines are fixed, since scripts and tests read them:
//   after a failed command:   Error <code>: <message>
//   after FIND or FUZZY:      S<set>: <records> records, <hits> hits
//   .records [n]:             one record id a line (with its database in a cluster)
//   .record ID:               <FIELD>: <item>, one line per item ([part n] before
//                             part fields; a BLOB as "(BLOB, <n> bytes)")

#include "shell.h"

#include <charconv>
#include <string>
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
        if (word == ".DISPLAY" || word == ".SHOW") return printError(out_, ZDB_NOT_AVAILABLE);
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
        int rc = zdb::shellReadRecord(rc_, database.c_str(), id);
        if (!(rc & 1)) return printError(out_, rc);
        printFields();
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

// debian2jsonl.cpp - converts Debian package lists into JSON Lines records for the
// schema debian_packages.json: the dpkg status file (installed packages, long
// descriptions included) or Packages files joined with their Translation-en files
// (long descriptions). Compressed lists are read through apt-helper cat-file.
//
//   debian2jsonl --status /var/lib/dpkg/status > installed.jsonl
//   debian2jsonl --packages P1 [P2 ...] --translations T1 [T2 ...] > debian.jsonl

#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using Stanza = std::map<std::string, std::string>;  // field name -> value (continuations joined by \n)

// The text of `path`: read through apt-helper, which undoes any compression.
std::string readList(const std::string& path) {
    std::string command = "/usr/lib/apt/apt-helper cat-file '" + path + "'";
    if (path.find('\'') != std::string::npos) return {};
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    if (!pipe) return text;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, n);
    return text;
}

// Calls `visit` for each stanza (blank-line separated block of "Field: value" lines).
template <typename Visit> void forEachStanza(const std::string& text, Visit visit) {
    Stanza stanza;
    std::string last;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) {
            if (!stanza.empty()) visit(stanza);
            stanza.clear();
            last.clear();
            if (end == text.size()) break;
            continue;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !last.empty()) {
            stanza[last] += "\n" + line;
        } else {
            size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            last = line.substr(0, colon);
            size_t start = line.find_first_not_of(' ', colon + 1);
            stanza[last] = start == std::string::npos ? "" : line.substr(start);
        }
        if (end == text.size()) {
            if (!stanza.empty()) visit(stanza);
            break;
        }
    }
}

// Paragraphs of a long description: " ." separates paragraphs; lines that begin with
// two blanks are kept on their own lines, others are joined with a blank.
std::vector<std::string> paragraphs(const std::string& longText) {
    std::vector<std::string> out;
    std::string current;
    size_t pos = 0;
    while (pos < longText.size()) {
        size_t end = longText.find('\n', pos);
        if (end == std::string::npos) end = longText.size();
        std::string line = longText.substr(pos, end - pos);
        pos = end + 1;
        if (line == " ." || line == ".") {
            if (!current.empty()) out.push_back(current);
            current.clear();
            continue;
        }
        bool verbatim = line.size() > 1 && line[0] == ' ' && line[1] == ' ';
        std::string body = line.substr(line.find_first_not_of(' ') == std::string::npos ? line.size()
                                                                                         : line.find_first_not_of(' '));
        if (!current.empty()) current += verbatim ? "\n" : " ";
        current += verbatim ? line.substr(1) : body;
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

std::vector<std::string> dependencies(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        std::string item = text.substr(pos, comma - pos);
        size_t first = item.find_first_not_of(" \n");
        size_t last = item.find_last_not_of(" \n");
        if (first != std::string::npos) out.push_back(item.substr(first, last - first + 1));
        pos = comma + 1;
    }
    return out;
}

nlohmann::ordered_json record(const Stanza& stanza, const std::string& title, const std::string& longText) {
    nlohmann::ordered_json out;
    auto get = [&](const char* field) {
        auto it = stanza.find(field);
        return it == stanza.end() ? std::string() : it->second;
    };
    out["PACKAGE"] = get("Package");
    if (!title.empty()) out["TITLE"] = title;
    auto text = paragraphs(longText);
    if (!text.empty()) out["DESCRIPTION"] = text;
    if (!get("Section").empty()) out["SECTION"] = get("Section");
    if (!get("Maintainer").empty()) out["MAINTAINER"] = get("Maintainer");
    if (!get("Version").empty()) out["VERSION"] = get("Version");
    auto depends = dependencies(get("Depends"));
    if (!depends.empty()) out["DEPENDS"] = depends;
    std::string size = get("Installed-Size");
    long long value = 0;
    auto [end, ec] = std::from_chars(size.data(), size.data() + size.size(), value);
    if (!size.empty() && ec == std::errc() && end == size.data() + size.size()) out["INSTALLED_SIZE"] = value;
    return out;
}

// Splits "short\n long..." into the title and the long text.
std::pair<std::string, std::string> splitDescription(const std::string& text) {
    size_t newline = text.find('\n');
    if (newline == std::string::npos) return {text, ""};
    return {text.substr(0, newline), text.substr(newline + 1)};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> packages, translations, status;
    std::vector<std::string>* target = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--packages") target = &packages;
        else if (arg == "--translations") target = &translations;
        else if (arg == "--status") target = &status;
        else if (target) target->push_back(arg);
        else {
            std::cerr << "usage: debian2jsonl --status FILE | --packages FILE... --translations FILE...\n";
            return 2;
        }
    }
    std::map<std::string, std::pair<std::string, std::string>> longDescriptions;  // md5 -> title, text
    for (const std::string& path : translations)
        forEachStanza(readList(path), [&](const Stanza& s) {
            auto md5 = s.find("Description-md5");
            auto description = s.find("Description-en");
            if (md5 != s.end() && description != s.end())
                longDescriptions[md5->second] = splitDescription(description->second);
        });
    std::map<std::string, nlohmann::ordered_json> records;  // by package name: later lists win
    std::vector<std::string> order;
    auto add = [&](const Stanza& s, const std::string& title, const std::string& text) {
        auto name = s.find("Package");
        if (name == s.end()) return;
        if (!records.count(name->second)) order.push_back(name->second);
        records[name->second] = record(s, title, text);
    };
    for (const std::string& path : status)
        forEachStanza(readList(path), [&](const Stanza& s) {
            auto state = s.find("Status");
            if (state == s.end() || state->second != "install ok installed") return;
            auto description = s.find("Description");
            auto [title, text] = splitDescription(description == s.end() ? "" : description->second);
            add(s, title, text);
        });
    for (const std::string& path : packages)
        forEachStanza(readList(path), [&](const Stanza& s) {
            auto description = s.find("Description");
            auto [title, text] = splitDescription(description == s.end() ? "" : description->second);
            auto md5 = s.find("Description-md5");
            if (text.empty() && md5 != s.end()) {
                auto found = longDescriptions.find(md5->second);
                if (found != longDescriptions.end()) text = found->second.second;
            }
            add(s, title, text);
        });
    int64_t id = 0;
    for (const std::string& name : order) {
        nlohmann::ordered_json line;
        line["id"] = ++id;
        for (auto& [key, value] : records[name].items()) line[key] = value;
        std::cout << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    }
    std::cerr << id << " records\n";
    return 0;
}

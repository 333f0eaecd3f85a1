// schema.cpp - field lookup and the naming rules of databases and fields.

#include "schema.h"

#include "text_util.h"

namespace zdb {
namespace {

constexpr const char* kTypeNames[] = {"", "TEXT", "PHRASE", "INTEGER", "NUMBER",
                                      "DATE", "TIME", "STRING", "BLOB"};

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const Field* Schema::find(std::string_view name) const {
    for (const Field& field : fields)
        if (equalsIgnoreCase(field.name, name)) return &field;
    return nullptr;
}

const std::string* Schema::format(std::string_view name) const {
    for (const auto& [known, text] : formats)
        if (equalsIgnoreCase(known, name)) return &text;
    return nullptr;
}

const Field* Schema::byNumber(int number) const {
    if (number < 1 || static_cast<size_t>(number) > fields.size()) return nullptr;
    return &fields[static_cast<size_t>(number) - 1];
}

int fieldTypeFromName(std::string_view name) {
    for (int type = 1; type <= 8; ++type)
        if (equalsIgnoreCase(name, kTypeNames[type])) return type;
    return 0;
}

const char* fieldTypeName(int type) { return (type >= 1 && type <= 8) ? kTypeNames[type] : "?"; }

bool isValidDatabaseName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_' && c != '-') return false;
    return true;
}

bool isValidFieldName(std::string_view name) {
    if (name.empty() || name.size() > 64 || !isAsciiLetter(name[0])) return false;
    for (char c : name)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_') return false;
    // S=n and R=id are set and record references; AND, OR, NOT and FUZZY are operators.
    for (const char* reserved : {"S", "R", "AND", "OR", "NOT", "FUZZY"})
        if (equalsIgnoreCase(name, reserved)) return false;
    return true;
}

}  // namespace zdb

// entry_list.h - the decoded request and cookies as ordered name/value lists.
// Order is input order; duplicate names stay. Lookups by name take the first
// entry whose name is equal apart from the case of A to Z.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct Entry {
    std::string name;             // decoded bytes (may hold any byte)
    std::string value;            // decoded bytes
    std::unique_ptr<Entry> next;  // following entry, or null
};

// A singly linked list of entries; owns them and frees them without recursion.
class EntryList {
public:
    EntryList() = default;
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    ~EntryList() { clear(); }

    Entry* first() const { return head_.get(); }
    bool empty() const { return !head_; }
    void clear();  // frees every entry, iteratively

    std::unique_ptr<Entry> head_;  // first entry, or null when empty
};

extern EntryList cgiEntries;     // request parameters
extern EntryList cookieEntries;  // cookies of HTTP_COOKIE

// Makes the list empty.
void list_create(EntryList& list);

// Links a new entry with copies of name and value in behind `after` (into an empty
// list as its only entry) and returns it. A non-empty list without `after` is a
// program error: the process ends with status 1.
Entry* list_insafter(EntryList& list, Entry* after, std::string_view name, std::string_view value);

// Removes the first entry whose name equals `name` exactly (case included).
void list_remove(EntryList& list, std::string_view name);

// The first entry named `name` apart from the case of A to Z, or null.
const Entry* findEntry(const EntryList& list, std::string_view name);

// The number of entries.
int countEntries(const EntryList& list);

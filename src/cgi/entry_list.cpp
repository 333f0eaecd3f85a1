// entry_list.cpp - the ordered name/value lists of the request and the cookies.

#include "cgi/entry_list.h"

#include <cstdlib>

#include "cgi/ascii.h"

EntryList cgiEntries;
EntryList cookieEntries;

void EntryList::clear() {
    // Unlink one entry at a time: a recursive destructor could exhaust the stack
    // on a hostile request with a million parameters.
    while (head_) head_ = std::move(head_->next);
}

void list_create(EntryList& list) { list.clear(); }

Entry* list_insafter(EntryList& list, Entry* after, std::string_view name, std::string_view value) {
    auto entry = std::make_unique<Entry>();
    entry->name.assign(name);
    entry->value.assign(value);
    if (list.empty()) {
        list.head_ = std::move(entry);
        return list.head_.get();
    }
    if (!after) std::exit(1);  // a program error: nowhere to link the entry
    entry->next = std::move(after->next);
    after->next = std::move(entry);
    return after->next.get();
}

void list_remove(EntryList& list, std::string_view name) {
    std::unique_ptr<Entry>* link = &list.head_;
    while (*link) {
        if ((*link)->name == name) {
            *link = std::move((*link)->next);
            return;
        }
        link = &(*link)->next;
    }
}

const Entry* findEntry(const EntryList& list, std::string_view name) {
    for (const Entry* entry = list.first(); entry; entry = entry->next.get())
        if (asciiEqualNoCase(entry->name, name)) return entry;
    return nullptr;
}

int countEntries(const EntryList& list) {
    int count = 0;
    for (const Entry* entry = list.first(); entry; entry = entry->next.get()) ++count;
    return count;
}

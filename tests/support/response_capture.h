// response_capture.h - test support for the gateway's units: the response captured
// instead of standard output, entry lists as vectors of pairs, scoped environment
// variables.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cgi/entry_list.h"
#include "cgi/response.h"

// Redirects the response into a temporary file for the object's lifetime.
class CapturedResponse {
public:
    CapturedResponse() : file_(std::tmpfile()) { setResponseStream(file_); }
    ~CapturedResponse() {
        setResponseStream(nullptr);
        std::fclose(file_);
    }
    CapturedResponse(const CapturedResponse&) = delete;
    CapturedResponse& operator=(const CapturedResponse&) = delete;

    // Everything written so far.
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    std::FILE* file_;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The entries of a list as (name, value) pairs in list order.
inline Pairs pairsOf(const EntryList& list) {
    Pairs pairs;
    for (const Entry* entry = list.first(); entry; entry = entry->next.get())
        pairs.emplace_back(entry->name, entry->value);
    return pairs;
}

// Empties a list and fills it with the given pairs, in order.
inline void fillList(EntryList& list, const Pairs& pairs) {
    list.clear();
    Entry* last = nullptr;
    for (const auto& [name, value] : pairs) last = list_insafter(list, last, name, value);
}

// Sets (or, with nullopt, unsets) an environment variable and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

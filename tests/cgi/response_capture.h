// response_capture.h - test helpers: the response captured in memory instead of
// standard output, entry lists as vectors, scoped environment variables.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cgi/entry_list.h"
#include "cgi/response.h"

// Redirects the response into memory for the object's lifetime.
class CapturedResponse {
public:
    CapturedResponse() : stream_(open_memstream(&buffer_, &size_)) { setResponseStream(stream_); }
    ~CapturedResponse() {
        setResponseStream(nullptr);
        std::fclose(stream_);
        std::free(buffer_);
    }
    CapturedResponse(const CapturedResponse&) = delete;
    CapturedResponse& operator=(const CapturedResponse&) = delete;

    // Everything written so far.
    std::string text() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The entries of a list as (name, value) pairs in list order.
inline Pairs pairsOf(const EntryList& list) {
    Pairs pairs;
    for (const Entry* entry = list.first(); entry; entry = entry->next.get())
        pairs.emplace_back(entry->name, entry->value);
    return pairs;
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

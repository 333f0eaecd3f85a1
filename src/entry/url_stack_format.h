// url_stack_format.h - the URL-stack entry as the page cache keeps it: parameters
// written "KEY=value{", each entry ended by "}" in a file. A value keeps its bytes,
// except that "%", "{" and "}" are stored as %25, %7B and %7D, so that no search text
// can end a parameter or an entry early.
// Invariant: a stack read back holds at most kMaxUrlStackEntries entries of at most
// kMaxUrlStackEntryBytes each, whatever the file or the request holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Most entries a stack keeps: the oldest pages fall away first.
inline constexpr int kMaxUrlStackEntries = 32;
// Longest entry a stack keeps (bytes); a longer one is not one this program saves.
inline constexpr std::size_t kMaxUrlStackEntryBytes = 16384;
// Largest URL-stack file read back: every entry and its "}" at their limits, and the
// page's own entry beside them.
inline constexpr std::size_t kMaxUrlStackFileBytes = (kMaxUrlStackEntries + 1) * (kMaxUrlStackEntryBytes + 1);

// The value as an entry stores it.
std::string storedStackValue(std::string_view value);

// The value a stored one stands for: %25, %7B and %7D undone, every other byte kept.
std::string plainStackValue(std::string_view stored);

// One parameter of an entry: its key and its stored value.
struct StackParameter {
    std::string_view key;
    std::string_view value;
};

// The parameters of an entry in order: the pieces between "{", each split at its first
// "=". A piece without "=", or whose only "=" is its last character, names no key (its
// key is empty).
std::vector<StackParameter> stackParameters(std::string_view entry);

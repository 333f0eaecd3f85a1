// strbuf.h - StrBuf, the growable text of the gateway.
// Invariants: data is always NUL-terminated; capacity > length; an empty StrBuf
// owns one byte; growth adds 512 bytes past the need while the capacity is below
// 1,025 and 1,024 bytes beyond, so that page-sized texts rarely reallocate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class StrBuf {
public:
    StrBuf();                                   // empty: length 0, capacity 1
    StrBuf(std::string_view text);              // capacity = length + 1
    StrBuf(const char* text) : StrBuf(std::string_view(text ? text : "")) {}
    StrBuf(const StrBuf& other) : StrBuf(other.view()) {}
    StrBuf(StrBuf&& other);
    StrBuf& operator=(const StrBuf& other);
    StrBuf& operator=(StrBuf&& other) noexcept;
    StrBuf& operator=(std::string_view text) { assign(text); return *this; }
    StrBuf& operator=(const char* text) { assign(text ? text : ""); return *this; }
    ~StrBuf() = default;

    const char* c_str() const { return data_.get(); }
    std::string_view view() const { return {data_.get(), static_cast<size_t>(length_)}; }
    std::string str() const { return std::string(view()); }
    int32_t length() const { return length_; }
    int32_t capacity() const { return capacity_; }
    bool empty() const { return length_ == 0; }
    char operator[](int32_t i) const { return data_[i]; }

    // Replaces the text; the new buffer holds exactly length + 1 bytes.
    void assign(std::string_view text);
    // Appends the first n characters of text; a negative n appends all of it (to its NUL).
    void append(const char* text, int32_t n);
    void append(std::string_view text);
    void appendChar(char c);
    // Empties the text, keeping the buffer.
    void clear();

    friend bool operator==(const StrBuf& a, std::string_view b) { return a.view() == b; }

private:
    void reserveFor(int64_t neededLength);

    std::unique_ptr<char[]> data_;  // owned, NUL-terminated
    int32_t length_ = 0;            // characters before the terminator
    int32_t capacity_ = 0;          // bytes allocated, always > length_
};

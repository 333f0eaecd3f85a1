// strbuf.cpp - StrBuf growth and copying.

#include "cgi/strbuf.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {
constexpr int64_t kMaxCapacity = std::numeric_limits<int32_t>::max();

std::unique_ptr<char[]> copyText(std::string_view text, int32_t capacity) {
    auto buffer = std::make_unique<char[]>(static_cast<size_t>(capacity));
    if (!text.empty()) std::memcpy(buffer.get(), text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

int32_t checkedLength(size_t length) {
    // A text must fit the signed 32-bit length with room for its terminator.
    if (length >= static_cast<size_t>(kMaxCapacity)) throw std::length_error("StrBuf too long");
    return static_cast<int32_t>(length);
}
}  // namespace

StrBuf::StrBuf() : data_(copyText({}, 1)), length_(0), capacity_(1) {}

StrBuf::StrBuf(std::string_view text) {
    length_ = checkedLength(text.size());
    capacity_ = length_ + 1;
    data_ = copyText(text, capacity_);
}

StrBuf::StrBuf(StrBuf&& other) : StrBuf() {
    // The moved-from object keeps a valid empty text of its own.
    std::swap(data_, other.data_);
    std::swap(length_, other.length_);
    std::swap(capacity_, other.capacity_);
}

StrBuf& StrBuf::operator=(const StrBuf& other) {
    if (this != &other) assign(other.view());
    return *this;
}

StrBuf& StrBuf::operator=(StrBuf&& other) noexcept {
    if (this != &other) {
        std::swap(data_, other.data_);
        std::swap(length_, other.length_);
        std::swap(capacity_, other.capacity_);
    }
    return *this;
}

void StrBuf::assign(std::string_view text) {
    int32_t length = checkedLength(text.size());
    data_ = copyText(text, length + 1);  // text cannot alias the new buffer
    length_ = length;
    capacity_ = length + 1;
}

void StrBuf::reserveFor(int64_t neededLength) {
    if (neededLength < capacity_) return;
    int64_t grown = neededLength + (capacity_ < 1025 ? 512 : 1024);
    if (grown > kMaxCapacity) throw std::length_error("StrBuf too long");
    auto buffer = std::make_unique<char[]>(static_cast<size_t>(grown));
    std::memcpy(buffer.get(), data_.get(), static_cast<size_t>(length_) + 1);
    data_ = std::move(buffer);
    capacity_ = static_cast<int32_t>(grown);
}

void StrBuf::append(const char* text, int32_t n) {
    if (!text) return;
    size_t count = n < 0 ? std::strlen(text) : static_cast<size_t>(n);
    append(std::string_view(text, count));
}

void StrBuf::append(std::string_view text) {
    if (text.empty()) return;
    // The text may lie inside this buffer: copy it before the buffer moves.
    bool aliases = text.data() >= data_.get() && text.data() < data_.get() + capacity_;
    std::string copy;
    if (aliases) { copy.assign(text); text = copy; }
    reserveFor(static_cast<int64_t>(length_) + static_cast<int64_t>(text.size()));
    std::memcpy(data_.get() + length_, text.data(), text.size());
    length_ += static_cast<int32_t>(text.size());
    data_[length_] = '\0';
}

void StrBuf::appendChar(char c) {
    reserveFor(static_cast<int64_t>(length_) + 1);
    data_[length_++] = c;
    data_[length_] = '\0';
}

void StrBuf::clear() {
    length_ = 0;
    data_[0] = '\0';
}

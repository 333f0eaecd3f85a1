// ptr_array.h - PtrArray, the growable array of owned pointers, and the
// NameValue pair lists built on it.
// Invariants: slots grow by 512 at a time (512, 1,024, 1,536 ...); removing an
// element keeps the order of the rest; pairs keep the order in which they were
// added, duplicates included, so a lookup finds the first one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "cgi/ascii.h"
#include "cgi/strbuf.h"

template <class T>
class PtrArray {
public:
    static constexpr int32_t kGrowth = 512;  // slots added when the array is full

    // Appends an element; returns it.
    T* add(std::unique_ptr<T> item) {
        if (count() == capacity_) {
            if (capacity_ > INT32_MAX - kGrowth) throw std::length_error("PtrArray full");
            capacity_ += kGrowth;
            items_.reserve(static_cast<size_t>(capacity_));
        }
        items_.push_back(std::move(item));
        return items_.back().get();
    }
    T* add(T value) { return add(std::make_unique<T>(std::move(value))); }

    int32_t size() const { return count(); }
    int32_t capacity() const { return capacity_; }
    bool empty() const { return items_.empty(); }

    // The element at `position`, or null when the position is not below size().
    T* at(int32_t position) const {
        if (position < 0 || position >= count()) return nullptr;
        return items_[static_cast<size_t>(position)].get();
    }

    // Removes and returns the element at `position`; null when it is not below size().
    std::unique_ptr<T> removeAt(int32_t position) {
        if (position < 0 || position >= count()) return nullptr;
        auto item = std::move(items_[static_cast<size_t>(position)]);
        items_.erase(items_.begin() + position);
        return item;
    }

    void clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    int32_t count() const { return static_cast<int32_t>(items_.size()); }

    std::vector<std::unique_ptr<T>> items_;
    int32_t capacity_ = 0;  // slots allocated, a multiple of kGrowth
};

template <class Key, class Value>
struct NameValue {
    Key key;
    Value value;
};

// A pair list looked up by name, without regard to the case of A to Z.
template <class Value>
using NamedList = PtrArray<NameValue<StrBuf, Value>>;

// A pair list looked up by a signed 32-bit number.
template <class Value>
using NumberedList = PtrArray<NameValue<int32_t, Value>>;

// Appends the pair (key, value); an existing pair with the same key stays.
template <class Key, class Value>
NameValue<Key, Value>* addPair(PtrArray<NameValue<Key, Value>>& list, Key key, Value value) {
    return list.add(NameValue<Key, Value>{std::move(key), std::move(value)});
}

// Position of the first pair whose key equals `key` apart from the case of A to Z; -1 if none.
template <class Value>
int32_t findByName(const NamedList<Value>& list, std::string_view key) {
    for (int32_t i = 0; i < list.size(); ++i)
        if (asciiEqualNoCase(list.at(i)->key.view(), key)) return i;
    return -1;
}

// The value of the first pair named `key`, or null.
template <class Value>
Value* findValueByName(const NamedList<Value>& list, std::string_view key) {
    int32_t position = findByName(list, key);
    return position < 0 ? nullptr : &list.at(position)->value;
}

// Replaces the value of the first pair numbered `number` and returns the old value;
// appends the pair and returns nothing when there is none.
template <class Value>
std::optional<Value> setByNumber(NumberedList<Value>& list, int32_t number, Value value) {
    for (const auto& pair : list) {
        if (pair->key == number) {
            std::optional<Value> old(std::move(pair->value));
            pair->value = std::move(value);
            return old;
        }
    }
    addPair(list, number, std::move(value));
    return std::nullopt;
}

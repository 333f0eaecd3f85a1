// result_ids.h - ResultIds, the record ids of a search result in result order, each
// the text that the id file and the links write ("id", or "id.cluster").
// Invariant: the texts lie back to back in one buffer with their end offsets beside
// them, so that a walk of maxHits records costs no allocation per id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class ResultIds {
public:
    // Appends an id; ids are never empty (an empty text at() means "no id").
    void add(std::string_view id) {
        if (ends_.size() >= static_cast<size_t>(INT32_MAX) || text_.size() + id.size() > UINT32_MAX)
            throw std::length_error("ResultIds full");
        text_.append(id);
        ends_.push_back(static_cast<uint32_t>(text_.size()));
    }

    // Room for `ids` more ids of `bytes` in all, so that adding them copies nothing.
    void reserve(size_t ids, size_t bytes) {
        ends_.reserve(ends_.size() + ids);
        text_.reserve(text_.size() + bytes);
    }

    int32_t size() const { return static_cast<int32_t>(ends_.size()); }
    // The bytes of all ids together.
    size_t textBytes() const { return text_.size(); }
    bool empty() const { return ends_.empty(); }

    // The id at `position`; empty when the position is not below size().
    std::string_view at(int32_t position) const {
        if (position < 0 || position >= size()) return {};
        size_t end = ends_[static_cast<size_t>(position)];
        size_t start = position == 0 ? 0 : ends_[static_cast<size_t>(position) - 1];
        return std::string_view(text_).substr(start, end - start);
    }

    void clear() {
        text_.clear();
        ends_.clear();
    }

    // The ids in order, for range-for.
    class Iterator {
    public:
        Iterator(const ResultIds& list, int32_t position) : list_(&list), position_(position) {}
        std::string_view operator*() const { return list_->at(position_); }
        Iterator& operator++() {
            ++position_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return position_ != other.position_; }

    private:
        const ResultIds* list_;
        int32_t position_;
    };
    Iterator begin() const { return {*this, 0}; }
    Iterator end() const { return {*this, size()}; }

private:
    std::string text_;            // the ids back to back, without separators
    std::vector<uint32_t> ends_;  // offset in text_ just past each id
};

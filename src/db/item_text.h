// item_text.h - one item of a record field as the session hands it out: the text as the
// engine gave it (the session's character set, not escaped) and the hits to mark in it.
// Escaping and marking happen once, when the item is written as HTML, so that a text
// written URL-encoded or as byte codes is the record's own text.
#pragma once

#include <string>
#include <vector>

// A hit inside an item: byte offset from 0 and length in bytes, within the text.
struct HitSpan {
    int start = 0;
    int length = 0;
};

struct ItemText {
    std::string text;            // the item's bytes as handed out by the engine
    std::vector<HitSpan> hits;   // hits to mark, in text order, not overlapping

    void clear() {
        text.clear();
        hits.clear();
    }
};

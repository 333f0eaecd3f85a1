// template_scan.cpp - the scan: copies the template to the response character by
// character, collects variables (${...}) and elements (<ZOLT...>) and hands them to
// their interpreters, drops white space inside anchor tags, and puts the "?" after
// ${ZGW}. Invariant: the scan reads only below templateText.size(); interpreters that
// move templatePos keep it inside the buffer.

#include <cstdio>

#include "cgi/ascii.h"
#include "cgi/response.h"
#include "template/template_engine.h"

namespace {

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

enum class Collecting { kNothing, kElement, kVariable };

}  // namespace

// The scan's collecting state: the markup collected so far and what it is.
struct ScanMarkup {
    Collecting kind = Collecting::kNothing;
    std::string text;  // element: from the four letters after "<"; variable: from "$"
};

void TemplateEngine::collect(ScanMarkup& markup, char c, char end, int most) {
    markup.text.push_back(c);
    if (c == end) {
        const bool element = markup.kind == Collecting::kElement;
        markup.kind = Collecting::kNothing;
        std::string text = std::move(markup.text);
        markup.text.clear();
        if (element) zoltElement(text);
        else zoltVariable(text);
    } else if (static_cast<int>(markup.text.size()) >= most) {
        // Over-long markup is no error: it is copied as text.
        markup.kind = Collecting::kNothing;
        if (htmlOutput != 1) writeText(markup.text);
    }
}

void TemplateEngine::writeChar(char c) { std::fputc(c, responseStream()); }

void TemplateEngine::writeText(std::string_view text) { writeResponse(text); }

void TemplateEngine::render(std::string_view text) {
    templateText.assign(text);
    templatePos = 0;
    scan();
    flushResponse();
}

void TemplateEngine::scan() {
    ScanMarkup markup;
    markup.text.reserve(kMarkupBuffer);
    while (templatePos < templateText.size() && templateText[templatePos] != '\0') {
        char c = templateText[templatePos++];

        if (queryPending) {
            queryPending = 0;
            if (c != '?') writeChar('?');
            if (c == '&') continue;
        }

        if (c == '>') {
            inAnchorTag = 0;
        } else if (c == '<' && markup.kind != Collecting::kVariable) {
            // An element being collected is abandoned: this bracket starts over.
            elementStart = templatePos - 1;
            markup.text.clear();
            int counted = 0;
            while (counted < 4 && templatePos < templateText.size() && templateText[templatePos] != '\0') {
                char next = templateText[templatePos++];
                markup.text.push_back(next);
                if (next == '>' || isWhite(next)) break;
                ++counted;
            }
            if (counted == 4 && asciiEqualNoCase(markup.text, "ZOLT")) {
                markup.kind = Collecting::kElement;
            } else {
                if (htmlOutput != 1) {
                    writeChar('<');
                    writeText(markup.text);
                }
                if (markup.text.size() == 2 && asciiUpper(markup.text[0]) == 'A' && markup.text[1] == ' ')
                    inAnchorTag = 1;
                markup.kind = Collecting::kNothing;
            }
            continue;
        } else if (c == '$' && markup.kind == Collecting::kNothing) {
            markup.text.clear();
            if (templatePos >= templateText.size() || templateText[templatePos] == '\0') break;
            if (templateText[templatePos] != '{') {
                if (htmlOutput != 1) writeChar('$');
                continue;
            }
            markup.kind = Collecting::kVariable;
        }

        switch (markup.kind) {
            case Collecting::kElement:
                collect(markup, c, '>', kElementMax);
                break;
            case Collecting::kVariable:
                collect(markup, c, '}', kVariableMax);
                break;
            case Collecting::kNothing:
                if (htmlOutput == 0 && !(inAnchorTag && isWhite(c))) writeChar(c);
                break;
        }
    }
}
